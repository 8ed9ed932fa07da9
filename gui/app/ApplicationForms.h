#pragma once

#include <memory>
#include <vector>

#include <QList>

class AppContext;
class QTranslator;
class QWidget;
class TAbschlussForm;
class TAdminForm;
class TAenderungsprotokollForm;
class TBenutzerBearbeitenForm;
class TBenutzerVerwaltenForm;
class TAdminPassForm;
class TAuswertenForm;
class TMitarbeiterAussuchenForm;
class TDatenAuflistenForm;
class TErfassenForm;
class TPausenForm;
class TVorgabeTexteForm;
class TEinloggenForm;
class TMainForm;
class TSetDataBaseForm;
class TSollzeitenForm;
class TTranslateForm;

// Every window of the program, created once, hidden, in a fixed order, and
// kept until the program ends. The login window comes first and is the
// program's main window: closing it ends the program.
class ApplicationForms
{
public:
    // What the program sets before its first window: its name, under which
    // its settings are kept, and nothing that Qt would append to the titles.
    static void setUpApplication();

    explicit ApplicationForms(AppContext &context);
    ~ApplicationForms();
    ApplicationForms(const ApplicationForms &) = delete;
    ApplicationForms &operator=(const ApplicationForms &) = delete;

    AppContext &context() { return m_context; }
    // In the order of creation.
    QList<QWidget *> windows() const;

    // Qt's own texts (Yes, No, Cancel, the file dialogs) in the language
    // given by its program code: 1 English, 2 Spanish, otherwise German.
    void applyQtTranslations(int language);

    TEinloggenForm *EinloggenForm = nullptr;
    TBenutzerVerwaltenForm *BenutzerVerwaltenForm = nullptr;
    TBenutzerBearbeitenForm *BenutzerBearbeitenForm = nullptr;
    TAdminPassForm *AdminPassForm = nullptr;
    TAdminForm *AdminForm = nullptr;
    TVorgabeTexteForm *VorgabeTexteForm = nullptr;
    TMainForm *MainForm = nullptr;
    TErfassenForm *ErfassenForm = nullptr;
    TDatenAuflistenForm *DatenAuflistenForm = nullptr;
    TMitarbeiterAussuchenForm *MitarbeiterAussuchenForm = nullptr;
    TAuswertenForm *AuswertenForm = nullptr;
    TPausenForm *PausenForm = nullptr;
    TTranslateForm *TranslateForm = nullptr;
    TSetDataBaseForm *SetDataBaseForm = nullptr;
    TAbschlussForm *AbschlussForm = nullptr;
    TAenderungsprotokollForm *AenderungsprotokollForm = nullptr;
    TSollzeitenForm *SollzeitenForm = nullptr;

private:
    template <typename Form, typename... Args>
    Form *create(Args &&...args);

    AppContext &m_context;
    std::vector<std::unique_ptr<QWidget>> m_windows;
    std::unique_ptr<QTranslator> m_qtTranslator;
};
