#include "ServerStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

#include "ServerAccountTable.h"
#include "ServerHistory.h"
#include "ServerSchema.h"
#include "ServerTransfer.h"
#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "translation/UiText.h"

ServerStore::ServerStore(const ServerConnection::Settings &settings, const Clock &clock)
    : m_clock(clock)
    , m_connection(settings)
    , m_table(m_connection, clock)
    , m_closedPeriod([] { return QString(); })
    , m_accountJournal(m_connection, clock)
{
    ClosedPeriod::Bytes closing;
    closing.load = [this](bool &readFailed) { return readClosing(readFailed); };
    closing.save = [this](const QByteArray &bytes, QString &error) {
        if (!m_pendingClosing || (!m_table.isOpen() && !openForReading())
            || !m_table.writeClosing(m_pendingClosing->before, m_pendingClosing->after, bytes)) {
            error = m_table.errorString().isEmpty() ? m_error : m_table.errorString();
            return false;
        }
        return true;
    };
    closing.name = location() + QStringLiteral(" (abschluss)");
    closing.readError = [this] { return m_error; }; // set by the failed readRow()
    m_closedPeriod.setBytes(std::move(closing));
    // Read with the row, in the same statement (see readClosing()).
    m_closedPeriod.setRecordedClosing([this] { return m_recordedClosing; });
}

ServerStore::~ServerStore()
{
    close();
}

bool ServerStore::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

bool ServerStore::connect()
{
    return m_connection.open() || fail(m_connection.errorString());
}

const char *ServerStore::tableOf(SmallFile file)
{
    switch (file) {
    case SmallFile::Users: return "benutzer";
    case SmallFile::Options: return "optionen";
    }
    return "";
}

const char *ServerStore::fileNameOf(SmallFile file)
{
    switch (file) {
    case SmallFile::Users: return "benutzer.dat";
    case SmallFile::Options: return "options.dat";
    }
    return "";
}

bool ServerStore::initialize(const QList<DbfFieldDef> &fields, const QString &workingRole)
{
    if (!connect())
        return false;
    QString error;
    const QByteArray header = DbfTable::headerBytes(fields, m_clock.now().date());
    return ServerSchema::create(m_connection, header, workingRole, &error) || fail(error);
}

bool ServerStore::open()
{
    if (!connect())
        return false;
    QString error;
    const int version = ServerSchema::version(m_connection, &error);
    if (version < 0)
        return fail(error);
    // An older schema is upgraded where the owner opens it. The PCs' role
    // may not: it works on, and only what needs the new tables waits for
    // "init" (the account's changes say so).
    if (version > 0 && version < ServerSchema::Version)
        ServerSchema::create(m_connection, {}, {}, &error);
    // Only the owner role may create the tables: "init".
    if (version == 0 || version > ServerSchema::Version)
        return fail(UiText(QStringLiteral("Auf dem Server %1 gibt es noch keine Tabellen von Tagwerk: richten Sie sie mit "
                                          "\"tagwerk-cli --server … init\" ein."))
                        .arg(location()));
    if (!m_table.open() || !m_table.startHistory())
        return fail(m_table.errorString());
    return true;
}

bool ServerStore::openForReading()
{
    if (!connect())
        return false;
    return m_table.open() || fail(m_table.errorString());
}

void ServerStore::close()
{
    m_table.close();
    m_connection.close();
}

WorkTimeStore::Appended ServerStore::appendBooking(DbfRecord &record, const std::optional<Span> &span, bool storeIfClash)
{
    const Appended appended = m_table.appendChecked(record, span, storeIfClash, true);
    m_error = appended.error;
    return appended;
}

