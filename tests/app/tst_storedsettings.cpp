#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "gui/app/AdminMenuFUnit.h"
#include "gui/app/AdminPassFUnit.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/DataBaseDirFUnit.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "storage/UserListStore.h"
#include "gui/users/BenutzerVerwaltenFUnit.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "gui/widgets/DirectoryEdit.h"

namespace {

// Answers the next modal window of type Window while it lives; unlike
// whenModal, a window that never comes leaves nothing waiting behind.
template <typename Window>
std::unique_ptr<QTimer> answerModal(std::function<void(Window *)> action)
{
    auto timer = std::make_unique<QTimer>();
    QTimer *raw = timer.get();
    raw->setInterval(5);
    QObject::connect(raw, &QTimer::timeout, [raw, action] {
        if (auto *window = qobject_cast<Window *>(QApplication::activeModalWidget())) {
            raw->stop();
            action(window);
        }
    });
    raw->start();
    return timer;
}

// Types text as keys; QTest::keyClicks knows ASCII keys only.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

const QString Unstorable = QStringLiteral("Dieser Text enthält Zeichen, die in der Benutzerdatei nicht gespeichert werden "
                                          "können. Bitte verwenden Sie andere Zeichen.");
const QString Mismatch = QStringLiteral("Die zwei eingegebenen Passwörter stimmen nicht überein!");
const QString WrongPassword = QStringLiteral("Das Passwort war leider falsch.");
} // namespace

// What the program keeps between runs and between PCs: the administrator
// password and options in the shared "benutzer.dat", the windows' options and
// the Database directory in the user's settings store.
class TestStoredSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void userFileWinsOverSettingsCopy();
    void settingsCopyOfPasswordIsNotTrimmed();
    void adminPasswordMustFitUserFile_data();
    void adminPasswordMustFitUserFile();
    void escapeDoesNothingInAdminMenu();
    void unshownWindowsKeepStoredOptions_data();
    void unshownWindowsKeepStoredOptions();
    void breakTimeMarkIsStoredAtOnce();
    void directoryFallbackIsKept_data();
    void directoryFallbackIsKept();

private:
    void startProgram();
    void endProgram();
    void restartProgram();
    void writeUsers(const UserListData &data);
    UserListData storedUsers() const;
    WindowSettingsStore settings() const;
    // Administrator login from the login window, answering the prompt.
    bool adminLogin(const QString &password, const std::function<void(TMainForm *)> &inMainWindow);
    void clickMenuItem(QMenuBar *bar, QMenu *menu, QAction *item);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestStoredSettings::init()
{
    m_program = std::make_unique<ProgramFixture>();
}

void TestStoredSettings::cleanup()
{
    m_program.reset();
}

void TestStoredSettings::startProgram()
{
    m_program->start();
    QVERIFY(m_program->forms->EinloggenForm->isVisible());
}

void TestStoredSettings::endProgram()
{
    // The end of a run: every window goes, writing what it keeps.
    m_program->forms.reset();
    m_program->context.reset();
    m_program->reporter.clear();
}

void TestStoredSettings::restartProgram()
{
    endProgram();
    startProgram();
}

void TestStoredSettings::writeUsers(const UserListData &data)
{
    QDir().mkpath(m_program->dataDir());
    QVERIFY(UserListStore::save(m_program->dataDir() + QStringLiteral("benutzer.dat"), data));
}

UserListData TestStoredSettings::storedUsers() const
{
    UserListData data;
    UserListStore::load(m_program->dataDir() + QStringLiteral("benutzer.dat"), data);
    return data;
}

WindowSettingsStore TestStoredSettings::settings() const
{
    return WindowSettingsStore(m_program->home.filePath(QStringLiteral("settings.ini")));
}

