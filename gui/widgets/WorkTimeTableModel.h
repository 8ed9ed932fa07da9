#pragma once

#include <functional>
#include <optional>

#include <QAbstractTableModel>

#include "storage/DbfRecord.h"

class RecordTable;

// The grid's view of a table: one row per row of the table (live records
// that pass its filter), one column per field, headed by the field's name in
// the user's language (by position: the names the file stores stay as they
// are). Logical fields read and take the language's words for yes and no. Rows are read on demand, so a table of a million rows
// opens at once.
//
// Edits are held for one row at a time and written when the row is posted:
// explicitly (the navigator's save), or when the user moves to another row
// or the window closes. A new row lives only in the model until it is posted.
class WorkTimeTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Decides whether a row may be written: `before` is the row as stored
    // (nullptr for a new row), `after` the row to be written (nullptr for a
    // deletion). Returns why not, in the user's language; empty when it may.
    using WriteGuard = std::function<QString(const DbfRecord *before, const DbfRecord *after)>;

    explicit WorkTimeTableModel(RecordTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Refuses a text its field cannot hold as a date or time (see refusal()).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Why `value` may not go into the cell, in the user's language; empty
    // when it may. Asks the write guard too, unless the text stays as it is.
    QString refusal(const QModelIndex &index, const QVariant &value) const;
    // Why the row may not be deleted; empty when it may.
    QString deletionRefusal(int row) const;

    // Asked before every cell change, write and deletion (the closed period).
    void setWriteGuard(WriteGuard guard) { m_writeGuard = std::move(guard); }

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    bool hasPendingEdit() const { return m_pending.has_value(); }
    int pendingRow() const { return m_pending ? m_pendingRow : -1; }
    // Starts holding edits for this row (the navigator's edit button).
    bool beginEdit(int row);
    // Writes the held edit; false with the reason in lastError() when the
    // table refuses. Without a held edit it does nothing and succeeds. A row
    // that no longer passes the table's filter once written leaves the model.
    bool post();
    // Drops the held edit (a new row disappears again).
    void cancel();
    // Adds an empty row at the end, to be filled and posted.
    int insertNewRow();
    bool deleteRow(int row);
    // Reads the table anew: rows other instances added or deleted appear.
    void reread();
    // The table's rows changed under the model (filter, reopened table).
    void reset();

    QString lastError() const { return m_lastError; }

signals:
    // A row could not be read: the grid shows it empty, and the window must
    // say so. Told once until the next reset, and never from inside a paint.
    void readFailed(const QString &reason);

private:
    void reportReadFailure() const;
    bool isLogical(int column) const;
    // What to store for a typed value: a logical field's word becomes "True"/"False".
    QVariant storedValue(int column, const QVariant &typed) const;
    bool isNewRow(int row) const { return m_pending && m_pendingIsNew && row == m_pendingRow; }
    const DbfRecord *recordAt(int row) const;
    void dropRowIfFilteredOut(int row, const DbfRecord &written, bool wasNew);
    // The guard's word on writing `after` over what row `row` stores.
    QString guardRefusal(int row, const DbfRecord *after) const;
    // Whether writing `pending` would change a field of what row `row` stores.
    bool changesStoredRow(int row, const DbfRecord &pending) const;

    RecordTable &m_table;
    bool m_readOnly = false;
    mutable DbfRecord m_cached;
    mutable int m_cachedRow = -1;
    std::optional<DbfRecord> m_pending;
    int m_pendingRow = -1;
    bool m_pendingIsNew = false;
    bool m_droppingNewRow = false; // a new row that its filter refused, while it leaves
    QString m_lastError;
    mutable bool m_readFailureReported = false;
    WriteGuard m_writeGuard;
};
