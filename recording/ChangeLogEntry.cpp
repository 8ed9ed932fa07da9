#include "ChangeLogEntry.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "storage/AccountTables.h"
#include "storage/DateTimeText.h"
#include "storage/DbfFormat.h"
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
    {ChangeLogEntry::Action::Cancelled, "Abgebrochen"},
    {ChangeLogEntry::Action::Restart, "Neubeginn"},
    {ChangeLogEntry::Action::TargetTable, "Sollzeit"},
    {ChangeLogEntry::Action::AbsenceTable, "Abwesenheit"},
    {ChangeLogEntry::Action::FirmDayTable, "Feiertag"},
    {ChangeLogEntry::Action::StateTable, "Bundesland"},
};

struct AccountTableName
{
    ChangeLogEntry::Action action;
    const char *fileName;
};

const AccountTableName AccountTableNames[] = {
    {ChangeLogEntry::Action::TargetTable, AccountTables::TargetFileName},
    {ChangeLogEntry::Action::AbsenceTable, AccountTables::AbsenceFileName},
    {ChangeLogEntry::Action::FirmDayTable, AccountTables::FirmDayFileName},
    {ChangeLogEntry::Action::StateTable, AccountTables::StateFileName},
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

int ChangeLogEntry::headerLength()
{
    return DbfFormat::HeaderSize + DbfFormat::DescriptorSize * FieldCount + 1;
}

int ChangeLogEntry::recordLength()
{
    int length = 1;
    for (const DbfFieldDef &field : fieldDefinitions())
        length += field.width;
    return length;
}

QString ChangeLogEntry::layoutProblem(const QByteArray &header, qint64 fileLength)
{
    using namespace DbfFormat;
    if (header.size() < headerLength() || fileLength < headerLength())
        return UiText(QStringLiteral("Der Dateikopf ist unvollständig."));
    const char *bytes = header.constData();
    if (uchar(bytes[VersionOffset]) != VersionDbase || uchar(bytes[LanguageDriverOffset]) != AnsiLanguageDriver
        || qFromLittleEndian<quint16>(bytes + HeaderLengthOffset) != headerLength()
        || bytes[headerLength() - 1] != HeaderTerminator)
        return UiText(QStringLiteral("Der Dateikopf ist nicht der eines Änderungsprotokolls."));
    if (qFromLittleEndian<quint16>(bytes + RecordLengthOffset) != recordLength())
        return UiText(QStringLiteral("Die Satzlänge ist nicht die eines Änderungsprotokolls."));
    const QList<DbfFieldDef> fields = fieldDefinitions();
    for (int i = 0; i < fields.size(); ++i) {
        const char *descriptor = bytes + HeaderSize + i * DescriptorSize;
        QByteArray name = fields.at(i).name.toLatin1();
        name.resize(DescriptorNameSize, '\0');
        if (QByteArray(descriptor, DescriptorNameSize) != name || descriptor[DescriptorTypeOffset] != 'C'
            || uchar(descriptor[DescriptorWidthOffset]) != fields.at(i).width || descriptor[DescriptorDecimalsOffset] != 0)
            return UiText(QStringLiteral("Die Felder sind nicht die eines Änderungsprotokolls."));
    }
    return {};
}

QString ChangeLogEntry::countProblem(const QByteArray &header, qint64 fileLength)
{
    using namespace DbfFormat;
    if (header.size() < headerLength() || fileLength < headerLength())
        return UiText(QStringLiteral("Der Dateikopf ist unvollständig."));
    const char *bytes = header.constData();
    // The length tells the entries; what follows the last is at most the
    // end mark. The header's count may lag one behind: an append writes the
    // entry first and the count after it.
    const qint64 body = fileLength - headerLength();
    const qint64 entries = body / recordLength();
    const qint64 rest = body % recordLength();
    const quint32 stored = qFromLittleEndian<quint32>(bytes + RecordCountOffset);
    if (rest > 1 || (stored != entries && stored + 1 != entries))
        return UiText(QStringLiteral("Die Zahl der Einträge im Dateikopf passt nicht zur Länge der Datei."));
    return {};
}

QString ChangeLogEntry::layoutProblemOf(const QString &path, bool withCount)
{
    // Anything but a plain file (a pipe would block the open) is no log.
    if (!QFileInfo(path).isFile())
        return UiText(QStringLiteral("Die Datei ist keine gewöhnliche Datei."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.size() >= headerLength()) {
        const QByteArray header = file.read(headerLength());
        QString problem = layoutProblem(header, file.size());
        if (!withCount || !problem.isEmpty())
            return problem;
        problem = countProblem(header, file.size());
        if (problem.isEmpty() && (file.size() - headerLength()) % recordLength() == 1) {
            file.seek(file.size() - 1);
            if (file.read(1) != QByteArray(1, DbfFormat::EndOfFile))
                problem = UiText(QStringLiteral("Nach dem letzten Eintrag folgen fremde Bytes."));
        }
        return problem;
    }
    return layoutProblem({}, 0);
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
    case Action::Cancelled: return UiText(QStringLiteral("Änderung nicht ausgeführt"));
    case Action::Restart: return UiText(QStringLiteral("Protokoll neu begonnen"));
    case Action::TargetTable: return UiText(QStringLiteral("Sollzeit geändert"));
    case Action::AbsenceTable: return UiText(QStringLiteral("Abwesenheit geändert"));
    case Action::FirmDayTable: return UiText(QStringLiteral("Tag der Firma geändert"));
    case Action::StateTable: return UiText(QStringLiteral("Bundesland geändert"));
    case Action::Unknown: break;
    }
    return UiText(QStringLiteral("Unbekannt"));
}

QString ChangeLogEntry::accountFileName(Action action)
{
    for (const AccountTableName &name : AccountTableNames) {
        if (name.action == action)
            return QLatin1String(name.fileName);
    }
    return {};
}

ChangeLogEntry::Action ChangeLogEntry::accountAction(const QString &fileName)
{
    for (const AccountTableName &name : AccountTableNames) {
        if (fileName == QLatin1String(name.fileName))
            return name.action;
    }
    return Action::Unknown;
}

QByteArray ChangeLogEntry::tableDigest(const QList<DbfField> &fields, unsigned char languageDriver,
                                       const QList<QByteArray> &liveRecords)
{
    if (liveRecords.isEmpty())
        return {};
    // The layout decides what each record's bytes mean: a field renamed or
    // moved by another tool changes the content even where no byte of a
    // record changed.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray(1, char(languageDriver)));
    for (const DbfField &field : fields) {
        hash.addData(field.name.toLatin1());
        const char described[] = {'\0', char(field.type), char(field.width)};
        hash.addData(QByteArrayView(described, sizeof described));
    }
    for (const QByteArray &record : liveRecords)
        hash.addData(record);
    return hash.result().toHex();
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

QDate ChangeLogEntry::closedUntil() const
{
    // The blank after the arrow is dropped with the field's trailing blanks
    // when nothing is closed.
    const QString arrow = QLatin1String(StoredArrow).chopped(1);
    const qsizetype at = changes.lastIndexOf(arrow);
    if (at < 0)
        return {};
    return DateTimeText::parseDate(changes.mid(at + arrow.size()).trimmed()).value_or(QDate());
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

ChangeLogEntry ChangeLogEntry::forChange(const QList<DbfField> &fields, const DbfRecord *before, const DbfRecord *after)
{
    ChangeLogEntry entry;
    if (!before) {
        entry.action = Action::New;
        entry.recordNumber = after->recordNumber();
        entry.after = recordDigest(after->bytes());
    } else if (!after) {
        entry.action = Action::Deleted;
        entry.recordNumber = before->recordNumber();
        entry.before = recordDigest(before->bytes());
        QByteArray deleted = before->bytes();
        deleted[0] = DbfFormat::DeletedFlag;
        entry.after = recordDigest(deleted);
    } else {
        entry.action = Action::Changed;
        entry.recordNumber = after->recordNumber();
        entry.before = recordDigest(before->bytes());
        entry.after = recordDigest(after->bytes());
    }
    QStringList parts;
    for (int pos = 0; pos < fields.size(); ++pos) {
        const QString oldText = before ? before->text(pos) : QString();
        const QString newText = after ? after->text(pos) : QString();
        if (oldText != newText)
            parts.append(fieldChange(fields.at(pos).name, oldText, newText));
    }
    entry.changes = parts.join(QStringLiteral("; "));
    return entry;
}
