#pragma once

#include <QWidget>

class DataGrid;
class QToolButton;
class Reporter;
class WorkTimeTableModel;

// The record navigator: ten buttons that move through the grid's rows and
// insert, delete, edit, save, discard and reread, acting on the table model
// and the grid showing it. It also writes a row being edited when the user
// moves to another row. A write the table refuses is reported at once.
class RecordNavigator : public QWidget
{
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh, ButtonCount };

    RecordNavigator(Reporter &reporter, QWidget *parent = nullptr);

    void setView(DataGrid *view, WorkTimeTableModel *model);
    QToolButton *button(Button which) const { return m_buttons[which]; }
    void click(Button which);
    // Writes what is being edited, as a move to another row would: the open
    // cell editor, then the held row. False, after saying why, when the cell's
    // text or the row was refused; the edit then stays open.
    bool postEdit();

private:
    int currentRow() const;
    void goToRow(int row);
    void updateButtons();
    void postLeftRow(int newRow);

    Reporter &m_reporter;
    DataGrid *m_view = nullptr;
    WorkTimeTableModel *m_model = nullptr;
    QToolButton *m_buttons[ButtonCount] = {};
};
