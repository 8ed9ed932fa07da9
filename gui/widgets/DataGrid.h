#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

class Reporter;

// The grid over a table: a table view that can write an open cell editor's
// text into the model on demand, so that "save" and leaving the window keep
// what is being typed.
//
// A text the work-time table model refuses (a date or time that does not
// exist) is not written: the grid says why and keeps the editor open on it,
// whichever way the user tried to leave it (Enter, Tab, a click elsewhere, the
// navigator, closing the window). Esc still drops the edit.
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DataGrid(QWidget *parent = nullptr);

    // Where refusals are reported; without one they are refused silently.
    void setReporter(Reporter *reporter) { m_reporter = reporter; }

    // Commits and closes the open cell editor, if any. False when its text
    // was refused: the editor then stays open.
    bool commitEdit();
    bool isEditing() const { return state() == EditingState && m_editor; }
    QWidget *openEditor() const { return isEditing() ? m_editor.data() : nullptr; }

protected slots:
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    friend class TrackingDelegate;
    bool acceptsEditorText(QWidget *editor, bool report);
    void keepEditing(QWidget *editor);

    QPointer<QWidget> m_editor;
    QPersistentModelIndex m_editorIndex;
    QPointer<QWidget> m_refused; // the editor whose text was just refused
    bool m_reporting = false;    // a refusal's message is up
    Reporter *m_reporter = nullptr;
};
