#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class ApplicationForms;
class QAction;
class QMenu;
class QMenuBar;
class QPushButton;
class DataGrid;
class QWidget;
class RecordNavigator;
class WorkTimeTableModel;

// The administrator's workplace: every booking of every employee in an
// editable grid, and the way to the administrative windows.
class TMainForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    static constexpr const char *HideDeletedItem = "BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1";

    TMainForm(AppContext &context, ApplicationForms &forms);
    ~TMainForm() override;

    // Whether the administrator may go on: at once when no password is set,
    // otherwise after the prompt, with a message when the password is wrong.
    bool IsAdmin();

    void AdministratorPasswortfestlegen1Click();
    void Benutzerverwalten1Click();
    // The five evaluations: choice window, report, result window.
    void runEvaluation(int kind);
    // How long an evaluation runs before its progress (and its cancel
    // button) shows; tests have it show at once.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }
    // "Arbeitszeitgesetz prüfen...": the working-time law check.
    void Arbeitszeitgesetzprfen1Click();
    void Aenderungsprotokoll1Click();
    // "Arbeitszeitkonto..." and "Fehlende Buchungen...": the working-time
    // account's reports (an AccountReport::Kind).
    void runAccountReport(int kind);
    // "Sollzeiten und Abwesenheiten...": the account's own tables.
    void SollzeitenundAbwesenheiten1Click();
    void VorgabetextefrdasAusfllenfestlegen1Click();
    // "Buchungen abschließen bis...": the closing date, behind the password.
    void Buchungenabschlieenbis1Click();

    QMenuBar *MainMenu1;
    QMenu *Auswertung1;
    QAction *AuswertungnachMitarbeiter1;
    QAction *AuswertungnachOrtBaustelle1;
    QAction *AuswertungnachTtigkeit1;
    QAction *AuswertungnachZeitraum1;
    QAction *AuswertungnachZeitraumsortiertnachBaustelle1;
    QAction *Arbeitszeitgesetzprfen1;
    QAction *Arbeitszeitkonto1;
    QAction *FehlendeBuchungen1;
    QAction *Aenderungsprotokoll1;
    QAction *PausenzeitinAuswertungauffhren1;
    QMenu *Benutzer1;
    QAction *Benutzerverwalten1;
    QMenu *Administrator1;
    QAction *AdministratorPasswortfestlegen1;
    QAction *VorgabetextefrdasAusfllenfestlegen1;
    QAction *Buchungenabschlieenbis1;
    QAction *SollzeitenundAbwesenheiten1;
    QMenu *Optionen1;
    QAction *BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1;

    QWidget *Panel1;
    RecordNavigator *DBNavigator1;
    QPushButton *AusloggenBtn;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    DataGrid *DBGrid1;
    WorkTimeTableModel *model() const { return m_model; }

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void buildMenu();
    void buildPanel();
    QAction *addItem(QMenu *menu, const char *objectName, const QString &caption);
    void saveBenutzer();

    ApplicationForms &m_forms;
    WorkTimeTableModel *m_model;
    int m_progressDelay = 500;
};
