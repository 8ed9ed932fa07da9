#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AdminMenuFUnit.h"
#include "app/AdminPassFUnit.h"
#include "app/AppContext.h"
#include "app/ApplicationForms.h"
#include "app/EinloggenFUnit.h"
#include "app/MainUnit.h"
#include "recording/ErfassenFUnit.h"
#include "storage/UserListStore.h"
#include "support/FixedClock.h"
#include "support/GuiTestHelpers.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "widgets/DataGrid.h"
#include "widgets/WorkTimeTableModel.h"

// The program from its first window: start-up on a clean machine, the logins,
// the administrator settings, the language menu and the booking grid.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstStartOnCleanMachine();
    void wrongLoginIsRefused_data();
    void wrongLoginIsRefused();
    void employeeLoginMatchesFirstRow();
    void adminLoginWithoutPassword();
    void adminLoginWithPassword_data();
    void adminLoginWithPassword();
    void adminFormRefusesDifferentPasswords();
    void adminFormKeepsFieldsWhenClosedByCloseBox();
    void languageSwitchIsStoredAndAnnounced();
    void storedLanguageTranslatesWindows();
    void gridEditIsKeptAfterLoggingOut();
    void mainWindowOpensOnLastRow();

private:
    void startProgram();
    QString dataDir() const { return m_home->filePath(QStringLiteral("appdata/Korvald/Tagwerk/")); }
    void writeUsers(const UserListData &data);

    std::unique_ptr<QTemporaryDir> m_home;
    RecordingReporter m_reporter;
    FixedClock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<ApplicationForms> m_forms;
};

void TestStartup::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    QDir(m_home->path()).mkpath(QStringLiteral("program"));
    m_reporter.clear();
}

void TestStartup::cleanup()
{
    m_forms.reset();
    m_context.reset();
}

void TestStartup::startProgram()
{
    m_context = std::make_unique<AppContext>(
        m_reporter, m_clock, m_home->filePath(QStringLiteral("program")), m_home->filePath(QStringLiteral("appdata")),
        std::make_unique<WindowSettingsStore>(m_home->filePath(QStringLiteral("settings.ini"))));
    m_forms = std::make_unique<ApplicationForms>(*m_context);
    m_forms->EinloggenForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_forms->EinloggenForm));
}

void TestStartup::writeUsers(const UserListData &data)
{
    QDir().mkpath(dataDir());
    QVERIFY(UserListStore::save(dataDir() + QStringLiteral("benutzer.dat"), data));
}

void TestStartup::firstStartOnCleanMachine()
{
    startProgram();
    QVERIFY(QFileInfo(dataDir()).isDir());
    QCOMPARE(QFileInfo(dataDir() + QStringLiteral("arbeitszeit.dbf")).size(), 418);
    QVERIFY(m_context->userList().users.isEmpty());
    QCOMPARE(CurrentLanguage(), 3);
    QVERIFY(m_forms->EinloggenForm->Deutsch1->isChecked());
    QVERIFY(m_reporter.messages().isEmpty());
    // The dictionary holds the program texts and the windows' texts.
    QVERIFY(QFileInfo::exists(m_home->filePath(QStringLiteral("program/translate.dat"))));
    QVERIFY(m_context->dictionary().rowCount() > 46u);
    QVERIFY(m_forms->EinloggenForm->Edit1->hasFocus() || !QApplication::focusWidget());
}

void TestStartup::wrongLoginIsRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password") << QStringLiteral("anna") << QStringLiteral("falsch");
    QTest::newRow("name in other case") << QStringLiteral("Anna") << QStringLiteral("geheim");
    QTest::newRow("empty user name") << QString() << QString();
    QTest::newRow("unknown user") << QStringLiteral("bernd") << QStringLiteral("geheim");
}

void TestStartup::wrongLoginIsRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    UserListData data;
    data.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    writeUsers(data);
    startProgram();
    TEinloggenForm *login = m_forms->EinloggenForm;
    QTest::keyClicks(login->Edit1, user);
    QTest::keyClicks(login->Edit2, password);
    QTest::mouseClick(login->BitBtnXP1, Qt::LeftButton);
    QCOMPARE(m_reporter.errors(), QStringList{QStringLiteral("Das Passwort oder der Benutzername war leider falsch.")});
    QCOMPARE(m_reporter.messages().first().caption, QStringLiteral("Fehler beim Einloggen"));
    QCOMPARE(login->Edit1->text(), user);
    QVERIFY(login->isVisible());
    QVERIFY(m_context->arbeiter.isEmpty());
}

