#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

// "Mitarbeiter/Ort/Tätigkeit auswählen": the subject and the period of an
// evaluation. The dates start at today and then keep what was last chosen.
class TMitarbeiterAussuchenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TMitarbeiterAussuchenForm(AppContext &context, QWidget *parent = nullptr);

    // Only the period is asked (the period evaluations): no list, and a title
    // that says so. Off again, the window asks for both.
    void setPeriodOnly(bool periodOnly);

    QLabel *Label4;
    QComboBox *ArbeiterEd;
    QLabel *Label3;
    QDateEdit *DateTimePicker1;
    QLabel *Label1;
    QDateEdit *DateTimePicker2;
    QPushButton *OkayBtn;
    QPushButton *AbbrechenBtn; // "Abbrechen": no evaluation
};
