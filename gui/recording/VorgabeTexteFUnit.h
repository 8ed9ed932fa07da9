#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "Vorgabetexte für das Ausfüllen": whether the place and activity lists of
// the record entry are generated from the bookings or fixed by hand. The
// window shows the run's values and writes them back however it is closed.
class TVorgabeTexteForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TVorgabeTexteForm(AppContext &context, QWidget *parent = nullptr);

    QGroupBox *GroupBox1;
    QRadioButton *AutoTexteCheck;
    QRadioButton *VorgabeTexteCheck;
    QLabel *Label1;
    QPlainTextEdit *Memo1;
    QGroupBox *GroupBox2;
    QRadioButton *AutoTexte2Check;
    QRadioButton *VorgabeTexte2Check;
    QLabel *Label2;
    QPlainTextEdit *Memo2;
    QPushButton *BitBtn1;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
};
