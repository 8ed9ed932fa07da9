#pragma once

#include <array>
#include <functional>

#include "gui/base/SettingsForm.h"
#include "recording/AccountChanges.h"
#include "storage/AccountData.h"

class AppContext;

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Sollzeiten und Abwesenheiten": what the working-time account is told
// beside the bookings. Per employee the target weeks (valid from a date, the
// vacation days a year, the opening balance) and the absences, whose range
// is picked in the calendar; for the firm its federal state and its own days
// off. Each change goes through AccountChanges, with the administrator
// password of the run, and its refusal (a closed period, an overlap) is told.
class TSollzeitenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TSollzeitenForm(AppContext &context, QWidget *parent = nullptr);

    // The administrator password the changes are made with: the window is
    // opened by the administrator, who gave it already.
    void setAdminPassword(const QString &password) { m_adminPassword = password; }

    void TargetBtnClick();
    // Deletes the employee's week row of the valid-from date shown (the
    // row chosen in the grid).
    void RemoveTargetBtnClick();
    void AddAbsenceBtnClick();
    void RemoveAbsenceBtnClick();
    void StateBtnClick();
    void FirmDayBtnClick();
    void RemoveFirmDayBtnClick();
    // A click in the calendar: the first day of a range, then its last.
    void CalendarClick(QDate date);

    QLabel *EmployeeLabel;
    QComboBox *EmployeeEd;

    QTableWidget *TargetGrid;
    QLabel *ValidFromLabel;
    QDateEdit *ValidFromEd;
    std::array<QLabel *, 7> DayLabels;
    std::array<QLineEdit *, 7> WeekEd; // Monday ... Sunday, H:MM
    QLabel *VacationLabel;
    QLineEdit *VacationEd;
    QLabel *BalanceLabel;
    QLineEdit *BalanceEd;
    QPushButton *TargetBtn;
    QPushButton *RemoveTargetBtn;

    QCalendarWidget *Calendar = nullptr; // made at the first showing
    QTableWidget *AbsenceGrid;
    QLabel *FromLabel;
    QDateEdit *FromEd;
    QLabel *ToLabel;
    QDateEdit *ToEd;
    QLabel *KindLabel;
    QComboBox *KindEd; // in the order of AbsenceKind
    QCheckBox *HalfDayCheck;
    QPushButton *AddAbsenceBtn;
    QPushButton *RemoveAbsenceBtn;

    QLabel *StateLabel;
    QComboBox *StateEd; // first: none; then the states' codes
    QPushButton *StateBtn;
    QTableWidget *FirmDayGrid;
    QLabel *FirmDayLabel;
    QDateEdit *FirmDayEd;
    QLabel *FirmDayNameLabel;
    QLineEdit *FirmDayNameEd;
    QPushButton *FirmDayBtn;
    QPushButton *RemoveFirmDayBtn;

    QPushButton *CloseBtn;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildTargets();
    QWidget *buildAbsences();
    QWidget *buildFirm();
    void addCalendar();
    // Reads the tables anew and shows them; the chosen employee stays.
    void reload();
    void showEmployee();
    void showFirm();
    void markCalendar();
    void takeTargetRow(int row);
    void takeAbsenceRow(int row);
    QString employee() const;
    // Makes the change; true when it was made (the window shows it), else
    // the refusal is told.
    bool change(const std::function<AccountChanges::Result(AccountChanges &)> &make);
    bool refuse(const QString &message, QWidget *field);

    QHBoxLayout *m_absenceLayout = nullptr;
    QString m_adminPassword;
    AccountData m_data;
    bool m_rangeOpen = false; // the calendar has the first day of a range
};