void TestStartup::employeeLoginMatchesFirstRow()
{
    UserListData data;
    data.users = {{QStringLiteral("Erste"), QStringLiteral("x"), QStringLiteral("1")},
                  {QStringLiteral("Zweite"), QStringLiteral("x"), QStringLiteral("2")},
                  {QStringLiteral("Dritte"), QStringLiteral("x"), QStringLiteral("2")}};
    writeUsers(data);
    startProgram();
    TEinloggenForm *login = m_forms->EinloggenForm;
    QSignalSpy loggedIn(login, &TEinloggenForm::employeeLoggedIn);
    bool entryOpened = false;
    whenModal<TErfassenForm>([&](TErfassenForm *entry) {
        entryOpened = true;
        QVERIFY(!login->isVisible());
        entry->reject();
    });
    QTest::keyClicks(login->Edit1, QStringLiteral("x"));
    QTest::keyClicks(login->Edit2, QStringLiteral("2"));
    QTest::keyClick(login->Edit2, Qt::Key_Return); // the default button
    QCOMPARE(loggedIn.count(), 1);
    QVERIFY(entryOpened);
    QVERIFY(login->isVisible());
    QCOMPARE(m_context->arbeiter, QStringLiteral("Zweite"));
    QVERIFY(login->Edit1->text().isEmpty());
    QVERIFY(login->Edit2->text().isEmpty());
}

void TestStartup::adminLoginWithoutPassword()
{
    startProgram();
    TEinloggenForm *login = m_forms->EinloggenForm;
    QTest::keyClicks(login->Edit1, QStringLiteral("getippt"));
    bool opened = false;
    whenModal<TMainForm>([&](TMainForm *main) {
        opened = true;
        QCOMPARE(main->model()->rowCount(), 0);
        QCOMPARE(main->model()->columnCount(), 12);
        QVERIFY(!login->isVisible());
        QTest::mouseClick(main->AusloggenBtn, Qt::LeftButton);
    });
    QTest::mouseClick(login->BitBtnXP2, Qt::LeftButton);
    QVERIFY(opened);
    QVERIFY(login->isVisible());
    QCOMPARE(login->Edit1->text(), QStringLiteral("getippt")); // kept after the administrator leaves
    QVERIFY(m_reporter.messages().isEmpty());
}

void TestStartup::adminLoginWithPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("right password") << QStringLiteral("chef") << false << true << QStringList();
    QTest::newRow("wrong password") << QStringLiteral("Chef") << false << false
                                    << QStringList{QStringLiteral("Das Passwort war leider falsch.")};
    QTest::newRow("cancelled") << QStringLiteral("chef") << true << false << QStringList();
}

void TestStartup::adminLoginWithPassword()
{
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(bool, opens);
    QFETCH(QStringList, errors);
    UserListData data;
    data.adminPassword = QStringLiteral("chef");
    data.adminPasswordRepeat = QStringLiteral("chef");
    writeUsers(data);
    startProgram();
    bool mainOpened = false;
    whenModal<TAdminPassForm>([&](TAdminPassForm *prompt) {
        QTest::keyClicks(prompt->Edit1, typed);
        QTest::mouseClick(cancel ? prompt->BitBtnXP2 : prompt->BitBtnXP1, Qt::LeftButton);
        if (opens) {
            whenModal<TMainForm>([&](TMainForm *main) {
                mainOpened = true;
                main->reject();
            });
        }
    });
    QTest::mouseClick(m_forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);
    QCOMPARE(mainOpened, opens);
    QCOMPARE(m_reporter.errors(), errors);
}

void TestStartup::adminFormRefusesDifferentPasswords()
{
    startProgram();
    TMainForm *main = m_forms->MainForm;
    TAdminForm *admin = m_forms->AdminForm;
    bool stayedOpen = false;
    whenModal<TAdminForm>([&](TAdminForm *form) {
        QTest::keyClicks(form->Edit1, QStringLiteral("eins"));
        QTest::keyClicks(form->Edit2, QStringLiteral("zwei"));
        QTest::mouseClick(form->BitBtnXP1, Qt::LeftButton);
        stayedOpen = form->isVisible();
        form->Edit2->setText(QStringLiteral("eins"));
        QTest::mouseClick(form->BitBtnXP1, Qt::LeftButton);
    });
    main->AdministratorPasswortfestlegen1Click();
    QVERIFY(stayedOpen);
    QCOMPARE(m_reporter.errors(), QStringList{QStringLiteral("Die zwei eingegebenen Passwörter stimmen nicht überein!")});
    QVERIFY(!admin->isVisible());
    // The password is in "benutzer.dat" at once.
    UserListData stored;
    QCOMPARE(UserListStore::load(dataDir() + QStringLiteral("benutzer.dat"), stored), UserListStore::LoadResult::Loaded);
    QCOMPARE(stored.adminPassword, QStringLiteral("eins"));
}

void TestStartup::adminFormKeepsFieldsWhenClosedByCloseBox()
{
    startProgram();
    whenModal<TAdminForm>([](TAdminForm *form) {
        QTest::keyClicks(form->Edit1, QStringLiteral("neu"));
        QTest::keyClicks(form->Edit2, QStringLiteral("anders"));
        form->CheckOnlyhoursCheck->setChecked(true);
        form->close();
    });
    m_forms->MainForm->AdministratorPasswortfestlegen1Click();
    QVERIFY(m_reporter.errors().isEmpty());
    QCOMPARE(m_context->userList().adminPassword, QStringLiteral("neu"));
    QVERIFY(m_context->onlyHours);
    WindowSettingsStore settings(m_home->filePath(QStringLiteral("settings.ini")));
    QCOMPARE(settings.value(QStringLiteral("TAdminForm"), QStringLiteral("CheckOnlyhoursCheck_Checked")),
             QStringLiteral("True"));
    QCOMPARE(settings.value(QStringLiteral("TAdminForm"), QStringLiteral("Edit1_Text")), QStringLiteral("neu"));
}

