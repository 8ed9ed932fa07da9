#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "storage/AccountTables.h"

class Clock;
class ServerConnection;

// One table of the working-time account on the server, named after its
// file without ".dbf" ("sollzeit", "abwesenheit", "feiertag", "bundesland"):
// one row per record of the dBase table, `satz` its record number, `inhalt`
// its bytes (the deletion flag first), and the table's dBase header in
// "tabellenkopf", so that the server holds exactly what the folder's file
// holds and an export writes it back byte for byte. A table without a
// header was never written. Changes run in the transaction of the history's
// step (ServerAccountJournal), which keeps other writers out.
class ServerAccountTable : public AccountTables::Table
{
public:
    ServerAccountTable(ServerConnection &connection, const Clock &clock, const QString &fileName);

    // The server's table for an account file name: "sollzeit.dbf" -> "sollzeit".
    static QString tableOf(const QString &fileName);

    QString name() const override;
    bool openToRead(bool &exists) override;
    bool openToChange(const QList<DbfFieldDef> &fields) override;
    const QList<DbfField> &fields() const override;
    unsigned char languageDriver() const override { return m_languageDriver; }
    int rowCount() const override { return int(m_live.size()); }
    bool readRow(int row, DbfRecord &out) override;
    quint32 recordCount() const override { return quint32(m_records.size()); }
    DbfRecord newRecord() const override;
    bool append(DbfRecord &record) override;
    bool update(DbfRecord &record) override;
    bool markDeleted(quint32 recordNumber) override;
    QString errorString() const override { return m_error; }

private:
    bool fail(const QString &reason);
    bool load(bool &exists);
    bool useHeader(const QByteArray &header);
    bool store(quint32 recordNumber, const QByteArray &bytes, bool added);

    ServerConnection &m_connection;
    const Clock &m_clock;
    QString m_table;
    std::shared_ptr<const DbfLayout> m_layout;
    unsigned char m_languageDriver = 0;
    std::vector<DbfRecord> m_records; // by record number - 1
    std::vector<quint32> m_live;      // indexes into m_records
    QString m_error;
};