bool TestStoredSettings::adminLogin(const QString &password, const std::function<void(TMainForm *)> &inMainWindow)
{
    bool opened = false;
    std::unique_ptr<QTimer> prompt;
    if (!m_program->context->userList().adminPassword.isEmpty()) {
        prompt = answerModal<TAdminPassForm>([&](TAdminPassForm *form) {
            QTest::keyClicks(form->Edit1, password);
            QTest::mouseClick(form->BitBtnXP1, Qt::LeftButton);
        });
    }
    const auto mainWindow = answerModal<TMainForm>([&](TMainForm *main) {
        opened = true;
        inMainWindow(main);
        if (main->isVisible())
            QTest::mouseClick(main->AusloggenBtn, Qt::LeftButton);
    });
    QTest::mouseClick(m_program->forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);
    return opened;
}

void TestStoredSettings::clickMenuItem(QMenuBar *bar, QMenu *menu, QAction *item)
{
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QTRY_VERIFY(!menu->isVisible());
}

void TestStoredSettings::userFileWinsOverSettingsCopy()
{
    // Another PC changed the password to "neu"; this user's settings still
    // hold the old one from an earlier run.
    UserListData data;
    data.adminPassword = QStringLiteral("neu");
    data.adminPasswordRepeat = QStringLiteral("neu");
    writeUsers(data);
    {
        WindowSettingsStore store = settings();
        store.setValue(QStringLiteral("TAdminForm"), QStringLiteral("Edit1_Text"), QStringLiteral("alt"));
        store.setValue(QStringLiteral("TAdminForm"), QStringLiteral("Edit2_Text"), QStringLiteral("alt"));
        store.sync();
    }
    startProgram();
    // Every showing of the login window restores the administrator's window.
    TEinloggenForm *login = m_program->forms->EinloggenForm;
    login->hide();
    login->show();
    QVERIFY(QTest::qWaitForWindowExposed(login));
    QCOMPARE(m_program->context->userList().adminPassword, QStringLiteral("neu"));

    QVERIFY(!adminLogin(QStringLiteral("alt"), [](TMainForm *) {}));
    QCOMPARE(m_program->reporter.errors(), QStringList{WrongPassword});
    // A save after the login writes the file's password back, not the copy.
    QVERIFY(adminLogin(QStringLiteral("neu"), [](TMainForm *main) {
        whenModal<TBenutzerVerwaltenForm>([](TBenutzerVerwaltenForm *users) { users->reject(); });
        QTest::mouseClick(main->BitBtn1, Qt::LeftButton); // "Benutzer...", then the save
    }));
    QCOMPARE(storedUsers().adminPassword, QStringLiteral("neu"));
    QCOMPARE(storedUsers().adminPasswordRepeat, QStringLiteral("neu"));
}

void TestStoredSettings::settingsCopyOfPasswordIsNotTrimmed()
{
    startProgram();
    whenModal<TAdminForm>([](TAdminForm *form) {
        QTest::keyClicks(form->Edit1, QStringLiteral(" mit Blank "));
        QTest::keyClicks(form->Edit2, QStringLiteral(" mit Blank "));
        QTest::mouseClick(form->BitBtnXP1, Qt::LeftButton);
    });
    m_program->forms->MainForm->AdministratorPasswortfestlegen1Click();
    QCOMPARE(storedUsers().adminPassword, QStringLiteral(" mit Blank "));
    QCOMPARE(settings().value(QStringLiteral("TAdminForm"), QStringLiteral("Edit1_Text")), QStringLiteral(" mit Blank "));
    QCOMPARE(settings().value(QStringLiteral("TAdminForm"), QStringLiteral("Edit2_Text")), QStringLiteral(" mit Blank "));
    restartProgram();
    QCOMPARE(m_program->context->userList().adminPassword, QStringLiteral(" mit Blank "));
}

