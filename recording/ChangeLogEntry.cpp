#include "ChangeLogEntry.h"

#include <QCryptographicHash>

#include "storage/DbfRecord.h"
#include "translation/UiText.h"

namespace {

constexpr const char *TimeFormat = "yyyy-MM-dd HH:mm:ss";

struct ActionName
{
    ChangeLogEntry::Action action;
    const char *code;
};

// Stored in German like the rest of the table; the same words go through
// the dictionary when shown.
const ActionName ActionNames[] = {
    {ChangeLogEntry::Action::Start, "Beginn"},
    {ChangeLogEntry::Action::New, "Neu"},
    {ChangeLogEntry::Action::Changed, "Geändert"},
    {ChangeLogEntry::Action::Deleted, "Gelöscht"},
    {ChangeLogEntry::Action::PeriodClosed, "Abschluss"},
    {ChangeLogEntry::Action::PeriodReopened, "Wiedereröffnung"},
};

} // namespace

QList<DbfFieldDef> ChangeLogEntry::fieldDefinitions()
{
    QList<DbfFieldDef> fields = {
        {QStringLiteral("ZEIT"), DbfFieldType::Character, 19},
        {QStringLiteral("WER"), DbfFieldType::Character, 45},
        {QStringLiteral("RECHNER"), DbfFieldType::Character, 64},
        {QStringLiteral("AKTION"), DbfFieldType::Character, 20},
        {QStringLiteral("SATZ"), DbfFieldType::Character, 10},
    };
    for (int i = 1; i <= ChangeFieldCount; ++i)
        fields.append({QStringLiteral("AENDERUNG%1").arg(i), DbfFieldType::Character, ChangeFieldWidth});
    for (const char *name : {"VORHER", "NACHHER", "KETTE"})
        fields.append({QLatin1String(name), DbfFieldType::Character, DigestHexLength});
    return fields;
}

QString ChangeLogEntry::actionCode(Action action)
{
    for (const ActionName &name : ActionNames) {
        if (name.action == action)
            return QString::fromUtf8(name.code);
    }
    return {};
}

ChangeLogEntry::Action ChangeLogEntry::actionOf(const QString &code)
{
    for (const ActionName &name : ActionNames) {
        if (code == QString::fromUtf8(name.code))
            return name.action;
    }
    return Action::Unknown;
}

QString ChangeLogEntry::actionText(Action action)
{
    switch (action) {
    case Action::Start: return UiText(QStringLiteral("Protokollbeginn"));
    case Action::New: return UiText(QStringLiteral("Neu"));
    case Action::Changed: return UiText(QStringLiteral("Geändert"));
    case Action::Deleted: return UiText(QStringLiteral("Gelöscht"));
    case Action::PeriodClosed: return UiText(QStringLiteral("Zeitraum abgeschlossen"));
    case Action::PeriodReopened: return UiText(QStringLiteral("Zeitraum wieder geöffnet"));
    case Action::Unknown: break;
    }
    return UiText(QStringLiteral("Unbekannt"));
}

ChangeLogEntry ChangeLogEntry::fromRecord(const DbfRecord &record)
{
    ChangeLogEntry entry;
    entry.time = QDateTime::fromString(record.text(Zeit), QLatin1String(TimeFormat));
    entry.who = record.text(Wer);
    entry.host = record.text(Rechner);
    entry.action = actionOf(record.text(Aktion));
    entry.recordNumber = record.text(Satz).trimmed().toUInt();
    for (int i = 0; i < ChangeFieldCount; ++i) {
        // Each part keeps its trailing blanks but the last: a part ends
        // where its field is full.
        QString part = record.text(Aenderung1 + i);
        if (i + 1 < ChangeFieldCount && record.textLength(Aenderung1 + i + 1) > 0)
            part = part.leftJustified(ChangeFieldWidth, QLatin1Char(' '));
        entry.changes += part;
    }
    entry.before = record.text(Vorher).toLatin1();
    entry.after = record.text(Nachher).toLatin1();
    entry.chain = record.text(Kette).toLatin1();
    entry.deletedFlag = record.isDeleted();
    return entry;
}