std::optional<QByteArray> ServerStore::readRow(const char *table, bool &readFailed)
{
    readFailed = false;
    if (!connect()) {
        readFailed = true;
        return std::nullopt;
    }
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, QStringLiteral("SELECT inhalt FROM %1").arg(QLatin1String(table)))) {
        readFailed = true;
        fail(m_connection.errorString());
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

// The closing row and the history's last closing, at one moment: the
// history is the authority, as in the folder.
std::optional<QByteArray> ServerStore::readClosing(bool &readFailed)
{
    readFailed = false;
    m_recordedClosing = {};
    if (!connect()) {
        readFailed = true;
        return std::nullopt;
    }
    QSqlQuery query(m_connection.database());
    const QString sql = QStringLiteral("SELECT (SELECT inhalt FROM abschluss), EXISTS (SELECT 1 FROM protokoll), %1")
                            .arg(ServerHistory::lastClosingQuery());
    if (!m_connection.exec(query, sql) || !query.next()) {
        readFailed = true;
        fail(m_connection.errorString());
        return std::nullopt;
    }
    m_recordedClosing = ServerHistory::recordedClosing(query.value(1).toBool(), query.value(2));
    if (query.isNull(0))
        return std::nullopt;
    return query.value(0).toByteArray();
}

std::optional<QByteArray> ServerStore::readSmallFile(SmallFile file, bool &readFailed)
{
    return readRow(tableOf(file), readFailed);
}

bool ServerStore::writeSmallFile(SmallFile file, const QByteArray &bytes)
{
    if (!connect())
        return false;
    const QString sql = QStringLiteral("INSERT INTO %1 (eine, inhalt) VALUES (true, %2) ON CONFLICT (eine) DO UPDATE "
                                       "SET inhalt = EXCLUDED.inhalt");
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, sql.arg(QLatin1String(tableOf(file)), ServerConnection::literal(bytes))))
        return fail(UiText(QStringLiteral("\"%1\" wurde auf dem Server nicht gespeichert: %2"))
                        .arg(QLatin1String(fileNameOf(file)), m_connection.errorString()));
    return true;
}

// The account's tables on this server, each change entered in its history
// in the transaction that makes it.
void ServerStore::placeAccount(AccountTables &tables)
{
    tables.setPlace([this](const char *fileName) -> std::unique_ptr<AccountTables::Table> {
        return std::make_unique<ServerAccountTable>(m_connection, m_clock, QLatin1String(fileName));
    });
    tables.setJournal(&m_accountJournal);
}

// The closing's history entry and its row are written in one statement:
// closeUntil() tells the dates first (nothing is entered apart), then hands
// over the bytes, which go out with the entry.
ClosedPeriod::Change ServerStore::closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                              const UserListData &users, QDate today)
{
    const auto remember = [this](const ClosedPeriod::State &before, std::optional<QDate> after) {
        // The way back after a failed write is not told: nothing was stored.
        if (!m_pendingClosing) {
            // A row that disagrees with the history: the entry starts from
            // the history's date, as the folder's does.
            const QDate old = before.kind == ClosedPeriod::State::Closed ? before.until
                : before.kind == ClosedPeriod::State::Unknown            ? m_recordedClosing.until
                                                                         : QDate();
            m_pendingClosing = PendingClosing{old, after.value_or(QDate())};
        }
        return QString();
    };
    m_pendingClosing.reset();
    const ClosedPeriod::Change change = m_closedPeriod.closeUntil(until, adminPassword, users, today, remember);
    m_pendingClosing.reset();
    return change;
}

bool ServerStore::exportTo(const QString &directory)
{
    if (!m_table.isOpen() && !openForReading())
        return false;
    QString error;
    return ServerTransfer::exportTo(m_connection, m_table, m_clock, directory, &error) || fail(error);
}

bool ServerStore::exportHistoryTo(const QString &directory)
{
    if (!m_table.isOpen() && !openForReading())
        return false;
    QString error;
    return ServerTransfer::exportTo(m_connection, m_table, m_clock, directory, &error, ServerTransfer::Records::None)
        || fail(error);
}

bool ServerStore::importFrom(const QString &directory)
{
    if (!connect())
        return false;
    // A folder without a history gets its start in the import's
    // transaction, as the folder would at its first run: records without
    // a history are never seen. With the start come the account's tables
    // as they were imported, as the folder's history enters them when it
    // begins.
    const bool hadHistory = QFileInfo::exists(QDir(directory).filePath(QLatin1String(ChangeLogEntry::FileName)));
    const auto startHistory = [this, hadHistory](QString *error) {
        if (!m_table.open() || !m_table.startHistory()) {
            *error = m_table.errorString();
            return false;
        }
        return hadHistory || m_accountJournal.pinTablesWithin(*error);
    };
    QString error;
    if (!ServerTransfer::importFrom(m_connection, m_clock, directory, &error, startHistory)) {
        m_table.close();
        return fail(error);
    }
    // Statistics at once, not when autovacuum comes by: without them the
    // server sorts a whole-table scan instead of reading it by its key.
    QSqlQuery analyse(m_connection.database());
    m_connection.exec(analyse, QStringLiteral("ANALYZE arbeitszeit, protokoll"));
    return open();
}

QByteArray ServerStore::historyChecksum()
{
    if (!connect())
        return {};
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, QStringLiteral("SELECT kette FROM protokoll ORDER BY nr DESC LIMIT 1")) || !query.next())
        return {};
    return query.value(0).toString().toLatin1();
}
