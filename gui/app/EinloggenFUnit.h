#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class ApplicationForms;
class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

// The login window, the program's main window: every login begins and ends
// here, and closing it ends the program. Its first showing runs the rest of
// the start-up: settings, user list, language, translation of every window,
// and the work-time table.
class TEinloggenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    TEinloggenForm(AppContext &context, ApplicationForms &forms);

    void BitBtnXP1Click(); // employee login
    void BitBtnXP2Click(); // administrator login
    void LoadOptions();
    void SaveOptions();

    bool firstshow = false;
    bool dontchlang = false;

    QMenuBar *MainMenu1;
    QMenu *Sprache1;
    QAction *Deutsch1;
    QAction *English1;
    QAction *Espanol1;
    QAction *bersetzen1;
    QMenu *Datenbankverzeichnis1;
    QAction *Verzeichnisfestlegen1;
    QGroupBox *GroupBox1;
    QLabel *Label1;
    QLineEdit *Edit1;
    QLabel *Label2;
    QLineEdit *Edit2;
    QPushButton *BitBtnXP1;
    QGroupBox *GroupBox2;
    QPushButton *BitBtnXP2;
    QPushButton *BeendenBtn;

signals:
    // The employee's login matched; the record entry takes over from here.
    void employeeLoggedIn();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildMenu();
    void firstShow();
    void chooseLanguage(int language);
    void showRestartNotice();

    ApplicationForms &m_forms;
};