void ChangeLogEntry::fillRecord(DbfRecord &record) const
{
    record.setText(Zeit, time.toString(QLatin1String(TimeFormat)));
    record.setText(Wer, who);
    record.setText(Rechner, host);
    record.setText(Aktion, actionCode(action));
    record.setText(Satz, QString::number(recordNumber));
    for (int i = 0; i < ChangeFieldCount; ++i)
        record.setText(Aenderung1 + i, changes.mid(i * ChangeFieldWidth, ChangeFieldWidth));
    record.setText(Vorher, QString::fromLatin1(before));
    record.setText(Nachher, QString::fromLatin1(after));
}

QByteArray ChangeLogEntry::chainedBytes(const DbfRecord &record)
{
    // Field KETTE is the last: everything between the deletion flag and it.
    const QByteArray &bytes = record.bytes();
    return bytes.mid(1, bytes.size() - 1 - DigestHexLength);
}

QByteArray ChangeLogEntry::chainHash(const QByteArray &previousHash, const DbfRecord &record)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(previousHash);
    hash.addData(chainedBytes(record));
    return hash.result().toHex();
}

QByteArray ChangeLogEntry::recordDigest(const QByteArray &recordBytes)
{
    return QCryptographicHash::hash(recordBytes, QCryptographicHash::Sha256).toHex();
}

namespace {

// Walks a stored change text: calls `separator` at each "; " and " -> "
// that is not escaped (with its length), and `character` for every other
// character, the escaped ones without their backslash.
template<typename Separator, typename Character>
void walkChanges(const QString &stored, Separator separator, Character character)
{
    const QString arrow = QLatin1String(ChangeLogEntry::StoredArrow);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored.at(i);
        if (c == QLatin1Char('\\') && i + 1 < stored.size()) {
            character(stored.at(++i), true);
        } else if (c == QLatin1Char(';') && i + 1 < stored.size() && stored.at(i + 1) == QLatin1Char(' ')) {
            separator(QLatin1Char(';'), i);
            ++i;
        } else if (QStringView(stored).mid(i).startsWith(arrow)) {
            separator(QLatin1Char('>'), i);
            i += arrow.size() - 1;
        } else {
            character(c, false);
        }
    }
}

} // namespace

QString ChangeLogEntry::shownChanges() const
{
    QString stored = changes;
    // A change to an empty text ends the stored text in " -> ", whose blank
    // the table drops like every trailing blank: put it back to find it.
    if (stored.endsWith(QLatin1String(StoredArrow).chopped(1)))
        stored += QLatin1Char(' ');
    QString shown;
    shown.reserve(stored.size());
    walkChanges(
        stored,
        [&](QChar kind, qsizetype) {
            shown += kind == QLatin1Char(';') ? QStringLiteral("; ") : QString::fromUtf8(ShownArrow);
        },
        [&](QChar c, bool escaped) {
            if (escaped)
                shown += QLatin1Char('\\');
            shown += c;
        });
    return shown;
}

QString ChangeLogEntry::escapedValue(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char('>'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

QString ChangeLogEntry::fieldChange(const QString &name, const QString &oldText, const QString &newText)
{
    return name + QStringLiteral(": ") + escapedValue(oldText) + QLatin1String(StoredArrow) + escapedValue(newText);
}

QList<ChangeLogEntry::FieldChange> ChangeLogEntry::parseChanges(const QString &stored)
{
    QString text = stored;
    if (text.endsWith(QLatin1String(StoredArrow).chopped(1)))
        text += QLatin1Char(' ');
    QList<FieldChange> items;
    FieldChange item;
    QString part;    // the name and the old text, up to the arrow
    bool afterArrow = false;
    auto finish = [&] {
        if (afterArrow) {
            const qsizetype colon = part.indexOf(QStringLiteral(": "));
            if (colon > 0) {
                item.field = part.left(colon);
                item.oldText = part.mid(colon + 2);
                items.append(item);
            }
        }
        item = FieldChange();
        part.clear();
        afterArrow = false;
    };
    walkChanges(
        text,
        [&](QChar kind, qsizetype) {
            if (kind == QLatin1Char(';'))
                finish();
            else if (!afterArrow)
                afterArrow = true;
            else
                item.newText += QLatin1String(StoredArrow); // an old, unescaped value
        },
        [&](QChar c, bool) { (afterArrow ? item.newText : part) += c; });
    finish();
    return items;
}
