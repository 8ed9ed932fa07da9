#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;
#include "storage/UserListData.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "Benutzer bearbeiten": one user's employee name, user name and password.
// OK refuses a text that "benutzer.dat" could not hold as typed.
class TBenutzerBearbeitenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TBenutzerBearbeitenForm(AppContext &context, QWidget *parent = nullptr);

    // `isNew`: the row is yet to be added, and the title says so.
    void setUser(const UserRow &user, bool isNew = false);
    UserRow user() const;
    void BitBtn4Click();

    QLabel *LabeledEdit1Label;
    QLineEdit *LabeledEdit1;
    QLabel *LabeledEdit2Label;
    QLineEdit *LabeledEdit2;
    QLabel *LabeledEdit3Label;
    QLineEdit *LabeledEdit3;
    QPushButton *BitBtn4; // OK
    QPushButton *BitBtn5; // Abbrechen

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool employeeNameFits();
};