void TestStoredSettings::adminPasswordMustFitUserFile_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repeated");
    QTest::addColumn<bool>("byCloseBox");
    QTest::addColumn<QString>("refusedIn"); // the field that gets the focus
    // 'ł' is not in Windows-1252; '|' is, but not once raised by four (U+0080).
    QTest::newRow("letter outside the code page, OK") << QStringLiteral("ał|b") << QStringLiteral("ał|b") << false
                                                      << QStringLiteral("Edit1");
    QTest::newRow("letter outside the code page, close box") << QStringLiteral("ał") << QString() << true
                                                             << QStringLiteral("Edit1");
    QTest::newRow("repetition outside after the shift") << QStringLiteral("a|b") << QStringLiteral("a|b") << false
                                                        << QStringLiteral("Edit2");
}

void TestStoredSettings::adminPasswordMustFitUserFile()
{
    QFETCH(QString, password);
    QFETCH(QString, repeated);
    QFETCH(bool, byCloseBox);
    QFETCH(QString, refusedIn);
    startProgram();
    bool stayedOpen = false;
    QString focused;
    whenModal<TAdminForm>([&](TAdminForm *form) {
        typeText(form->Edit1, password);
        typeText(form->Edit2, repeated);
        if (byCloseBox)
            form->close();
        else
            QTest::mouseClick(form->BitBtnXP1, Qt::LeftButton);
        stayedOpen = form->isVisible();
        focused = form->focusWidget() ? form->focusWidget()->objectName() : QString();
        // A password the file can hold goes through.
        form->Edit1->setText(QStringLiteral("a-b"));
        form->Edit2->setText(QStringLiteral("a-b"));
        QTest::mouseClick(form->BitBtnXP1, Qt::LeftButton);
    });
    m_program->forms->MainForm->AdministratorPasswortfestlegen1Click();
    QVERIFY(stayedOpen);
    QCOMPARE(focused, refusedIn);
    QCOMPARE(m_program->reporter.errors(), QStringList{Unstorable});
    QCOMPARE(storedUsers().adminPassword, QStringLiteral("a-b"));
    QCOMPARE(storedUsers().adminPasswordRepeat, QStringLiteral("a-b"));
}

void TestStoredSettings::escapeDoesNothingInAdminMenu()
{
    startProgram();
    bool openAfterEscape = false;
    whenModal<TAdminForm>([&](TAdminForm *form) {
        QTest::keyClicks(form->Edit1, QStringLiteral("eins"));
        QTest::keyClicks(form->Edit2, QStringLiteral("zwei"));
        QTest::keyClick(form->Edit2, Qt::Key_Escape);
        QTest::qWait(20);
        openAfterEscape = form->isVisible();
        form->Edit2->setText(QStringLiteral("eins"));
        QTest::keyClick(form->Edit2, Qt::Key_Return); // OK, the default button
    });
    m_program->forms->MainForm->AdministratorPasswortfestlegen1Click();
    QVERIFY(openAfterEscape);
    QVERIFY(m_program->reporter.errors().isEmpty());
    QCOMPARE(storedUsers().adminPassword, QStringLiteral("eins"));
}

void TestStoredSettings::unshownWindowsKeepStoredOptions_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("component");
    QTest::newRow("hide deleted employees") << QStringLiteral("TMainForm")
                                            << QString::fromLatin1(TMainForm::HideDeletedItem);
    QTest::newRow("same time") << QStringLiteral("TErfassenForm") << QStringLiteral("SameTimeCheck");
    QTest::newRow("night work") << QStringLiteral("TErfassenForm") << QStringLiteral("NachtArbeitCheck");
    QTest::newRow("breaks in the remark") << QStringLiteral("TPausenForm") << QStringLiteral("PauseBemerkCheck");
    QTest::newRow("current month") << QStringLiteral("TDatenAuflistenForm") << QStringLiteral("OnlyCurrentMonth");
    QTest::newRow("hours only") << QStringLiteral("TAdminForm") << QStringLiteral("CheckOnlyhoursCheck");
}

void TestStoredSettings::unshownWindowsKeepStoredOptions()
{
    QFETCH(QString, window);
    QFETCH(QString, component);
    {
        WindowSettingsStore store = settings();
        store.setChecked(window, component, true);
        store.sync();
    }
    // A run that shows nothing but the login window.
    startProgram();
    restartProgram();
    QCOMPARE(settings().checked(window, component), std::optional<bool>(true));
}

