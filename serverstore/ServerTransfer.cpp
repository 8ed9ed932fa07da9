#include "ServerTransfer.h"

#include <iterator>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include "ServerConnection.h"
#include "ServerHistory.h"
#include "ServerSchema.h"
#include "ServerTable.h"
#include "base/Clock.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogEntry.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"

namespace {

// Rows per INSERT of an import: few round trips, statements of a few
// hundred kilobytes.
constexpr int RowsPerInsert = 1000;

bool failed(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// A header with the record count and the date of the last update set.
QByteArray stampedHeader(QByteArray header, quint32 count, QDate today)
{
    char *bytes = header.data();
    bytes[DbfFormat::UpdateYearOffset] = char(uchar(today.year() - 1900));
    bytes[DbfFormat::UpdateMonthOffset] = char(uchar(today.month()));
    bytes[DbfFormat::UpdateDayOffset] = char(uchar(today.day()));
    qToLittleEndian<quint32>(count, bytes + DbfFormat::RecordCountOffset);
    return header;
}

QString cannotWrite(const QSaveFile &file)
{
    return UiText(QStringLiteral("\"%1\" kann nicht geschrieben werden: %2"))
        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
}

// The query's rows, read forward only, go to `file` as records after the
// header; a record number the server lacks is written as a blank deleted
// record, so that every record keeps its number.
bool writeWorkTime(ServerConnection &connection, ServerTable &table, QSaveFile &file, QString *error)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT satz, geloescht, %1 FROM arbeitszeit ORDER BY satz")
                            .arg(QLatin1String(ServerTable::Columns));
    if (!connection.exec(query, sql))
        return failed(error, connection.errorString());
    DbfRecord record = table.newRecord();
    quint32 expected = 1;
    while (query.next()) {
        table.readInto(query, 0, record);
        for (; expected < record.recordNumber(); ++expected) {
            DbfRecord missing = table.newRecord();
            missing.setDeleted(true);
            file.write(missing.bytes());
        }
        if (file.write(record.bytes()) != record.bytes().size())
            return failed(error, cannotWrite(file));
        expected = record.recordNumber() + 1;
    }
    if (query.lastError().isValid())
        return failed(error, query.lastError().text());
    return true;
}

bool writeHistory(ServerConnection &connection, QSaveFile &file, QString *error)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!connection.exec(query, QStringLiteral("SELECT %1 FROM protokoll ORDER BY nr").arg(QLatin1String(ServerHistory::Columns))))
        return failed(error, connection.errorString());
    DbfRecord record(ServerHistory::layout());
    while (query.next()) {
        ServerHistory::readInto(query, 0, record);
        if (file.write(record.bytes()) != record.bytes().size())
            return failed(error, cannotWrite(file));
    }
    if (query.lastError().isValid())
        return failed(error, query.lastError().text());
    return true;
}

// Each account table the server holds, as its file: a table never written
// stays missing, as in the folder.
bool writeAccountTables(ServerConnection &connection, const QString &directory, QDate today, QString *error)
{
    for (const char *name : ServerSchema::AccountTables) {
        QSqlQuery query(connection.database());
        if (!connection.exec(query, QStringLiteral("SELECT kopf FROM tabellenkopf WHERE tabelle = '%1'").arg(QLatin1String(name))))
            return failed(error, connection.errorString());
        if (!query.next())
            continue;
        const QByteArray header = query.value(0).toByteArray();
        query.setForwardOnly(true);
        if (!connection.exec(query, QStringLiteral("SELECT inhalt FROM %1 ORDER BY satz").arg(QLatin1String(name))))
            return failed(error, connection.errorString());
        QByteArray records;
        quint32 count = 0;
        for (; query.next(); ++count)
            records += query.value(0).toByteArray();
        QSaveFile file(directory + QLatin1String(name) + QStringLiteral(".dbf"));
        const QByteArray bytes = stampedHeader(header, count, today) + records + DbfFormat::EndOfFile;
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return failed(error, cannotWrite(file));
    }
    return true;
}

