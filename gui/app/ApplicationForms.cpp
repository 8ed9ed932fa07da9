#include "ApplicationForms.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "AbschlussFUnit.h"
#include "AdminMenuFUnit.h"
#include "AdminPassFUnit.h"
#include "session/AppContext.h"
#include "DataBaseDirFUnit.h"
#include "EinloggenFUnit.h"
#include "MainUnit.h"
#include "gui/account/SollzeitenFUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "gui/recording/AenderungsprotokollFUnit.h"
#include "gui/recording/AuflistenFUnit.h"
#include "gui/translation/TranslateFUnit.h"
#include "gui/users/BenutzerBearbeitenFUnit.h"
#include "gui/users/BenutzerVerwaltenFUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "gui/recording/PauseFUnit.h"
#include "gui/recording/VorgabeTexteFUnit.h"

template <typename Form, typename... Args>
Form *ApplicationForms::create(Args &&...args)
{
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    Form *raw = form.get();
    raw->hide();
    m_windows.push_back(std::move(form));
    return raw;
}

void ApplicationForms::setUpApplication()
{
    // No display name: Qt would append it to every title (" — Tagwerk"),
    // and the small fixed-size dialogs have no room for the longer titles.
    // A title is the window's caption, as it stands.
    QCoreApplication::setApplicationName(QLatin1String(AppContext::ProgramName));
}

ApplicationForms::ApplicationForms(AppContext &context)
    : m_context(context)
{
    EinloggenForm = create<TEinloggenForm>(context, *this);
    BenutzerVerwaltenForm = create<TBenutzerVerwaltenForm>(context, *this);
    BenutzerBearbeitenForm = create<TBenutzerBearbeitenForm>(context);
    AdminPassForm = create<TAdminPassForm>();
    AdminForm = create<TAdminForm>(context);
    VorgabeTexteForm = create<TVorgabeTexteForm>(context);
    MainForm = create<TMainForm>(context, *this);
    ErfassenForm = create<TErfassenForm>(context, *this);
    DatenAuflistenForm = create<TDatenAuflistenForm>(context);
    MitarbeiterAussuchenForm = create<TMitarbeiterAussuchenForm>(context);
    AuswertenForm = create<TAuswertenForm>(context);
    PausenForm = create<TPausenForm>(context);
    TranslateForm = create<TTranslateForm>(context.settings(), context.dictionary(), context.reporter());
    SetDataBaseForm = create<TSetDataBaseForm>(context);
    AbschlussForm = create<TAbschlussForm>(context);
    AenderungsprotokollForm = create<TAenderungsprotokollForm>(context);
    SollzeitenForm = create<TSollzeitenForm>(context);
}

ApplicationForms::~ApplicationForms()
{
    for (const auto &window : m_windows) {
        if (auto *form = qobject_cast<SettingsForm *>(window.get()))
            form->saveSettings();
    }
    // The main window closes the table when it goes.
    while (!m_windows.empty())
        m_windows.pop_back();
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
}

QList<QWidget *> ApplicationForms::windows() const
{
    QList<QWidget *> result;
    for (const auto &window : m_windows)
        result.append(window.get());
    return result;
}

void ApplicationForms::applyQtTranslations(int language)
{
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
    const QString code = language == 1 ? QStringLiteral("en") : language == 2 ? QStringLiteral("es") : QStringLiteral("de");
    m_qtTranslator = std::make_unique<QTranslator>();
    if (m_qtTranslator->load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_qtTranslator.get());
    // Month and day names (the calendar pop-ups, Qt's own dialogs) follow the
    // chosen language, not the system's: windows made later take the default,
    // the windows made at start-up are told.
    const QLocale locale(QLocale(code).language(), code == QLatin1String("en")   ? QLocale::UnitedKingdom
                                                   : code == QLatin1String("es") ? QLocale::Spain
                                                                                 : QLocale::Germany);
    QLocale::setDefault(locale);
    for (const auto &window : m_windows)
        window->setLocale(locale);
}
