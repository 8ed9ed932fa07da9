#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

// "Mitarbeiter/Ort/Tätigkeit auswählen": the subject and the period of an
// evaluation. The dates start at today and then keep what was last chosen.
// For the working-time law check it also offers the hours-only reading and
// refuses a period that ends before it starts.
class TMitarbeiterAussuchenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TMitarbeiterAussuchenForm(AppContext &context, QWidget *parent = nullptr);

    // On: the window serves the law check, its hours-only box ticked as given.
    void setForLawCheck(bool on, bool hoursOnly = false);
    // Only the period is asked (the period evaluations): no list, and a title
    // that says so. Off again, the window asks for both.
    void setPeriodOnly(bool periodOnly);

    QLabel *Label4;
    QComboBox *ArbeiterEd;
    QLabel *Label3;
    QDateEdit *DateTimePicker1;
    QLabel *Label1;
    QDateEdit *DateTimePicker2;
    QCheckBox *HoursOnlyCheck;
    QPushButton *OkayBtn;
    QPushButton *AbbrechenBtn; // "Abbrechen": no evaluation

public slots:
    void accept() override;

private:
    bool m_forLawCheck = false;
};