bool exportInSnapshot(ServerConnection &connection, ServerTable &table, const Clock &clock, const QString &directory,
                      QString *error, ServerTransfer::Records withRecords)
{
    QSqlQuery query(connection.database());
    if (!connection.exec(query, QStringLiteral("SELECT (SELECT coalesce(max(satz), 0) FROM arbeitszeit), "
                                               "(SELECT count(*) FROM protokoll)"))
        || !query.next())
        return failed(error, connection.errorString());
    const quint32 records = withRecords == ServerTransfer::Records::All ? query.value(0).toUInt() : 0;
    const quint32 entries = query.value(1).toUInt();
    const QDate today = clock.now().date();

    QSaveFile workTime(directory + QLatin1String(WorkTimeTables::TableFileName));
    if (!workTime.open(QIODevice::WriteOnly))
        return failed(error, cannotWrite(workTime));
    workTime.write(stampedHeader(table.header(), records, today));
    if (records > 0 && !writeWorkTime(connection, table, workTime, error))
        return false;
    workTime.write(QByteArray(1, DbfFormat::EndOfFile));

    if (entries > 0) {
        QSaveFile history(directory + QLatin1String(ChangeLogEntry::FileName));
        if (!history.open(QIODevice::WriteOnly))
            return failed(error, cannotWrite(history));
        history.write(stampedHeader(DbfTable::headerBytes(ChangeLogEntry::fieldDefinitions(), today), entries, today));
        if (!writeHistory(connection, history, error))
            return false;
        history.write(QByteArray(1, DbfFormat::EndOfFile));
        if (!history.commit())
            return failed(error, cannotWrite(history));
    }
    for (const ServerSchema::FileTable &small : ServerSchema::FileTables) {
        if (!connection.exec(query, QStringLiteral("SELECT inhalt FROM %1").arg(QLatin1String(small.table))))
            return failed(error, connection.errorString());
        if (!query.next())
            continue;
        QSaveFile file(directory + QLatin1String(small.fileName));
        const QByteArray bytes = query.value(0).toByteArray();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return failed(error, cannotWrite(file));
    }
    if (!writeAccountTables(connection, directory, today, error))
        return false;
    // The table last: a directory with a table is a whole export.
    if (!workTime.commit())
        return failed(error, cannotWrite(workTime));
    return true;
}

} // namespace

