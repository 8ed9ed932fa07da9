#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

#include "DbfField.h"
#include "DbfRecord.h"

// The work-time records as the grids, the evaluations and the commands see
// them, whichever store holds them: a dBase file in the shared folder or a
// table on a database server. Records are numbered from 1 in the order they
// were stored (the file's record number, the server's key); rows are the
// live records that pass the filter, in that order. Every record comes in the
// layout of the dBase table, so that what is read from either store is the
// same bytes and every report is the same.
class RecordTable
{
public:
    // Locked: another instance held a lock this table waited for, for the
    // whole wait.
    enum class Status { Ok, NotOpen, NotFound, CannotOpen, Damaged, WriteFailed, ReadOnly, BadRecord, Locked };
    using RowFilter = std::function<bool(const DbfRecord &)>;
    // Told each record of a scan; false stops the scan.
    using RecordVisitor = std::function<bool(const DbfRecord &)>;

    virtual ~RecordTable() = default;

    virtual bool isOpen() const = 0;
    virtual bool isReadOnly() const = 0;
    virtual Status status() const = 0;
    virtual QString errorString() const = 0;

    virtual const QList<DbfField> &fields() const = 0;
    int fieldCount() const { return int(fields().size()); }
    // A blank record of this table's layout, to fill and append.
    virtual DbfRecord newRecord() const = 0;

    virtual int rowCount() const = 0;
    virtual quint32 recordNumberAt(int row) const = 0;
    virtual int rowOfRecord(quint32 recordNumber) const = 0; // -1 when not a row
    virtual bool readRow(int row, DbfRecord &out) = 0;
    virtual bool readRecord(quint32 recordNumber, DbfRecord &out) = 0;

    // Every live record once, in record order, read forward only (on a
    // server: a stream of its own, whose memory does not grow with the
    // table). Ignores the filter. The records are those up to the last one
    // the last refresh() found, so that two scans of one report (a width pass
    // and a listing) read the same records. False when a read failed
    // (errorString() says why); a failed read is never taken for the end.
    virtual bool scan(const RecordVisitor &visit) = 0;
    // The next scan will be followed by another (a report's width pass and
    // its listing): a store that reads over a network may keep what the
    // next scan reads and hand the same records to the scans after it,
    // until the next refresh(), reload() or change.
    virtual void expectRepeatedScans() {}
    // Every distinct text of each of the fields over the records a scan
    // reads, once, in the order of its first appearance (exact comparison,
    // the empty text included): one list per field. A store that can ask
    // its server for them need not read every record. False when the table
    // cannot be read to its end.
    virtual bool distinctTexts(const QList<int> &fields, QList<QStringList> &texts);

    // Appends at the end and sets the record's number.
    virtual bool append(DbfRecord &record) = 0;
    // Rewrites the fields the record has changed, in place.
    virtual bool update(DbfRecord &record) = 0;
    virtual bool markDeleted(quint32 recordNumber) = 0;

    // Both read the records when the filter is on; false when that failed.
    virtual bool setFilter(RowFilter filter) = 0;
    // What the filter passes at most: records whose field reads this text.
    // A store may then read only such records to apply the filter, which
    // still decides; none (the default): any record. Set before the filter.
    struct FilterField
    {
        int field = -1;
        QString text;
    };
    virtual void setFilterField(std::optional<FilterField> only) { Q_UNUSED(only) }
    virtual bool setFiltered(bool on) = 0;
    virtual bool isFiltered() const = 0;
    // Whether the record is a row under the filter now in force.
    virtual bool passesFilter(const DbfRecord &record) const = 0;
    // Takes a row out of the filtered rows, once an update made its record
    // fail the filter. The record itself stays stored.
    virtual void dropRow(int row) = 0;

    // Picks up records that other instances appended since we last looked.
    // When a read fails, the rows stay as they were and the next call tries
    // again: a failed read never leaves a shortened list of rows behind.
    virtual bool refresh() = 0;
    // Reads the list of live records anew (deletions by others included).
    virtual bool reload() = 0;
};
