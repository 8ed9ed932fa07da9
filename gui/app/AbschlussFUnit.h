#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class QLabel;
class QLineEdit;
class QPushButton;

// "Buchungen abschließen bis...": the administrator closes every booking up
// to a date, or reopens them (an earlier date, or none), with the
// administrator password typed again. The rule and the file are the core's
// (ClosedPeriod); the window collects the date and the password.
class TAbschlussForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TAbschlussForm(AppContext &context, QWidget *parent = nullptr);

    void BitBtnXP1Click();

    QLabel *Label1;     // what is closed now
    QLabel *Label2;
    QLineEdit *Edit1;   // the closing date; empty: nothing closed
    QLabel *Label3;
    QLabel *Label4;
    QLineEdit *Edit2;   // the administrator password
    QPushButton *BitBtnXP1; // OK, the default button
    QPushButton *BitBtnXP2; // Abbrechen

protected:
    void showEvent(QShowEvent *event) override;
};
