#pragma once

#include <QList>

#include "gui/base/SettingsForm.h"
#include "recording/ChangeLogEntry.h"

class AppContext;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TAuswertenForm;

// "Änderungsprotokoll": the change history, newest entry first, filtered by
// employee (or Administrator), period and record number. Printing, "PDF..."
// and "CSV..." go through the result window of the evaluations, which this
// window fills with the entries shown, so that the history is printed and
// saved exactly like a report.
class TAenderungsprotokollForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TAenderungsprotokollForm(AppContext &context, QWidget *parent = nullptr);

    // Reads the history anew under the filter the controls show.
    void ShowBtnClick();
    void DruckenBtnClick();
    void PdfBtnClick();
    void CsvBtnClick();
    // "Neu beginnen...": asks for the administrator password and starts a
    // missing or damaged history again.
    void RestartBtnClick();
    // The same with the password given; the outcome is reported.
    bool restartHistory(const QString &adminPassword);

    const QList<ChangeLogEntry> &shownEntries() const { return m_entries; }

    QLabel *EmployeeLabel;
    QLineEdit *EmployeeEdit;
    QCheckBox *PeriodCheck;
    QDateEdit *FromEdit;
    QDateEdit *ToEdit;
    QLabel *RecordLabel;
    QLineEdit *RecordEdit;
    QPushButton *ShowBtn;
    QTreeWidget *EntryList;
    QLabel *HashLabel;
    QPushButton *DruckenBtn;
    QPushButton *PdfBtn;
    QPushButton *CsvBtn;
    QPushButton *RestartBtn;
    QPushButton *CloseBtn;

protected:
    void showEvent(QShowEvent *event) override;

private:
    TAuswertenForm &reportWindow();
    void fillReportWindow();

    QList<ChangeLogEntry> m_entries; // newest first
    QStringList m_filterLines;       // what the entries were chosen by, for the printout
    TAuswertenForm *m_report = nullptr;
};
