#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class ApplicationForms;
struct BookingInput;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

// "Arbeitszeit erfassen": where a logged-in employee books work time. It
// collects the inputs and hands them to the booking rules; it stays open for
// further bookings until "Ausloggen".
class TErfassenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    TErfassenForm(AppContext &context, ApplicationForms &forms);

    // What the login does before showing the window: the date, the place
    // and activity lists, the start time and the hours-only mode.
    void prepare();
    void ErfassenBtnClick();
    void PauseBtnClick();
    void EditBtnClick();

    QLabel *Label4;
    QComboBox *Orted;
    QLabel *Label5;
    QComboBox *TatEd;
    QLabel *Label1;
    QTimeEdit *DateTimePicker1;
    QLabel *Label2;
    QLabel *Label7;
    QTimeEdit *DateTimePicker2;
    QLabel *Label6;
    QTimeEdit *DateTimePicker4;
    QLabel *Label3;
    QDateEdit *DateTimePicker3;
    QLabel *BemLabel;
    QLineEdit *BemEd;
    QCheckBox *AuswertsCheck;
    QPushButton *ErfassenBtn;
    QPushButton *EditBtn;
    QPushButton *AusloggenBtn;
    QPushButton *PauseBtn;
    QCheckBox *SameTimeCheck;
    QCheckBox *NachtArbeitCheck;
    // One line saying which booking was stored last: no box to click away.
    QLabel *StatusLabel;
    // The employee's working-time account at a glance: balance, vacation
    // left, missing days; hidden for one without target hours.
    QLabel *AccountLabel;

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
    void showEvent(QShowEvent *event) override;
    static constexpr QSize DesignedSize{449, 504};

private:
    void fillList(QComboBox *list, const QStringList &texts);
    void fillLists();
    void focusFor(int programText);
    bool remarkFits();
    void showStored(const BookingInput &input, bool doubled);
    void showAccount();

    ApplicationForms &m_forms;
    // Whose booking the break and the overnight stay were typed for.
    QString m_employee;
};
