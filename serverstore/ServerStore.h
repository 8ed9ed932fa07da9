#pragma once

#include <memory>

#include <QList>

#include "ServerAccountJournal.h"
#include "ServerConnection.h"
#include "ServerTable.h"
#include "storage/DbfField.h"
#include "store/WorkTimeStore.h"

class Clock;

// The records of the firm on a PostgreSQL server, for firms whose PCs
// cannot share one folder safely (a second site, a VPN, a home office).
// Everything goes through the same seam as the folder: the bookings as
// records of the dBase layout, the small files by their bytes, the change
// history with the same entries and chain. What the server adds: the
// double-booking check holds across every PC at once (writers take the
// table in turn, and an exclusion constraint refuses overlapping checked
// bookings), and the history takes new rows only (see ServerSchema).
class ServerStore : public WorkTimeStore
{
public:
    ServerStore(const ServerConnection::Settings &settings, const Clock &clock);
    ~ServerStore() override;

    void setPassword(const QString &password) { m_connection.setPassword(password); }
    ServerConnection &connection() { return m_connection; }

    // Creates or upgrades the schema (see ServerSchema), a new table with
    // `fields`; grants the PCs' rights to `workingRole` when given. Run by
    // the owner role; may run again.
    bool initialize(const QList<DbfFieldDef> &fields, const QString &workingRole);
    // Brings in a Database directory: its records at their numbers, its
    // history (the chain continues), the small files. Refused when the
    // server already holds bookings or history; all or nothing.
    bool importFrom(const QString &directory);

    QString location() const override { return m_connection.location(); }
    QString errorString() const override { return m_error; }
    bool open() override;
    bool openForReading() override;
    void close() override;
    RecordTable &bookings() override { return m_table; }
    Appended appendBooking(DbfRecord &record, const std::optional<Span> &span, bool storeIfClash) override;
    std::optional<QByteArray> readSmallFile(SmallFile file, bool &readFailed) override;
    bool writeSmallFile(SmallFile file, const QByteArray &bytes) override;
    void placeAccount(AccountTables &tables) override;
    ClosedPeriod &closedPeriod() override { return m_closedPeriod; }
    ClosedPeriod::Change closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                     const UserListData &users, QDate today) override;
    bool exportTo(const QString &directory) override;
    bool exportHistoryTo(const QString &directory) override;
    QByteArray historyChecksum() override;
    void setAuthor(const QString &who) override { m_table.setAuthor(who); }

    // The table that keeps a small file's bytes.
    static const char *tableOf(SmallFile file);
    // The file's name in a Database directory.
    static const char *fileNameOf(SmallFile file);

private:
    bool fail(const QString &reason);
    bool connect();
    std::optional<QByteArray> readRow(const char *table, bool &readFailed);
    std::optional<QByteArray> readClosing(bool &readFailed);

    // The closing being written: closeUntil() tells it before the bytes.
    struct PendingClosing
    {
        QDate before;
        QDate after;
    };

    const Clock &m_clock;
    ServerConnection m_connection;
    ServerTable m_table;
    ClosedPeriod m_closedPeriod;
    ServerAccountJournal m_accountJournal;
    std::optional<PendingClosing> m_pendingClosing;
    ClosedPeriod::Recorded m_recordedClosing; // read with the closing row
    QString m_error;
};