bool ServerTransfer::exportTo(ServerConnection &connection, ServerTable &table, const Clock &clock,
                              const QString &directory, QString *error, Records records)
{
    const QString path = QDir(directory).absolutePath() + QLatin1Char('/');
    for (const char *name : {WorkTimeTables::TableFileName, ChangeLogEntry::FileName}) {
        if (QFileInfo::exists(path + QLatin1String(name)))
            return failed(error, UiText(QStringLiteral("Im Verzeichnis \"%1\" gibt es schon \"%2\"; die Ausgabe schreibt "
                                                       "nichts darüber. Wählen Sie ein leeres Verzeichnis."))
                                     .arg(QDir::toNativeSeparators(directory), QLatin1String(name)));
    }
    if (!QDir().mkpath(path))
        return failed(error, UiText(QStringLiteral("Das Verzeichnis \"%1\" kann nicht angelegt werden."))
                                 .arg(QDir::toNativeSeparators(directory)));
    if (!connection.open())
        return failed(error, connection.errorString());
    // One snapshot: the table, the history and the small files as they
    // were at one moment, while others go on writing.
    QSqlQuery begin(connection.database());
    if (!connection.exec(begin, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")))
        return failed(error, connection.errorString());
    const bool written = exportInSnapshot(connection, table, clock, path, error, records);
    QSqlQuery end(connection.database());
    end.exec(QStringLiteral("ROLLBACK"));
    return written;
}

namespace {

// The folder's files, read whole before the server is touched.
struct Folder
{
    QByteArray header;
    quint32 recordCount = 0;
    std::optional<QByteArray> small[std::size(ServerSchema::FileTables)];
    // Each account table there is: its header and its records' bytes.
    struct AccountTable
    {
        const char *name = nullptr;
        QByteArray header;
        QList<QByteArray> records;
    };
    QList<AccountTable> account;
};

// The account's tables of the folder, read whole; a missing one is left out.
bool readAccountTables(const Clock &clock, const QString &path, Folder &folder, QString *error)
{
    for (const char *name : ServerSchema::AccountTables) {
        const QString fileName = path + QLatin1String(name) + QStringLiteral(".dbf");
        if (!QFileInfo::exists(fileName))
            continue;
        DbfTable table(clock);
        QFile file(fileName);
        if (!table.open(fileName, DbfTable::OpenMode::ReadOnly))
            return failed(error, table.errorString());
        if (!file.open(QIODevice::ReadOnly))
            return failed(error, file.errorString());
        Folder::AccountTable account{name, file.read(DbfFormat::HeaderSize), {}};
        if (account.header.size() == DbfFormat::HeaderSize)
            account.header += file.read(qFromLittleEndian<quint16>(account.header.constData() + DbfFormat::HeaderLengthOffset)
                                        - DbfFormat::HeaderSize);
        DbfRecord record = table.newRecord();
        for (quint32 number = 1; number <= table.recordCount(); ++number) {
            if (!table.readRecord(number, record))
                return failed(error, table.errorString());
            account.records.append(record.bytes());
        }
        folder.account.append(account);
    }
    return true;
}

bool insertAccountTables(ServerConnection &connection, const Folder &folder, QString *error)
{
    QSqlQuery query(connection.database());
    for (const Folder::AccountTable &table : folder.account) {
        if (!connection.exec(query, QStringLiteral("INSERT INTO tabellenkopf (tabelle, kopf) VALUES ('%1', %2) ON CONFLICT "
                                                   "(tabelle) DO UPDATE SET kopf = EXCLUDED.kopf")
                                        .arg(QLatin1String(table.name), ServerConnection::literal(table.header))))
            return failed(error, connection.errorString());
        QStringList rows;
        for (qsizetype i = 0; i < table.records.size(); ++i)
            rows.append(QStringLiteral("(%1, %2)").arg(i + 1).arg(ServerConnection::literal(table.records.at(i))));
        if (!rows.isEmpty()
            && !connection.exec(query, QStringLiteral("INSERT INTO %1 (satz, inhalt) VALUES %2")
                                           .arg(QLatin1String(table.name), rows.join(QLatin1Char(',')))))
            return failed(error, connection.errorString());
    }
    return true;
}

bool insertRecords(ServerConnection &connection, DbfTable &table, QString *error)
{
    DbfRecord record = table.newRecord();
    QStringList rows;
    auto flush = [&] {
        if (rows.isEmpty())
            return true;
        QSqlQuery query(connection.database());
        const bool done = connection.exec(query, QStringLiteral("INSERT INTO arbeitszeit (satz, geloescht, %1, geprueft) "
                                                                "VALUES %2")
                                                     .arg(QLatin1String(ServerTable::Columns), rows.join(QLatin1Char(','))));
        rows.clear();
        return done || failed(error, connection.errorString());
    };
    for (quint32 number = 1; number <= table.recordCount(); ++number) {
        if (!table.readRecord(number, record))
            return failed(error, table.errorString());
        record.setRecordNumber(number);
        rows.append(ServerTable::valuesOf(record, record.isDeleted(), false));
        if (rows.size() == RowsPerInsert && !flush())
            return false;
    }
    return flush();
}

bool insertHistory(ServerConnection &connection, DbfTable &log, QString *error)
{
    DbfRecord record = log.newRecord();
    QStringList rows;
    auto flush = [&] {
        if (rows.isEmpty())
            return true;
        QSqlQuery query(connection.database());
        const bool done = connection.exec(query, QStringLiteral("INSERT INTO protokoll (nr, %1) VALUES %2")
                                                     .arg(QLatin1String(ServerHistory::Columns), rows.join(QLatin1Char(','))));
        rows.clear();
        return done || failed(error, connection.errorString());
    };
    for (quint32 number = 1; number <= log.recordCount(); ++number) {
        if (!log.readRecord(number, record))
            return failed(error, log.errorString());
        rows.append(ServerHistory::valuesOf(number, record));
        if (rows.size() == RowsPerInsert && !flush())
            return false;
    }
    return flush();
}

bool importInTransaction(ServerConnection &connection, DbfTable &table, DbfTable *log, const Folder &folder,
                         QString *error, const std::function<bool(QString *error)> &beforeCommit)
{
    QSqlQuery query(connection.database());
    // Other writers wait until the import is in or gone.
    if (!connection.exec(query, QStringLiteral("LOCK TABLE arbeitszeit IN SHARE ROW EXCLUSIVE MODE"))
        || !connection.exec(query, QStringLiteral("SELECT EXISTS (SELECT 1 FROM arbeitszeit) OR EXISTS (SELECT 1 FROM "
                                                  "protokoll) OR EXISTS (SELECT 1 FROM protokollbeginn)"))
        || !query.next())
        return failed(error, connection.errorString());
    if (query.value(0).toBool())
        return failed(error, UiText(QStringLiteral("Auf dem Server %1 gibt es schon Buchungen oder ein "
                                                   "Änderungsprotokoll; eingelesen wird nur in einen leeren Server."))
                                 .arg(connection.location()));
    if (!connection.exec(query, QStringLiteral("UPDATE tabellenkopf SET kopf = %1 WHERE tabelle = 'arbeitszeit'")
                                    .arg(ServerConnection::literal(folder.header))))
        return failed(error, connection.errorString());
    if (!insertRecords(connection, table, error) || (log && !insertHistory(connection, *log, error))
        || !insertAccountTables(connection, folder, error))
        return false;
    for (size_t i = 0; i < std::size(ServerSchema::FileTables); ++i) {
        if (!folder.small[i])
            continue;
        // The start list's row is never replaced (the server has none yet).
        const char *table = ServerSchema::FileTables[i].table;
        const QString replacing = qstrcmp(table, ServerSchema::HistoryStartTable) == 0
            ? QString()
            : QStringLiteral(" ON CONFLICT (eine) DO UPDATE SET inhalt = EXCLUDED.inhalt");
        const QString sql = QStringLiteral("INSERT INTO %1 (eine, inhalt) VALUES (true, %2)%3")
                                .arg(QLatin1String(table),
                                     ServerConnection::literal(*folder.small[i]), replacing);
        if (!connection.exec(query, sql))
            return failed(error, connection.errorString());
    }
    if (beforeCommit && !beforeCommit(error))
        return false;
    return connection.exec(query, QStringLiteral("COMMIT")) || failed(error, connection.errorString());
}

} // namespace

bool ServerTransfer::importFrom(ServerConnection &connection, const Clock &clock, const QString &directory,
                                QString *error, const std::function<bool(QString *error)> &beforeCommit)
{
    const QString path = QDir(directory).absolutePath() + QLatin1Char('/');
    DbfTable table(clock);
    if (!table.open(path + QLatin1String(WorkTimeTables::TableFileName), DbfTable::OpenMode::ReadOnly))
        return failed(error, table.errorString());
    if (table.fieldCount() != WorkTimeTables::FieldCount
        || table.fields().at(WorkTimeTables::Auswaerts).type != DbfFieldType::Logical
        || table.fields().at(WorkTimeTables::Doppelt).type != DbfFieldType::Logical)
        return failed(error, UiText(QStringLiteral("Die Tabelle \"%1\" hat nicht die Felder von Tagwerk; starten Sie "
                                                   "Tagwerk einmal auf dem Ordner, dann wird sie umgestellt."))
                                 .arg(QDir::toNativeSeparators(table.fileName())));
    Folder folder;
    QFile header(table.fileName());
    if (!header.open(QIODevice::ReadOnly))
        return failed(error, header.errorString());
    folder.header = header.read(DbfFormat::HeaderSize);
    if (folder.header.size() == DbfFormat::HeaderSize)
        folder.header += header.read(qFromLittleEndian<quint16>(folder.header.constData() + DbfFormat::HeaderLengthOffset)
                                     - DbfFormat::HeaderSize);
    for (size_t i = 0; i < std::size(ServerSchema::FileTables); ++i) {
        QFile file(path + QLatin1String(ServerSchema::FileTables[i].fileName));
        if (!file.exists())
            continue;
        if (!file.open(QIODevice::ReadOnly))
            return failed(error, UiText(QStringLiteral("\"%1\" kann nicht gelesen werden: %2"))
                                     .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        folder.small[i] = file.readAll();
    }
    if (!readAccountTables(clock, path, folder, error))
        return false;
    std::unique_ptr<DbfTable> log;
    const QString logPath = path + QLatin1String(ChangeLogEntry::FileName);
    if (QFileInfo::exists(logPath)) {
        const QString problem = ChangeLogEntry::layoutProblemOf(logPath);
        if (!problem.isEmpty())
            return failed(error, ChangeLog::damagedMessage(logPath, problem));
        log = std::make_unique<DbfTable>(clock);
        if (!log->open(logPath, DbfTable::OpenMode::ReadOnly))
            return failed(error, log->errorString());
    } else if (ChangeLog::hasTraces(path)) {
        return failed(error, UiText(QStringLiteral("Das Änderungsprotokoll \"%1\" fehlt, obwohl es begonnen wurde."))
                                 .arg(QDir::toNativeSeparators(logPath)));
    }
    if (!connection.open())
        return failed(error, connection.errorString());
    QSqlQuery begin(connection.database());
    if (!connection.exec(begin, QStringLiteral("BEGIN")))
        return failed(error, connection.errorString());
    if (importInTransaction(connection, table, log.get(), folder, error, beforeCommit))
        return true;
    QSqlQuery rollback(connection.database());
    rollback.exec(QStringLiteral("ROLLBACK"));
    return false;
}
