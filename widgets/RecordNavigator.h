#pragma once

#include <QWidget>

class DataGrid;
class QToolButton;
class Reporter;
class WorkTimeTableModel;

// The record navigator: ten buttons that move through the grid's rows and
// insert, delete, edit, save, discard and reread, acting on the table model
// and the grid showing it.
class RecordNavigator : public QWidget
{
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh, ButtonCount };

    RecordNavigator(Reporter &reporter, QWidget *parent = nullptr);

    void setView(DataGrid *view, WorkTimeTableModel *model);
    QToolButton *button(Button which) const { return m_buttons[which]; }
    void click(Button which);

signals:
    // A pending edit could not be written; the reason is the table's.
    void writeFailed(const QString &reason);

private:
    int currentRow() const;
    void goToRow(int row);
    void updateButtons();

    Reporter &m_reporter;
    DataGrid *m_view = nullptr;
    WorkTimeTableModel *m_model = nullptr;
    QToolButton *m_buttons[ButtonCount] = {};
};
