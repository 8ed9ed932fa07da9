#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDate>
#include <QFile>
#include <QList>
#include <QString>

#include "DbfField.h"
#include "DbfFormat.h"
#include "DbfRecord.h"
#include "FileRegionLock.h"
#include "RecordTable.h"

class Clock;

// A dBase III/IV table file with character and logical fields, opened for
// shared use: several program instances, on one PC or several, may read and
// append at once. Appends take a byte-range lock on the header and derive the
// record count from the file length under it; updates lock their record. The
// locks lie beyond the file's data (DbfFormat::LockBase), so that they never
// stop another instance's read, also where locks are mandatory (Windows).
// Every write also holds the header lock, so that the writes of all instances
// come one after another, and raises the change counter in the header: an
// instance tells from the counter whether anyone else wrote since its own
// last write. Not from the file's length and time, which a network client
// may serve from its cache and FAT keeps to two seconds.
//
// The table keeps the list of live (not deleted) record numbers, so that row k
// of a grid is reached directly; record bytes are read on demand through a
// small block cache, never the whole file at once.
class DbfTable : public RecordTable
{
public:
    // Told of every change this table object makes, so that an index kept
    // beside the table stays right. Records appended by other instances are
    // not announced: recordCount() tells how far the file reaches.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        // `before` is null for an append, `after` null for a deletion.
        virtual void recordChanged(const DbfRecord *before, const DbfRecord *after) = 0;
        // The table was opened, closed or read anew: start over.
        virtual void tableReset() = 0;
    };

    // Written to before the table: asked to record each change before it is
    // made, under the header lock, with the record as it is and as it will
    // be (`before` null for an append, `after` null for a deletion; the
    // record numbers set). A refusal stops the change; a change recorded
    // but then not written is told with changeNotMade().
    class Journal
    {
    public:
        virtual ~Journal() = default;
        virtual bool recordChanging(const DbfRecord *before, const DbfRecord *after, QString &refusal) = 0;
        virtual void changeNotMade() = 0;
    };

    // ReadWriteAsFound opens for writing but writes nothing on opening (a
    // header count that disagrees with the length is left for the next
    // append to put right).
    enum class OpenMode { ReadWrite, ReadOnly, ReadWriteAsFound };
    enum class CreateMode { Replace, OnlyIfMissing };
    // Told that a lock is still held by another instance after the wait,
    // with a message that names the file; true waits once more.
    using LockBusyHandler = std::function<bool(const QString &message)>;
    static constexpr std::chrono::milliseconds DefaultLockWait{5000};

    explicit DbfTable(const Clock &clock);
    ~DbfTable() override;
    DbfTable(const DbfTable &) = delete;
    DbfTable &operator=(const DbfTable &) = delete;

    // Writes a new, empty table, replacing any file of that name, or with
    // OnlyIfMissing leaving a file that exists (and reporting success). The
    // table object itself stays as it was (closed, or open on another file).
    bool create(const QString &path, const QList<DbfFieldDef> &fields, CreateMode mode = CreateMode::Replace,
                unsigned char languageDriver = DbfFormat::AnsiLanguageDriver);
    // Every instance that has the table open holds it shared, so that no
    // other one replaces the file meanwhile.
    bool open(const QString &path, OpenMode mode = OpenMode::ReadWrite);
    void close();
    // Takes the open table for this instance alone, until it is closed:
    // false (Status::Locked, with the reason) while another instance has it
    // open. For replacing the file.
    bool takeForItself();
    // Whether the file under the table's name is no longer the one open:
    // another program put a new file in its place. The next write opens the
    // new one first.
    bool isReplaced() const;

    bool isOpen() const override { return m_layout != nullptr; }
    bool isReadOnly() const override { return m_readOnly; }
    QString fileName() const { return m_path; }
    Status status() const override { return m_status; }
    QString errorString() const override { return m_errorString; }

    const QList<DbfField> &fields() const override;
    unsigned char languageDriver() const { return m_languageDriver; }
    int codePage() const;
    // Records in the file, deleted ones included.
    quint32 recordCount() const { return m_recordCount; }
    // A blank record of this table's layout, to fill and append.
    DbfRecord newRecord() const override;

    // Rows are the live records that pass the filter (when it is on), in
    // record-number order.
    int rowCount() const override { return int(rows().size()); }
    quint32 recordNumberAt(int row) const override { return rows()[size_t(row)]; }
    int rowOfRecord(quint32 recordNumber) const override; // -1 when not a row
    bool readRow(int row, DbfRecord &out) override;
    bool readRecord(quint32 recordNumber, DbfRecord &out) override;
    bool scan(const RecordVisitor &visit) override;

    // Cursor over the rows, with the usual first/next/end-of-table walk.
    bool first();
    bool last();
    bool next();
    bool prior();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    int currentRow() const { return m_row; }
    bool setCurrentRow(int row);
    // The record under the cursor; an invalid record when there is none.
    const DbfRecord &current();
    QString text(int pos) { return current().text(pos); }
    std::optional<bool> logical(int pos) { return current().logical(pos); }
    std::optional<QDate> date(int pos) { return current().date(pos); }

    // Appends at the end and sets the record's number.
    bool append(DbfRecord &record) override;
    // Rewrites the fields the record has changed, in place.
    bool update(DbfRecord &record) override;
    bool markDeleted(quint32 recordNumber) override;

    void setObserver(Observer *observer) { m_observer = observer; }
    // Asked before every change, under the header lock: a log kept beside
    // the table then records the writes in the order the instances made
    // them, each before it is made.
    void setJournal(Journal *journal) { m_journal = journal; }

    // The change counter in the file now; nothing when it cannot be read.
    // Read under the header lock, it tells whether the table changed since
    // the counter was read earlier.
    std::optional<quint32> changeCounter();
    // The counter just before and just after this object's last write, for
    // an observer that wants to know whether the table changed in between
    // its own writes.
    quint32 counterBeforeLastWrite() const { return m_counterBeforeWrite; }
    quint32 counterAfterLastWrite() const { return m_counterBeforeWrite + 1; }

    // Both read the records when the filter is on; false when that failed.
    bool setFilter(RowFilter filter) override;
    bool setFiltered(bool on) override;
    bool isFiltered() const override { return m_filtered; }
    // Whether the record is a row under the filter now in force.
    bool passesFilter(const DbfRecord &record) const override { return !m_filtered || !m_filter || m_filter(record); }
    // Takes a row out of the filtered rows, once an update made its record
    // fail the filter. The record itself stays in the file.
    void dropRow(int row) override;

    // Picks up records that other instances appended since we last looked.
    // When a read fails, the rows stay as they were and the next call tries
    // again: a failed read never leaves a shortened list of rows behind.
    bool refresh() override;
    // Reads the list of live records anew (deletions by others included).
    bool reload() override;

    // Asked before every read of record bytes; true makes that read fail as
    // a failing disk or network share makes it fail. For tests: every reader
    // of the table must treat a failed read as an error, never as the end.
    using ReadFault = std::function<bool()>;
    void setReadFault(ReadFault fault) { m_readFault = std::move(fault); }
    // How long a lock is waited for before the busy handler is asked (or,
    // without one, the operation fails with Status::Locked).
    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }
    void setLockBusyHandler(LockBusyHandler handler) { m_lockBusy = std::move(handler); }

    // Holds the header lock across several operations, so that what a caller
    // reads and what it appends are one step for every other instance. Nests.
    bool lockHeader();
    void unlockHeader();
    // Holds one record's lock, as an update or deletion of it does.
    bool lockRecord(quint32 recordNumber);
    void unlockRecord(quint32 recordNumber);

    // The header and descriptors create() writes for `fields`, without the
    // end mark: for a table kept elsewhere (on a server) whose records are to
    // have exactly the layout such a file gives them. Empty for an invalid
    // field list.
    static QByteArray headerBytes(const QList<DbfFieldDef> &fields, QDate date,
                                  unsigned char languageDriver = DbfFormat::AnsiLanguageDriver);
    // Parses a header and its descriptors; null with a reason when damaged.
    static std::shared_ptr<DbfLayout> parseHeader(const QByteArray &header, QString *reason);