void TestStoredSettings::breakTimeMarkIsStoredAtOnce()
{
    startProgram();
    QVERIFY(adminLogin(QString(), [this](TMainForm *main) {
        clickMenuItem(main->MainMenu1, main->Auswertung1, main->PausenzeitinAuswertungauffhren1);
        QVERIFY(main->PausenzeitinAuswertungauffhren1->isChecked());
    }));
    // No administrative window closed in this run, and none is needed.
    QVERIFY(storedUsers().listBreakTime);
    restartProgram();
    QVERIFY(m_program->context->userList().listBreakTime);
    QVERIFY(adminLogin(QString(), [this](TMainForm *main) {
        QVERIFY(main->PausenzeitinAuswertungauffhren1->isChecked());
        clickMenuItem(main->MainMenu1, main->Auswertung1, main->PausenzeitinAuswertungauffhren1);
    }));
    QVERIFY(!storedUsers().listBreakTime);
}

void TestStoredSettings::directoryFallbackIsKept_data()
{
    QTest::addColumn<QString>("button");   // chosen in the dialog
    QTest::addColumn<bool>("asked");       // whether the fallback asks first
    QTest::newRow("own directory, answered Yes") << QStringLiteral("RadioButton2") << true;
    QTest::newRow("program directory, silent") << QStringLiteral("RadioButton3") << false;
}

void TestStoredSettings::directoryFallbackIsKept()
{
    QFETCH(QString, button);
    QFETCH(bool, asked);
    // The program lies where it cannot write (here: its directory is gone).
    QVERIFY(QDir(m_program->programDir()).removeRecursively());
    startProgram();
    TSetDataBaseForm *dialog = m_program->forms->SetDataBaseForm;
    whenModal<TSetDataBaseForm>([&](TSetDataBaseForm *form) {
        QRadioButton *radio = form->findChild<QRadioButton *>(button);
        // On its circle: a click on the empty rest of a wide button does nothing.
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
        QTest::keyClicks(form->DirectoryEdit1->lineEdit(), m_program->home.filePath(QStringLiteral("gone")));
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    clickMenuItem(m_program->forms->EinloggenForm->MainMenu1, m_program->forms->EinloggenForm->Datenbankverzeichnis1,
                  m_program->forms->EinloggenForm->Verzeichnisfestlegen1);
    QTRY_VERIFY(!dialog->isVisible());

    // The next use of the directory cannot write there and falls back.
    m_program->reporter.setNextAnswers({Reporter::Answer::Yes});
    m_program->forms->EinloggenForm->English1->trigger(); // stores the language
    QCOMPARE(m_program->context->GetProgramDir(false), m_program->context->directories().GetProgramDirAPPDATA(false));
    const auto questions = std::count_if(m_program->reporter.messages().cbegin(), m_program->reporter.messages().cend(),
                                         [](const auto &message) { return message.kind == RecordingReporter::Message::Question; });
    QCOMPARE(questions, asked ? 1 : 0);

    endProgram();
    QCOMPARE(settings().checked(QStringLiteral("TSetDataBaseForm"), QStringLiteral("RadioButton1")), std::optional<bool>(true));
    QCOMPARE(settings().checked(QStringLiteral("TSetDataBaseForm"), button), std::optional<bool>(false));
    // No question at the next start, and the dialog shows the directory in use.
    startProgram();
    QVERIFY(m_program->reporter.messages().isEmpty());
    QCOMPARE(m_program->context->directories().choice(), ProgramDirectories::Choice::DefaultDirectory);
    whenModal<TSetDataBaseForm>([](TSetDataBaseForm *form) {
        QVERIFY(form->RadioButton1->isChecked());
        form->reject();
    });
    m_program->forms->EinloggenForm->Verzeichnisfestlegen1->trigger();
}

QTEST_MAIN(TestStoredSettings)
#include "tst_storedsettings.moc"
