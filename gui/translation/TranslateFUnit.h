#pragma once

#include <QAbstractItemDelegate>

#include "gui/base/SettingsForm.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTimer;
class Reporter;
class TranslationDictionary;
class WindowSettingsStore;

// "Übersetzen": the dictionary as a grid, one row per key, one column per
// language. Every keystroke goes into the dictionary at once; the file is
// written a second after the last one, and when the window closes.
class TTranslateForm : public SettingsForm
{
    Q_OBJECT

    TranslationDictionary &m_dictionary;
    Reporter &m_reporter;

public:
    TTranslateForm(WindowSettingsStore &settings, TranslationDictionary &dictionary, Reporter &reporter,
                   QWidget *parent = nullptr);
    ~TTranslateForm() override;

    void FillStringGrid();
    void StringGrid1SetEditText(int gridRow, int column, const QString &text);
    void FilterBtnClick();
    void DeleteRowBtnClick();
    void Button1Click(); // export of the untranslated Spanish texts
    void Button2Click(); // import of Spanish texts

    QPushButton *BackBtn;
    QPushButton *Button1;
    QPushButton *Button2;
    QLineEdit *FilterEdit;
    QPushButton *FilterBtn;
    QPushButton *DeleteRowBtn;
    QCheckBox *FixedColCheck;
    QTableWidget *StringGrid1;
    QLabel *ProgressLabel;
    QStatusBar *StatusBar1;
    QTimer *Timer1;

protected:
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    TranslationDictionary &dictionary();
    QString cellText(int gridRow, int column) const;
    void applyFixedColumn();
    void updateProgress();
    void Timer1Timer();
    void appendGridRow(quint32 row);
    void cellEditorClosed(QWidget *editor, QAbstractItemDelegate::EndEditHint hint);

    bool m_filling = false;
};
