#include "ServerAccountJournal.h"

#include <QSqlQuery>
#include <QSysInfo>

#include "ServerAccountTable.h"
#include "ServerConnection.h"
#include "ServerHistory.h"
#include "ServerSchema.h"
#include "base/Clock.h"
#include "recording/ChangeLog.h"
#include "translation/UiText.h"

namespace {

// Distinct from the lock that "init" takes.
constexpr qint64 AccountLock = 1952540536;
const char *const UniqueViolation = "23505";

} // namespace

ServerAccountJournal::ServerAccountJournal(ServerConnection &connection, const Clock &clock)
    : m_connection(connection)
    , m_clock(clock)
    , m_host(QSysInfo::machineHostName())
{
}

bool ServerAccountJournal::run(const QString &sql)
{
    QSqlQuery query(m_connection.database());
    return m_connection.exec(query, sql);
}

bool ServerAccountJournal::accountChangeBegins(QString &refusal)
{
    if (m_depth > 0) {
        ++m_depth;
        return true;
    }
    if (!m_connection.open()) {
        refusal = m_connection.errorString();
        return false;
    }
    QString error;
    if (ServerSchema::version(m_connection, &error) < ServerSchema::Version) {
        refusal = error.isEmpty() ? ServerSchema::upgradeNeeded(m_connection) : error;
        return false;
    }
    QSqlQuery query(m_connection.database());
    if (!run(QStringLiteral("BEGIN"))
        || !m_connection.exec(query, QStringLiteral("SELECT pg_advisory_xact_lock(%1), (SELECT nr FROM protokoll ORDER "
                                                    "BY nr DESC LIMIT 1), (SELECT kette FROM protokoll ORDER BY nr DESC "
                                                    "LIMIT 1)")
                                         .arg(AccountLock))
        || !query.next()) {
        refusal = m_connection.errorString();
        run(QStringLiteral("ROLLBACK"));
        return false;
    }
    m_lastEntry = query.value(1).toLongLong();
    m_lastHash = query.value(2).toString().toLatin1();
    m_failed = false;
    m_overtaken = false;
    m_depth = 1;
    return true;
}

bool ServerAccountJournal::accountChangeEnds(QString &error)
{
    if (m_depth == 0 || --m_depth > 0)
        return true;
    if (m_failed) {
        run(QStringLiteral("ROLLBACK"));
        return true; // the failure was told where it happened
    }
    if (run(QStringLiteral("COMMIT")))
        return true;
    error = m_connection.errorString();
    run(QStringLiteral("ROLLBACK"));
    return false;
}

bool ServerAccountJournal::accountTableChanging(const AccountTables::TableChange &change, QString &refusal)
{
    ChangeLogEntry entry = ChangeLog::accountEntry(change);
    return enter(entry, refusal);
}

bool ServerAccountJournal::pinTables(QString &error)
{
    if (!accountChangeBegins(error))
        return false;
    const bool pinned = pinEntries(error);
    QString ended;
    if (!accountChangeEnds(ended) && pinned) {
        error = ended;
        return false;
    }
    return pinned;
}

bool ServerAccountJournal::pinTablesWithin(QString &error)
{
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, QStringLiteral("SELECT nr, kette FROM protokoll ORDER BY nr DESC LIMIT 1"))
        || !query.next()) {
        error = m_connection.errorString();
        return false;
    }
    m_lastEntry = query.value(0).toLongLong();
    m_lastHash = query.value(1).toString().toLatin1();
    m_failed = false;
    return pinEntries(error);
}

bool ServerAccountJournal::pinEntries(QString &error)
{
    for (const char *fileName : {AccountTables::TargetFileName, AccountTables::AbsenceFileName,
                                 AccountTables::FirmDayFileName, AccountTables::StateFileName}) {
        ServerAccountTable table(m_connection, m_clock, QLatin1String(fileName));
        bool exists = false;
        QList<QByteArray> live;
        DbfRecord record;
        bool read = table.openToRead(exists);
        for (int row = 0; read && row < table.rowCount(); ++row) {
            read = table.readRow(row, record);
            live.append(record.bytes());
        }
        if (!read) {
            error = table.errorString();
            m_failed = true;
            return false;
        }
        if (live.isEmpty())
            continue;
        ChangeLogEntry entry =
            ChangeLog::pinEntry(ChangeLogEntry::accountAction(QLatin1String(fileName)),
                                ChangeLogEntry::tableDigest(table.fields(), table.languageDriver(), live),
                                int(live.size()), QString());
        if (!enter(entry, error))
            return false;
    }
    return true;
}

bool ServerAccountJournal::enter(ChangeLogEntry &entry, QString &refusal)
{
    entry.host = m_host;
    const DbfRecord record = ServerHistory::chainedRecord(entry, m_lastHash, m_clock.now());
    QSqlQuery query(m_connection.database());
    if (entry.action != ChangeLogEntry::Action::Unknown
        && m_connection.exec(query, QStringLiteral("INSERT INTO protokoll (nr, %1) VALUES %2")
                                        .arg(QLatin1String(ServerHistory::Columns),
                                             ServerHistory::valuesOf(m_lastEntry + 1, record)))) {
        ++m_lastEntry;
        m_lastHash = entry.chain;
        return true;
    }
    m_failed = true;
    m_overtaken = m_connection.lastErrorCode() == QLatin1String(UniqueViolation);
    const QString why = m_overtaken
        ? UiText(QStringLiteral("Ein anderer Rechner hat zugleich gespeichert. Bitte versuchen Sie es noch einmal."))
        : m_connection.errorString();
    refusal = UiText(QStringLiteral("Die Änderung wurde nicht gespeichert, weil sie nicht ins Änderungsprotokoll "
                                    "eingetragen werden kann: %1"))
                  .arg(why);
    return false;
}