void TestStartup::languageSwitchIsStoredAndAnnounced()
{
    startProgram();
    TranslationDictionary &dictionary = m_context->dictionary();
    for (quint32 row = 0; row < dictionary.rowCount(); ++row) {
        if (dictionary.text(row, 0) == QStringLiteral("Übersetzen"))
            dictionary.setText(row, 1, QStringLiteral("Translate"));
        if (dictionary.text(row, 0).startsWith(QStringLiteral("Bitte schließen")))
            dictionary.setText(row, 1, QStringLiteral("Please close the program and start it again."));
    }
    m_forms->EinloggenForm->English1->trigger();
    QVERIFY(m_forms->EinloggenForm->English1->isChecked());
    QVERIFY(!m_forms->EinloggenForm->Deutsch1->isChecked());
    QCOMPARE(CurrentLanguage(), 1);
    QCOMPARE(TestFiles::readAll(dataDir() + QStringLiteral("options.dat")), TestFiles::le32(1));
    QCOMPARE(m_reporter.messages().size(), 1);
    QCOMPARE(m_reporter.messages().first().kind, RecordingReporter::Message::Information);
    QCOMPARE(m_reporter.messages().first().text, QStringLiteral("Please close the program and start it again."));
    QCOMPARE(m_reporter.messages().first().caption, QStringLiteral("Translate"));
    // Windows already on screen keep their language until the next start.
    QCOMPARE(m_forms->EinloggenForm->BeendenBtn->text(), QStringLiteral("Programm beenden"));
}

void TestStartup::storedLanguageTranslatesWindows()
{
    {
        RecordingReporter reporter;
        TranslationDictionary dictionary(reporter, m_home->filePath(QStringLiteral("program/translate.dat")));
        dictionary.TranslateText(QStringLiteral("Programm beenden"));
        dictionary.setText(0, 2, QStringLiteral("  Salir del programa\r\n"));
        dictionary.TranslateText(QStringLiteral("Datum"));
        dictionary.setText(1, 2, QStringLiteral("Fecha"));
        QVERIFY(dictionary.SaveTranslationFile());
    }
    QDir().mkpath(dataDir());
    QVERIFY(TestFiles::writeAll(dataDir() + QStringLiteral("options.dat"), TestFiles::le32(2)));
    startProgram();
    QVERIFY(m_forms->EinloggenForm->Espanol1->isChecked());
    QCOMPARE(m_forms->EinloggenForm->BeendenBtn->text(), QStringLiteral("Salir del programa"));
    QCOMPARE(m_forms->EinloggenForm->BitBtnXP2->text(), QStringLiteral("Als Administrator einloggen"));
    // The table created in Spanish carries the Spanish field name.
    QCOMPARE(m_context->tables().Dbf1.fields().at(0).name, QStringLiteral("FECHA"));
    QCOMPARE(m_forms->MainForm->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("FECHA"));
}

void TestStartup::gridEditIsKeptAfterLoggingOut()
{
    startProgram();
    DbfTable &table = m_context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    QVERIFY(table.append(record));

    whenModal<TMainForm>([](TMainForm *main) {
        DataGrid *grid = main->DBGrid1;
        const QModelIndex place = main->model()->index(0, WorkTimeTables::Ort);
        grid->setCurrentIndex(place);
        grid->edit(place);
        QTRY_VERIFY(grid->isEditing());
        QTest::keyClicks(grid->openEditor(), QStringLiteral("Baustelle Nord"));
        QTest::mouseClick(main->AusloggenBtn, Qt::LeftButton);
    });
    QTest::mouseClick(m_forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);

    DbfTable check(m_clock);
    QVERIFY(check.open(dataDir() + QStringLiteral("arbeitszeit.dbf")));
    QVERIFY(check.first());
    QCOMPARE(check.text(WorkTimeTables::Ort), QStringLiteral("Baustelle Nord"));
    QCOMPARE(check.text(WorkTimeTables::Arbeiter), QStringLiteral("Anna"));
}

void TestStartup::mainWindowOpensOnLastRow()
{
    startProgram();
    DbfTable &table = m_context->tables().Dbf1;
    for (int i = 0; i < 50; ++i) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Bemerkungen, QString::number(i));
        QVERIFY(table.append(record));
    }
    int currentRow = -1;
    whenModal<TMainForm>([&](TMainForm *main) {
        currentRow = main->DBGrid1->currentIndex().row();
        main->reject();
    });
    QTest::mouseClick(m_forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);
    QCOMPARE(currentRow, 49);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
