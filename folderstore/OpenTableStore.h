#pragma once

#include "store/WorkTimeStore.h"

class ClashIndex;
class DbfTable;

// The bookings of one work-time table someone else opened, with its clash
// index and, where given, its closed period: nothing else of a Database
// directory (no small files, no closing, no export). For tools and tests
// that book into a table file of their own.
class OpenTableStore : public WorkTimeStore
{
public:
    OpenTableStore(DbfTable &table, ClashIndex &index, ClosedPeriod *closedPeriod = nullptr);

    QString location() const override;
    QString errorString() const override { return m_errorString; }
    bool open() override { return true; }
    bool openForReading() override { return true; }
    void close() override {}
    RecordTable &bookings() override;
    Appended appendBooking(DbfRecord &record, const std::optional<Span> &span, bool storeIfClash) override;
    std::optional<QByteArray> readSmallFile(SmallFile file, bool &readFailed) override;
    bool writeSmallFile(SmallFile file, const QByteArray &bytes) override;
    // No account beside the table: the tables stay unplaced.
    void placeAccount(AccountTables &) override {}
    ClosedPeriod &closedPeriod() override;
    ClosedPeriod::Change closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                     const UserListData &users, QDate today) override;
    bool exportTo(const QString &directory) override;
    QByteArray historyChecksum() override { return {}; }
    void setAuthor(const QString &) override {}

private:
    bool unsupported();

    DbfTable &m_table;
    ClashIndex &m_index;
    ClosedPeriod *m_closedPeriod;
    ClosedPeriod m_nothingClosed;
    QString m_errorString;
};
