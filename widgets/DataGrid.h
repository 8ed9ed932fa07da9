#pragma once

#include <QPointer>
#include <QTableView>

// The grid over a table: a table view that can write an open cell editor's
// text into the model on demand, so that "save" and leaving the window keep
// what is being typed.
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DataGrid(QWidget *parent = nullptr);

    // Commits and closes the open cell editor, if any.
    void commitEdit();
    bool isEditing() const { return state() == EditingState && m_editor; }
    QWidget *openEditor() const { return isEditing() ? m_editor.data() : nullptr; }

private:
    friend class TrackingDelegate;
    QPointer<QWidget> m_editor;
};
