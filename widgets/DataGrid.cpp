#include "DataGrid.h"

#include <QStyledItemDelegate>

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

void DataGrid::commitEdit()
{
    if (state() != EditingState || !m_editor)
        return;
    QWidget *editor = m_editor;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}
