#pragma once

#include <functional>

#include "recording/ChangeLog.h"
#include "recording/ClashIndex.h"
#include "storage/WorkTimeTables.h"
#include "store/ClosedPeriod.h"
#include "store/WorkTimeStore.h"

class Clock;
class Reporter;

// The Database directory in one shared folder: "arbeitszeit.dbf" with the
// index of its rows for the clash search, the change history
// "protokoll.dbf" written ahead of every change, and the small files beside
// them. Every PC that points at the folder writes under the table's header
// lock, so that their writes come one after another.
class FolderStore : public WorkTimeStore
{
public:
    using ProgramTextFunction = std::function<QString(int)>;

    FolderStore(const Clock &clock, Reporter &reporter, ProgramTextFunction programText);
    ~FolderStore() override;

    // The Database directory, with its trailing separator.
    void setDirectory(const QString &directory) { m_tables.setDirectory(directory); }
    QString directory() const { return m_tables.directory(); }

    // The parts the folder is made of, for what only a folder has (the
    // history's own file, its restart, the table's upgrade).
    WorkTimeTables &tables() { return m_tables; }
    ClashIndex &clashIndex() { return m_clashIndex; }
    ChangeLog &changeLog() { return m_changeLog; }
    // Opens the change history beside the open table; reports when it cannot.
    void openChangeLog();

    // The booking step on `table`: under its header lock, the closed-period
    // check (none without `closedPeriod`), the clash search in `index` and
    // the append.
    static Appended appendUnderLock(DbfTable &table, ClashIndex &index, const ClosedPeriod *closedPeriod,
                                    DbfRecord &record, const std::optional<Span> &span, bool storeIfClash);

    QString location() const override;
    QString errorString() const override { return m_errorString; }
    bool open() override;
    bool openForReading() override;
    void close() override;
    RecordTable &bookings() override { return m_tables.Dbf1; }
    Appended appendBooking(DbfRecord &record, const std::optional<Span> &span, bool storeIfClash) override;
    std::optional<QByteArray> readSmallFile(SmallFile file, bool &readFailed) override;
    bool writeSmallFile(SmallFile file, const QByteArray &bytes) override;
    void placeAccount(AccountTables &tables) override;
    ClosedPeriod &closedPeriod() override { return m_closedPeriod; }
    ClosedPeriod::Change closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                     const UserListData &users, QDate today) override;
    bool exportTo(const QString &directory) override;
    QByteArray historyChecksum() override;
    void setAuthor(const QString &who) override { m_changeLog.setAuthor(who); }

private:
    QString smallFilePath(SmallFile file) const;
    QString recordClosing(const ClosedPeriod::State &before, std::optional<QDate> after);

    Reporter &m_reporter;
    WorkTimeTables m_tables;
    ClashIndex m_clashIndex;
    ClosedPeriod m_closedPeriod;
    ChangeLog m_changeLog;
    QString m_errorString;
};