private:
    const std::vector<quint32> &rows() const { return m_filtered ? m_filteredRows : m_live; }
    bool fail(Status status, const QString &reason);
    bool writeReplacing(const QString &path, const QByteArray &bytes);
    bool writeIfMissing(const QString &path, const QByteArray &bytes);
    bool requireWritable();
    quint32 recordsInLength(qint64 fileLength) const;
    qint64 recordOffset(quint32 recordNumber) const;
    bool readRecords(quint32 firstRecord, quint32 count, QByteArray &buffer);
    bool collectLiveRecords(quint32 firstRecord, quint32 lastRecord);
    bool rebuildFilteredRows();
    bool writeRecordCount(quint32 count);
    void invalidateCache() { m_cacheCount = 0; }
    void clampCursor();
    FileRegionLock::Result waitForLock(qint64 offset, FileRegionLock::Kind kind);
    bool lockRegion(qint64 offset);
    bool readHead(char *head);
    bool raiseChangeCounter();
    void announceChange(const DbfRecord *before, const DbfRecord *after);
    bool journalRefuses(const DbfRecord *before, const DbfRecord *after);

    const Clock &m_clock;
    QFile m_file;
    QString m_path;
    bool m_readOnly = false;
    Status m_status = Status::NotOpen;
    QString m_errorString;

    std::shared_ptr<const DbfLayout> m_layout;
    unsigned char m_languageDriver = 0;
    quint32 m_recordCount = 0;
    qint64 m_fileLength = 0;

    std::vector<quint32> m_live;
    std::vector<quint32> m_filteredRows;
    RowFilter m_filter;
    bool m_filtered = false;

    int m_row = -1;
    bool m_eof = true;
    bool m_bof = true;
    DbfRecord m_current;

    QByteArray m_cache;
    quint32 m_cacheFirst = 0;
    quint32 m_cacheCount = 0;

    int m_headerLockDepth = 0;
    std::chrono::milliseconds m_lockWait = DefaultLockWait;
    LockBusyHandler m_lockBusy;
    quint32 m_counterBeforeWrite = 0;
    Observer *m_observer = nullptr;
    Journal *m_journal = nullptr;
    ReadFault m_readFault;
};
