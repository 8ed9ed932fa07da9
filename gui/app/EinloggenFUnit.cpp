#include "EinloggenFUnit.h"

#include <QAction>
#include <QActionGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "AdminMenuFUnit.h"
#include "session/AppContext.h"
#include "ApplicationForms.h"
#include "DataBaseDirFUnit.h"
#include "MainUnit.h"
#include "base/Reporter.h"
#include "gui/recording/ErfassenFUnit.h"
#include "gui/translation/TranslateFUnit.h"
#include "gui/translation/TranslateComponents.h"
#include "translation/translateunit.h"

TEinloggenForm::TEinloggenForm(AppContext &context, ApplicationForms &forms)
    : SettingsForm(context.settings(), QStringLiteral("TEinloggenForm"))
    , m_context(context)
    , m_forms(forms)
{
    // Creating the login window loads the dictionary.
    context.BuildTranslationIndex();

    setWindowTitle(QStringLiteral("Als Benutzer einloggen"));
    buildMenu();

    GroupBox1 = new QGroupBox(QStringLiteral("Als Benutzer einloggen"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(QStringLiteral("Benutzername:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2 = new QLabel(QStringLiteral("Passwort:"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEchoMode(QLineEdit::Password);
    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    BitBtnXP1 = new QPushButton(QStringLiteral("Als Benutzer einloggen"), GroupBox1);
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    BitBtnXP1->setDefault(true);

    auto *employee = new QGridLayout(GroupBox1);
    employee->addWidget(Label1, 0, 0);
    employee->addWidget(Edit1, 0, 1);
    employee->addWidget(Label2, 1, 0);
    employee->addWidget(Edit2, 1, 1);
    employee->addWidget(BitBtnXP1, 2, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("Als Administrator einloggen"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    BitBtnXP2 = new QPushButton(QStringLiteral("Als Administrator einloggen"), GroupBox2);
    BitBtnXP2->setObjectName(QStringLiteral("BitBtnXP2"));
    BitBtnXP2->setAutoDefault(false);
    auto *admin = new QVBoxLayout(GroupBox2);
    admin->addWidget(BitBtnXP2);

    BeendenBtn = new QPushButton(QStringLiteral("Programm beenden"), this);
    BeendenBtn->setObjectName(QStringLiteral("BeendenBtn"));
    BeendenBtn->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addWidget(BeendenBtn, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtnXP1, &QPushButton::clicked, this, &TEinloggenForm::BitBtnXP1Click);
    connect(BitBtnXP2, &QPushButton::clicked, this, &TEinloggenForm::BitBtnXP2Click);
    // "Programm beenden" is the cancel button: Esc closes the window as well.
    connect(BeendenBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TEinloggenForm::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Sprache1 = MainMenu1->addMenu(QStringLiteral("Sprache"));
    Sprache1->setObjectName(QStringLiteral("Sprache1"));
    auto *languages = new QActionGroup(this);
    languages->setExclusive(true);
    const struct {
        QAction **item;
        const char *objectName;
        const char16_t *caption;
        int code;
    } items[] = {{&Deutsch1, "Deutsch1", u"Deutsch", TranslationDictionary::German},
                 {&English1, "English1", u"English", TranslationDictionary::English},
                 {&Espanol1, "Espanol1", u"Español", TranslationDictionary::Spanish}};
    for (const auto &item : items) {
        QAction *action = Sprache1->addAction(QString::fromUtf16(item.caption));
        action->setObjectName(QLatin1String(item.objectName));
        action->setCheckable(true);
        languages->addAction(action);
        const int code = item.code;
        // triggered fires for the user's click only, not when the program sets
        // the check mark, so LoadOptions needs no further guard than dontchlang.
        connect(action, &QAction::triggered, this, [this, code] { chooseLanguage(code); });
        *item.item = action;
    }
    Deutsch1->setChecked(true);
    Sprache1->addSeparator()->setObjectName(QStringLiteral("N1"));
    bersetzen1 = Sprache1->addAction(QStringLiteral("Übersetzen..."));
    bersetzen1->setObjectName(QStringLiteral("bersetzen1"));
    connect(bersetzen1, &QAction::triggered, this, [this] {
        m_forms.TranslateForm->FillStringGrid();
        m_forms.TranslateForm->exec();
        showRestartNotice();
    });

    Datenbankverzeichnis1 = MainMenu1->addMenu(QStringLiteral("Datenbankverzeichnis"));
    Datenbankverzeichnis1->setObjectName(QStringLiteral("Datenbankverzeichnis1"));
    Verzeichnisfestlegen1 = Datenbankverzeichnis1->addAction(QStringLiteral("Datenbankverzeichnis festlegen..."));
    Verzeichnisfestlegen1->setObjectName(QStringLiteral("Verzeichnisfestlegen1"));
    connect(Verzeichnisfestlegen1, &QAction::triggered, this, [this] { m_forms.SetDataBaseForm->exec(); });
}

void TEinloggenForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    m_forms.AdminForm->restoreSettings();
    Edit1->setFocus();
    if (!firstshow)
        firstShow();
}

void TEinloggenForm::firstShow()
{
    TSetDataBaseForm *setDataBase = m_forms.SetDataBaseForm;
    setDataBase->restoreSettings();
    setDataBase->Edit1->setText(m_context.directories().GetProgramDirAPPDATA(false));
    // A server out of reach was said so once at start; reading it again here
    // would only repeat that. The first login reads it.
    const bool readStore = !m_context.serverUnread();
    if (readStore)
        m_context.LoadBenutzer();
    m_context.setTableDirectories();
    firstshow = true;
    LoadOptions();
    m_context.dictionary().RegisterProgramTexts();
    SetCurrentLanguage(m_context.languagesetto);
    m_forms.applyQtTranslations(m_context.languagesetto);
    if (m_context.languagesetto != 0)
        TranslateComponents(m_forms.windows());
    SettleWindowTitles(m_forms.windows());
    if (readStore)
        m_context.CreateandopenTables();
}

void TEinloggenForm::LoadOptions()
{
    dontchlang = true;
    Deutsch1->setChecked(true);
    m_context.LoadOptions();
    if (m_context.languagesetto == TranslationDictionary::English)
        English1->setChecked(true);
    else if (m_context.languagesetto == TranslationDictionary::Spanish)
        Espanol1->setChecked(true);
    else if (m_context.languagesetto == TranslationDictionary::German)
        Deutsch1->setChecked(true);
    dontchlang = false;
}

void TEinloggenForm::SaveOptions()
{
    m_context.SaveOptions();
}

void TEinloggenForm::chooseLanguage(int language)
{
    if (dontchlang)
        return;
    SetCurrentLanguage(language);
    SaveOptions();
    m_forms.applyQtTranslations(language);
    showRestartNotice();
}

void TEinloggenForm::showRestartNotice()
{
    // Titled by what the notice is about, the language, whether it follows
    // a choice in the menu or the translation editor.
    m_context.reporter().information(ProgramText(1), TranslateText(QStringLiteral("Sprache")));
}

void TEinloggenForm::BitBtnXP1Click()
{
    if (!m_context.readyForLogin())
        return;
    if (!m_context.loginEmployee(Edit1->text(), Edit2->text())) {
        m_context.reporter().error(ProgramText(3), ProgramText(4));
        return;
    }
    emit employeeLoggedIn();
    TErfassenForm *entry = m_forms.ErfassenForm;
    hide();
    entry->prepare();
    entry->exec();
    show();
    Edit1->clear();
    Edit2->clear();
}

void TEinloggenForm::BitBtnXP2Click()
{
    if (!m_context.readyForLogin())
        return;
    TMainForm *main = m_forms.MainForm;
    if (!main->IsAdmin())
        return;
    m_context.store().setAuthor(QLatin1String(ChangeLog::AdministratorName));
    hide();
    main->exec();
    show();
}
