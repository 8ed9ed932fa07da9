#include "DataGrid.h"

#include <QLineEdit>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "WorkTimeTableModel.h"
#include "base/Reporter.h"

// Remembers the editor it creates, since a view does not tell which one is open.
class TrackingDelegate : public QStyledItemDelegate
{
public:
    explicit TrackingDelegate(DataGrid *grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        m_grid->m_editor = editor;
        m_grid->m_editorIndex = index;
        return editor;
    }

private:
    DataGrid *m_grid;
};

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent)
{
    setItemDelegate(new TrackingDelegate(this));
}

bool DataGrid::commitEdit()
{
    if (!isEditing())
        return true;
    QWidget *editor = m_editor;
    commitData(editor);
    const bool refused = m_refused == editor;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return !refused;
}

bool DataGrid::acceptsEditorText(QWidget *editor, bool report)
{
    const auto *table = qobject_cast<const WorkTimeTableModel *>(model());
    if (!table || editor != m_editor || !m_editorIndex.isValid())
        return true;
    const QByteArray property = editor->metaObject()->userProperty().name();
    const QString why = table->refusal(m_editorIndex, editor->property(property.constData()));
    if (why.isEmpty() || !report)
        return why.isEmpty();
    // The message box takes the focus from the editor, which asks to commit
    // and close again meanwhile: those requests are ignored.
    m_reporting = true;
    if (m_reporter)
        m_reporter->error(why);
    m_reporting = false;
    return false;
}

void DataGrid::commitData(QWidget *editor)
{
    if (m_reporting)
        return;
    if (!acceptsEditorText(editor, true)) {
        m_refused = editor;
        return;
    }
    m_refused = nullptr;
    QTableView::commitData(editor);
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool refused = m_reporting || (editor == m_refused && hint != QAbstractItemDelegate::RevertModelCache);
    m_refused = nullptr;
    if (refused) {
        keepEditing(editor);
        return;
    }
    QTableView::closeEditor(editor, hint);
}

// The refused text stays in its editor, selected, so the user can correct it.
void DataGrid::keepEditing(QWidget *editor)
{
    if (m_reporting)
        return;
    if (m_editorIndex.isValid() && currentIndex() != QModelIndex(m_editorIndex))
        setCurrentIndex(m_editorIndex);
    editor->setFocus();
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->selectAll();
}

// A click on another cell leaves the open editor: its text must be accepted
// before the click may move there. The click took the focus from the editor
// first, which already tried to commit and said why it could not.
void DataGrid::mousePressEvent(QMouseEvent *event)
{
    if (isEditing() && indexAt(event->position().toPoint()) != QModelIndex(m_editorIndex)
        && !acceptsEditorText(m_editor, false)) {
        event->accept();
        keepEditing(m_editor);
        return;
    }
    QTableView::mousePressEvent(event);
}
