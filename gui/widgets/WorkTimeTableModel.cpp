#include "WorkTimeTableModel.h"

#include "storage/RecordTable.h"
#include "storage/WorkTimeFieldText.h"
#include "storage/WorkTimeTables.h"
#include "translation/translateunit.h"

namespace {
// Logical cells read as words of the user's language, not as the table's
// "True"/"False".
QString yesWord() { return TranslateText(QStringLiteral("Ja")); }
QString noWord() { return TranslateText(QStringLiteral("Nein")); }
} // namespace

WorkTimeTableModel::WorkTimeTableModel(RecordTable &table, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
{
}

int WorkTimeTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table.isOpen())
        return 0;
    return m_table.rowCount() + ((m_pending && m_pendingIsNew) || m_droppingNewRow ? 1 : 0);
}

int WorkTimeTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.fieldCount();
}

const DbfRecord *WorkTimeTableModel::recordAt(int row) const
{
    if (m_pending && row == m_pendingRow)
        return &*m_pending;
    if (row != m_cachedRow) {
        if (!m_table.readRow(row, m_cached)) {
            if (row >= 0 && row < m_table.rowCount())
                reportReadFailure();
            return nullptr;
        }
        m_cachedRow = row;
    }
    return &m_cached;
}

void WorkTimeTableModel::reportReadFailure() const
{
    if (m_readFailureReported)
        return;
    m_readFailureReported = true;
    // Queued: a message box must not open while a view paints.
    auto *self = const_cast<WorkTimeTableModel *>(this);
    const QString reason = m_table.errorString();
    QMetaObject::invokeMethod(self, [self, reason] { emit self->readFailed(reason); }, Qt::QueuedConnection);
}

QVariant WorkTimeTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const DbfRecord *record = recordAt(index.row());
    if (!record || index.column() >= record->fieldCount())
        return {};
    const QString text = record->text(index.column());
    if (!isLogical(index.column()) || text.isEmpty())
        return text;
    return text == QLatin1String("True") ? yesWord() : noWord();
}

bool WorkTimeTableModel::isLogical(int column) const
{
    return column >= 0 && column < m_table.fieldCount() && m_table.fields().at(column).type == DbfFieldType::Logical;
}

QVariant WorkTimeTableModel::storedValue(int column, const QVariant &typed) const
{
    if (!isLogical(column))
        return typed;
    const QString word = typed.toString().trimmed();
    if (word.compare(yesWord(), Qt::CaseInsensitive) == 0)
        return QStringLiteral("True");
    if (word.compare(noWord(), Qt::CaseInsensitive) == 0)
        return QStringLiteral("False");
    return typed;
}

QVariant WorkTimeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return isNewRow(section) ? QVariant(QStringLiteral("*")) : QVariant();
    if (section < 0 || section >= m_table.fieldCount())
        return {};
    const QString heading = WorkTimeTables::heading(section, &ProgramText);
    return heading.isEmpty() ? m_table.fields().at(section).name : heading;
}

Qt::ItemFlags WorkTimeTableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    return m_readOnly || !index.isValid() ? base : base | Qt::ItemIsEditable;
}

