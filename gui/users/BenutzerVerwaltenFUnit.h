#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class ApplicationForms;
class QPushButton;
class QTreeWidget;

// "Benutzer verwalten": the list of users who may log in. It shows and edits
// the run's user list in place; the main window stores it whenever the
// window closes, however it was closed.
class TBenutzerVerwaltenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    TBenutzerVerwaltenForm(AppContext &context, ApplicationForms &forms);

    void NeuerBenutzerBtnClick();
    void BenutzerBearbeitenBtnClick();
    void BenutzerLoeschenBtnClick();
    // Shows the user list as it stands.
    void fillList();

    QTreeWidget *ListView1;
    QPushButton *NeuerBenutzerBtn;
    QPushButton *BenutzerBearbeitenBtn;
    QPushButton *BenutzerLoeschenBtn;
    QPushButton *BitBtn4; // OK
    QPushButton *BitBtn5; // Cancel

protected:
    void showEvent(QShowEvent *event) override;

private:
    int selectedRow() const;
    void ListView1SelectItem();

    ApplicationForms &m_forms;
};
