#include "ChangeLogHistory.h"

#include <QDir>
#include <QFileInfo>

#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "translation/UiText.h"

namespace {

class NoClock final : public Clock
{
public:
    QDateTime now() const override { return {}; }
};

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
    DbfRecord record = log.newRecord();
    bool afterFound = filter.afterHash.isEmpty();
    for (quint32 number = 1; number <= log.recordCount(); ++number) {
        if (!log.readRecord(number, record)) {
            m_errorString = log.errorString();
            return false;
        }
        const ChangeLogEntry entry = ChangeLogEntry::fromRecord(record);
        if (!afterFound) {
            afterFound = entry.chain == filter.afterHash;
            continue;
        }
        if (filter.matches(entry))
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
            ChangeLogEntry::actionText(entry.action), QString::number(entry.recordNumber), entry.shownChanges(),
            QString::fromLatin1(entry.chain)};
}
