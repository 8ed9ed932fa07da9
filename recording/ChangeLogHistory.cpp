#include "ChangeLogHistory.h"

#include <QDir>
#include <QFileInfo>

#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"
#include "translation/UiText.h"

namespace {

class NoClock final : public Clock
{
public:
    QDateTime now() const override { return {}; }
};

using Headings = QList<QPair<QString, QString>>;

// Stored field name (as the table in `directory` names it, in whatever
// language created it) and the heading the grids show for its position.
Headings fieldHeadings(const QString &directory)
{
    Headings headings{{QStringLiteral("CLOSED_UNTIL"), UiText(QStringLiteral("Abgeschlossen bis"))}};
    NoClock clock;
    DbfTable table(clock);
    if (!table.open(directory + QLatin1String(WorkTimeTables::TableFileName), DbfTable::OpenMode::ReadOnly))
        return headings;
    const auto programText = [](int n) { return UiText(ProgramTexts::german(n)); };
    for (int pos = 0; pos < table.fieldCount(); ++pos) {
        const QString heading = WorkTimeTables::heading(pos, programText);
        if (!heading.isEmpty())
            headings.append({table.fields().at(pos).name, heading});
    }
    return headings;
}

// Each "NAME: " that begins the changes or follows "; " gets its heading.
QString withHeadings(const QString &changes, const Headings &headings)
{
    QString out;
    qsizetype from = 0;
    while (from <= changes.size()) {
        qsizetype next = changes.indexOf(QLatin1String("; "), from);
        if (next < 0)
            next = changes.size();
        QString part = changes.mid(from, next - from);
        for (const auto &[name, heading] : headings) {
            if (part.startsWith(name + QLatin1String(": "))) {
                part.replace(0, name.size(), heading);
                break;
            }
        }
        out += part;
        if (next < changes.size())
            out += QLatin1String("; ");
        from = next + 2;
    }
    return out;
}

} // namespace

bool ChangeLogHistory::Filter::matches(const ChangeLogEntry &entry) const
{
    if (!employee.isEmpty() && entry.who != employee)
        return false;
    const QDate date = entry.time.date();
    if (from.isValid() && (!date.isValid() || date < from))
        return false;
    if (to.isValid() && (!date.isValid() || date > to))
        return false;
    return !recordNumber || entry.recordNumber == *recordNumber;
}

ChangeLogHistory::ChangeLogHistory(const QString &directory)
    : m_directory(directory)
{
}

bool ChangeLogHistory::read(const Filter &filter, const std::function<void(const ChangeLogEntry &)> &sink)
{
    const QString path = m_directory + QLatin1String(ChangeLogEntry::FileName);
    if (!QFileInfo::exists(path))
        return true;
    // Checked before anything is read: a log of another layout would be
    // read wrongly or look empty.
    const QString problem = ChangeLogEntry::layoutProblemOf(path, false);
    if (!problem.isEmpty()) {
        m_errorString = UiText(QStringLiteral("Das Änderungsprotokoll \"%1\" ist beschädigt: %2"))
                            .arg(QDir::toNativeSeparators(path), problem);
        return false;
    }
    NoClock clock;
    DbfTable log(clock);
    if (!log.open(path, DbfTable::OpenMode::ReadOnly)) {
        m_errorString = log.errorString();
        return false;
    }
    const Headings headings = fieldHeadings(m_directory);
    DbfRecord record = log.newRecord();
    bool afterFound = filter.afterHash.isEmpty();
    for (quint32 number = 1; number <= log.recordCount(); ++number) {
        if (!log.readRecord(number, record)) {
            m_errorString = log.errorString();
            return false;
        }
        ChangeLogEntry entry = ChangeLogEntry::fromRecord(record);
        if (!afterFound) {
            afterFound = entry.chain == filter.afterHash;
            continue;
        }
        if (!filter.matches(entry))
            continue;
        // An account table's fields keep their stored names, as its
        // layout in the README names them.
        if (!ChangeLogEntry::isAccountChange(entry.action))
            entry.headedChanges = withHeadings(entry.shownChanges(), headings);
        sink(entry);
    }
    if (!afterFound) {
        m_hashNotFound = true;
        m_errorString = UiText(QStringLiteral("Kein Eintrag des Änderungsprotokolls hat die Prüfsumme %1."))
                            .arg(QString::fromLatin1(filter.afterHash));
        return false;
    }
    return true;
}

QStringList ChangeLogHistory::germanColumnTitles()
{
    return {QStringLiteral("Zeitpunkt"), QStringLiteral("Wer"),       QStringLiteral("Computer"),
            QStringLiteral("Aktion"),    QStringLiteral("Datensatz"), QStringLiteral("Änderungen"),
            QStringLiteral("Prüfsumme")};
}

QStringList ChangeLogHistory::columnTitles()
{
    QStringList titles = germanColumnTitles();
    for (QString &title : titles)
        title = UiText(title);
    return titles;
}

QStringList ChangeLogHistory::columns(const ChangeLogEntry &entry)
{
    return {entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), entry.who, entry.host,
            ChangeLogEntry::actionText(entry.action), QString::number(entry.recordNumber),
            entry.headedChanges.isEmpty() ? entry.shownChanges() : entry.headedChanges, QString::fromLatin1(entry.chain)};
}