bool WorkTimeTableModel::setData(const QModelIndex &index, const QVariant &typed, int role)
{
    const QVariant value = storedValue(index.column(), typed);
    if (m_readOnly || role != Qt::EditRole || !index.isValid())
        return false;
    const QString why = refusal(index, value);
    if (!why.isEmpty()) {
        m_lastError = why;
        return false;
    }
    // A cell left as it was starts no edit: a row the guard keeps as it is
    // may still be looked at in its editors.
    if (const DbfRecord *shown = m_writeGuard ? recordAt(index.row()) : nullptr;
        shown && !(m_pending && m_pendingRow == index.row()) && index.column() < shown->fieldCount()
        && shown->text(index.column()) == WorkTimeFieldText::normalized(index.column(), value.toString()))
        return true;
    if (!beginEdit(index.row()))
        return false;
    m_pending->setText(index.column(), WorkTimeFieldText::normalized(index.column(), value.toString()));
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QString WorkTimeTableModel::refusal(const QModelIndex &index, const QVariant &typed) const
{
    const QString text = storedValue(index.column(), typed).toString();
    const QString why = WorkTimeFieldText::message(WorkTimeFieldText::check(index.column(), text), text);
    if (!why.isEmpty() || !m_writeGuard)
        return why;
    const DbfRecord *shown = recordAt(index.row());
    if (!shown)
        return {};
    const QString normalized = WorkTimeFieldText::normalized(index.column(), text);
    // Leaving a cell as it was changes nothing, so a row that may not be
    // changed may still be looked at in its editor.
    if (index.column() < shown->fieldCount() && shown->text(index.column()) == normalized)
        return {};
    DbfRecord after = *shown;
    after.setText(index.column(), normalized);
    return guardRefusal(index.row(), &after);
}

QString WorkTimeTableModel::deletionRefusal(int row) const
{
    if (row < 0 || row >= rowCount() || isNewRow(row))
        return {};
    return guardRefusal(row, nullptr);
}

bool WorkTimeTableModel::changesStoredRow(int row, const DbfRecord &pending) const
{
    DbfRecord stored;
    if (!m_table.readRow(row, stored))
        return true;
    for (int pos = 0; pos < pending.fieldCount(); ++pos) {
        if (pending.isChanged(pos) && pending.text(pos) != stored.text(pos))
            return true;
    }
    return false;
}

QString WorkTimeTableModel::guardRefusal(int row, const DbfRecord *after) const
{
    if (!m_writeGuard)
        return {};
    if (isNewRow(row))
        return m_writeGuard(nullptr, after);
    // As the file holds it now: another instance may have changed it.
    DbfRecord stored;
    if (!m_table.readRow(row, stored))
        return {}; // the write itself will fail and say why
    return m_writeGuard(&stored, after);
}

void WorkTimeTableModel::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

bool WorkTimeTableModel::beginEdit(int row)
{
    if (m_readOnly || row < 0 || row >= rowCount())
        return false;
    if (m_pending && m_pendingRow == row)
        return true;
    if (m_pending && !post())
        return false;
    DbfRecord record;
    if (!m_table.readRow(row, record))
        return false;
    m_pending = record;
    m_pendingRow = row;
    m_pendingIsNew = false;
    return true;
}

bool WorkTimeTableModel::post()
{
    if (!m_pending)
        return true;
    const int row = m_pendingRow;
    const bool isNew = m_pendingIsNew;
    const int rowsBefore = m_table.rowCount();
    DbfRecord written = *m_pending;
    // Asked again now: the period may have been closed since the cell took
    // its text. A row only looked at in its editors has nothing to write.
    if (const QString why = guardRefusal(row, &written); !why.isEmpty()) {
        if (isNew || changesStoredRow(row, written)) {
            m_lastError = why;
            return false;
        }
        m_pending.reset();
        return true;
    }
    const bool ok = isNew ? m_table.append(written) : m_table.update(written);
    if (!ok) {
        m_lastError = m_table.errorString();
        return false;
    }
    const bool shown = m_table.passesFilter(written);
    // Another instance may have appended meanwhile; the append saw its rows.
    if (m_table.rowCount() != rowsBefore + (isNew && shown ? 1 : 0)) {
        reset();
        return true;
    }
    m_cachedRow = -1;
    if (!shown) {
        dropRowIfFilteredOut(row, written, isNew);
        return true;
    }
    m_pending.reset();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

// A row edited so that the list's filter no longer takes it (another
// employee, another month) leaves the list once written, as it would after
// reading the table anew.
void WorkTimeTableModel::dropRowIfFilteredOut(int row, const DbfRecord &written, bool wasNew)
{
    // The edit is done before the views hear of the removal: they move the
    // current row away from it, which must not post it a second time.
    m_pending.reset();
    m_droppingNewRow = wasNew;
    beginRemoveRows({}, row, row);
    if (!wasNew)
        m_table.dropRow(m_table.rowOfRecord(written.recordNumber()));
    m_droppingNewRow = false;
    endRemoveRows();
}

void WorkTimeTableModel::cancel()
{
    if (!m_pending)
        return;
    const int row = m_pendingRow;
    if (m_pendingIsNew) {
        beginRemoveRows({}, row, row);
        m_pending.reset();
        endRemoveRows();
        return;
    }
    m_pending.reset();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int WorkTimeTableModel::insertNewRow()
{
    if (m_readOnly || !m_table.isOpen())
        return -1;
    if (m_pending && !post())
        return -1;
    const int row = m_table.rowCount();
    beginInsertRows({}, row, row);
    m_pending = m_table.newRecord();
    m_pendingRow = row;
    m_pendingIsNew = true;
    endInsertRows();
    return row;
}

bool WorkTimeTableModel::deleteRow(int row)
{
    if (m_readOnly || row < 0 || row >= rowCount())
        return false;
    if (isNewRow(row)) {
        cancel();
        return true;
    }
    if (const QString why = deletionRefusal(row); !why.isEmpty()) {
        m_lastError = why;
        return false;
    }
    if (m_pending && m_pendingRow == row)
        m_pending.reset();
    if (m_pending && !post())
        return false;
    beginRemoveRows({}, row, row);
    m_cachedRow = -1;
    const bool ok = m_table.markDeleted(m_table.recordNumberAt(row));
    endRemoveRows();
    if (!ok) {
        // The row is still there after all: views learn it by a reset.
        m_lastError = m_table.errorString();
        reset();
    }
    return ok;
}

void WorkTimeTableModel::reread()
{
    beginResetModel();
    m_pending.reset();
    m_cachedRow = -1;
    m_readFailureReported = false;
    const bool read = m_table.reload();
    endResetModel();
    if (!read)
        reportReadFailure();
}

void WorkTimeTableModel::reset()
{
    beginResetModel();
    m_pending.reset();
    m_cachedRow = -1;
    m_readFailureReported = false;
    endResetModel();
}
