#include "ServerAccountTable.h"

#include <QSqlQuery>

#include "ServerConnection.h"
#include "base/Clock.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"
#include "translation/UiText.h"

ServerAccountTable::ServerAccountTable(ServerConnection &connection, const Clock &clock, const QString &fileName)
    : m_connection(connection)
    , m_clock(clock)
    , m_table(tableOf(fileName))
{
}

QString ServerAccountTable::tableOf(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".dbf")) ? fileName.chopped(4) : fileName;
}

QString ServerAccountTable::name() const
{
    return m_connection.location() + QStringLiteral(" (") + m_table + QLatin1Char(')');
}

bool ServerAccountTable::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

const QList<DbfField> &ServerAccountTable::fields() const
{
    static const QList<DbfField> none;
    return m_layout ? m_layout->fields : none;
}

DbfRecord ServerAccountTable::newRecord() const
{
    return m_layout ? DbfRecord(m_layout) : DbfRecord();
}

bool ServerAccountTable::useHeader(const QByteArray &header)
{
    QString reason;
    m_layout = DbfTable::parseHeader(header, &reason);
    if (!m_layout)
        return fail(UiText(QStringLiteral("Der Tabellenkopf auf dem Server %1 ist beschädigt.")).arg(name()));
    m_languageDriver = uchar(header.at(DbfFormat::LanguageDriverOffset));
    return true;
}

bool ServerAccountTable::load(bool &exists)
{
    m_layout.reset();
    m_records.clear();
    m_live.clear();
    exists = false;
    if (!m_connection.open())
        return fail(m_connection.errorString());
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, QStringLiteral("SELECT kopf FROM tabellenkopf WHERE tabelle = %1")
                                      .arg(ServerConnection::literal(m_table))))
        return fail(m_connection.errorString());
    if (!query.next())
        return true;
    exists = true;
    if (!useHeader(query.value(0).toByteArray()))
        return false;
    if (!m_connection.exec(query, QStringLiteral("SELECT satz, inhalt FROM %1 ORDER BY satz").arg(m_table)))
        return fail(m_connection.errorString());
    while (query.next()) {
        const quint32 number = query.value(0).toUInt();
        const QByteArray bytes = query.value(1).toByteArray();
        if (number != m_records.size() + 1 || bytes.size() != m_layout->recordLength)
            return fail(UiText(QStringLiteral("Der Datensatz %1 der Tabelle \"%2\" kann nicht gelesen werden."))
                            .arg(number)
                            .arg(name()));
        DbfRecord record(m_layout, bytes);
        record.setRecordNumber(number);
        if (!record.isDeleted())
            m_live.push_back(quint32(m_records.size()));
        m_records.push_back(record);
    }
    return true;
}

bool ServerAccountTable::openToRead(bool &exists)
{
    return load(exists);
}

bool ServerAccountTable::openToChange(const QList<DbfFieldDef> &fields)
{
    bool exists = false;
    if (!load(exists))
        return false;
    if (exists)
        return true;
    // Made on the first change, as the folder makes its file.
    const QByteArray header = DbfTable::headerBytes(fields, m_clock.now().date());
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, QStringLiteral("INSERT INTO tabellenkopf (tabelle, kopf) VALUES (%1, %2)")
                                      .arg(ServerConnection::literal(m_table), ServerConnection::literal(header))))
        return fail(m_connection.errorString());
    return useHeader(header);
}

bool ServerAccountTable::readRow(int row, DbfRecord &out)
{
    if (row < 0 || row >= rowCount())
        return fail(UiText(QStringLiteral("Der Datensatz %1 der Tabelle \"%2\" kann nicht gelesen werden."))
                        .arg(row + 1)
                        .arg(name()));
    out = m_records[m_live[size_t(row)]];
    return true;
}

bool ServerAccountTable::store(quint32 recordNumber, const QByteArray &bytes, bool added)
{
    const QString sql = added ? QStringLiteral("INSERT INTO %1 (satz, inhalt) VALUES (%2, %3)")
                              : QStringLiteral("UPDATE %1 SET inhalt = %3 WHERE satz = %2");
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, sql.arg(m_table).arg(recordNumber).arg(ServerConnection::literal(bytes))))
        return fail(m_connection.errorString());
    return true;
}

bool ServerAccountTable::append(DbfRecord &record)
{
    if (!m_layout || record.bytes().size() != m_layout->recordLength)
        return fail(UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    const quint32 number = recordCount() + 1;
    record.setDeleted(false);
    if (!store(number, record.bytes(), true))
        return false;
    record.setRecordNumber(number);
    m_records.push_back(record);
    return true;
}

bool ServerAccountTable::update(DbfRecord &record)
{
    const quint32 number = record.recordNumber();
    if (number < 1 || number > recordCount() || record.bytes().size() != m_layout->recordLength)
        return fail(UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (!store(number, record.bytes(), false))
        return false;
    m_records[number - 1] = record;
    return true;
}

bool ServerAccountTable::markDeleted(quint32 recordNumber)
{
    if (recordNumber < 1 || recordNumber > recordCount())
        return fail(UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    DbfRecord record = m_records[recordNumber - 1];
    record.setDeleted(true);
    if (!store(recordNumber, record.bytes(), false))
        return false;
    m_records[recordNumber - 1] = record;
    return true;
}
