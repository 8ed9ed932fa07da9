#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/app/AdminMenuFUnit.h"
#include "gui/app/AdminPassFUnit.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "storage/UserListStore.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/WorkTimeTableModel.h"

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
    void failedUpgradeGoesOnWithoutTable();
    void unreachableServerIsToldOnce_data();
    void unreachableServerIsToldOnce();

private:
    void startProgram();
    void writeUsers(const UserListData &data);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestStartup::init()
{
    m_program = std::make_unique<ProgramFixture>();
}

void TestStartup::cleanup()
{
    m_program.reset();
}

void TestStartup::startProgram()
{
    m_program->start();
    QVERIFY(m_program->forms->EinloggenForm->isVisible());
}

void TestStartup::writeUsers(const UserListData &data)
{
    QDir().mkpath(m_program->dataDir());
    QVERIFY(UserListStore::save(m_program->dataDir() + QStringLiteral("benutzer.dat"), data));
}

void TestStartup::firstStartOnCleanMachine()
{
    startProgram();
    QVERIFY(QFileInfo(m_program->dataDir()).isDir());
    QCOMPARE(QFileInfo(m_program->dataDir() + QStringLiteral("arbeitszeit.dbf")).size(), 418);
    QVERIFY(m_program->context->userList().users.isEmpty());
    QCOMPARE(CurrentLanguage(), 3);
    QVERIFY(m_program->forms->EinloggenForm->Deutsch1->isChecked());
    QVERIFY(m_program->reporter.messages().isEmpty());
    // The dictionary holds the program texts and the windows' texts.
    QVERIFY(QFileInfo::exists(m_program->home.filePath(QStringLiteral("program/translate.dat"))));
    QVERIFY(m_program->context->dictionary().rowCount() > 46u);
    QVERIFY(m_program->forms->EinloggenForm->Edit1->hasFocus() || !QApplication::focusWidget());
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
    TEinloggenForm *login = m_program->forms->EinloggenForm;
    QTest::keyClicks(login->Edit1, user);
    QTest::keyClicks(login->Edit2, password);
    QTest::mouseClick(login->BitBtnXP1, Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors(), QStringList{QStringLiteral("Das Passwort oder der Benutzername war leider falsch.")});
    QCOMPARE(m_program->reporter.messages().first().caption, QStringLiteral("Fehler beim Einloggen"));
    QCOMPARE(login->Edit1->text(), user);
    QVERIFY(login->isVisible());
    QVERIFY(m_program->context->arbeiter.isEmpty());
}

void TestStartup::employeeLoginMatchesFirstRow()
{
    UserListData data;
    data.users = {{QStringLiteral("Erste"), QStringLiteral("x"), QStringLiteral("1")},
                  {QStringLiteral("Zweite"), QStringLiteral("x"), QStringLiteral("2")},
                  {QStringLiteral("Dritte"), QStringLiteral("x"), QStringLiteral("2")}};
    writeUsers(data);
    startProgram();
    TEinloggenForm *login = m_program->forms->EinloggenForm;
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
    QCOMPARE(m_program->context->arbeiter, QStringLiteral("Zweite"));
    QVERIFY(login->Edit1->text().isEmpty());
    QVERIFY(login->Edit2->text().isEmpty());
}

void TestStartup::adminLoginWithoutPassword()
{
    startProgram();
    TEinloggenForm *login = m_program->forms->EinloggenForm;
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
    QVERIFY(m_program->reporter.messages().isEmpty());
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
    QTest::mouseClick(m_program->forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);
    QCOMPARE(mainOpened, opens);
    QCOMPARE(m_program->reporter.errors(), errors);
}

void TestStartup::adminFormRefusesDifferentPasswords()
{
    startProgram();
    TMainForm *main = m_program->forms->MainForm;
    TAdminForm *admin = m_program->forms->AdminForm;
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
    QCOMPARE(m_program->reporter.errors(), QStringList{QStringLiteral("Die zwei eingegebenen Passwörter stimmen nicht überein!")});
    QVERIFY(!admin->isVisible());
    // The password is in "benutzer.dat" at once.
    UserListData stored;
    QCOMPARE(UserListStore::load(m_program->dataDir() + QStringLiteral("benutzer.dat"), stored), UserListStore::LoadResult::Loaded);
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
    m_program->forms->MainForm->AdministratorPasswortfestlegen1Click();
    QVERIFY(m_program->reporter.errors().isEmpty());
    QCOMPARE(m_program->context->userList().adminPassword, QStringLiteral("neu"));
    QVERIFY(m_program->context->onlyHours);
    WindowSettingsStore settings(m_program->home.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(settings.value(QStringLiteral("TAdminForm"), QStringLiteral("CheckOnlyhoursCheck_Checked")),
             QStringLiteral("True"));
    QCOMPARE(settings.value(QStringLiteral("TAdminForm"), QStringLiteral("Edit1_Text")), QStringLiteral("neu"));
}

void TestStartup::languageSwitchIsStoredAndAnnounced()
{
    startProgram();
    TranslationDictionary &dictionary = m_program->context->dictionary();
    for (quint32 row = 0; row < dictionary.rowCount(); ++row) {
        if (dictionary.text(row, 0) == QStringLiteral("Sprache"))
            dictionary.setText(row, 1, QStringLiteral("Language"));
        if (dictionary.text(row, 0).startsWith(QStringLiteral("Bitte schließen")))
            dictionary.setText(row, 1, QStringLiteral("Please close the program and start it again."));
    }
    m_program->forms->EinloggenForm->English1->trigger();
    QVERIFY(m_program->forms->EinloggenForm->English1->isChecked());
    QVERIFY(!m_program->forms->EinloggenForm->Deutsch1->isChecked());
    QCOMPARE(CurrentLanguage(), 1);
    QCOMPARE(TestFiles::readAll(m_program->dataDir() + QStringLiteral("options.dat")), TestFiles::le32(1));
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().kind, RecordingReporter::Message::Information);
    QCOMPARE(m_program->reporter.messages().first().text, QStringLiteral("Please close the program and start it again."));
    QCOMPARE(m_program->reporter.messages().first().caption, QStringLiteral("Language"));
    // Windows already on screen keep their language until the next start.
    QCOMPARE(m_program->forms->EinloggenForm->BeendenBtn->text(), QStringLiteral("Programm beenden"));
}

void TestStartup::storedLanguageTranslatesWindows()
{
    {
        RecordingReporter reporter;
        TranslationDictionary dictionary(reporter, m_program->home.filePath(QStringLiteral("program/translate.dat")));
        dictionary.TranslateText(QStringLiteral("Programm beenden"));
        dictionary.setText(0, 2, QStringLiteral("  Salir del programa\r\n"));
        dictionary.TranslateText(QStringLiteral("Datum"));
        dictionary.setText(1, 2, QStringLiteral("Fecha"));
        QVERIFY(dictionary.SaveTranslationFile());
    }
    QDir().mkpath(m_program->dataDir());
    QVERIFY(TestFiles::writeAll(m_program->dataDir() + QStringLiteral("options.dat"), TestFiles::le32(2)));
    startProgram();
    QVERIFY(m_program->forms->EinloggenForm->Espanol1->isChecked());
    QCOMPARE(m_program->forms->EinloggenForm->BeendenBtn->text(), QStringLiteral("Salir del programa"));
    QCOMPARE(m_program->forms->EinloggenForm->BitBtnXP2->text(), QStringLiteral("Als Administrator einloggen"));
    // The table created in Spanish carries the Spanish field name.
    QCOMPARE(m_program->context->tables().Dbf1.fields().at(0).name, QStringLiteral("FECHA"));
    QCOMPARE(m_program->forms->MainForm->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Fecha"));
}

void TestStartup::gridEditIsKeptAfterLoggingOut()
{
    startProgram();
    DbfTable &table = m_program->context->tables().Dbf1;
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
    QTest::mouseClick(m_program->forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);

    DbfTable check(m_program->clock);
    QVERIFY(check.open(m_program->dataDir() + QStringLiteral("arbeitszeit.dbf")));
    QVERIFY(check.first());
    QCOMPARE(check.text(WorkTimeTables::Ort), QStringLiteral("Baustelle Nord"));
    QCOMPARE(check.text(WorkTimeTables::Arbeiter), QStringLiteral("Anna"));
}

void TestStartup::mainWindowOpensOnLastRow()
{
    startProgram();
    DbfTable &table = m_program->context->tables().Dbf1;
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
    QTest::mouseClick(m_program->forms->EinloggenForm->BitBtnXP2, Qt::LeftButton);
    QCOMPARE(currentRow, 49);
}

// An older table that cannot be upgraded (no room for the scratch table) is
// reported and left as it is; the program goes on as for a damaged table.
void TestStartup::failedUpgradeGoesOnWithoutTable()
{
    const QString table = m_program->dataDir() + QStringLiteral("arbeitszeit.dbf");
    QVERIFY(QDir().mkpath(m_program->dataDir() + QStringLiteral("temp.dbf")));
    QVERIFY(QFile::copy(TestFiles::dataPath(QStringLiteral("fuzz/table/short-one-field.dbf")), table));
    const QByteArray before = TestFiles::readAll(table);
    startProgram();
    QCOMPARE(m_program->reporter.errors().size(), 1);
    QVERIFY(m_program->reporter.errors().first().contains(QStringLiteral("arbeitszeit.dbf")));
    QVERIFY(!m_program->context->tables().Dbf1.isOpen());
    QCOMPARE(TestFiles::readAll(table), before);
    QVERIFY(m_program->forms->EinloggenForm->isVisible());
}

void TestStartup::unreachableServerIsToldOnce_data()
{
    QTest::addColumn<QString>("login"); // what the person does after the start
    QTest::newRow("start only") << QString();
    QTest::newRow("employee login") << QStringLiteral("employee");
    QTest::newRow("administrator login") << QStringLiteral("administrator");
}

// A socket directory without a server: nothing listens there.
void TestStartup::unreachableServerIsToldOnce()
{
    QFETCH(QString, login);
    const QString sockets = m_program->home.filePath(QStringLiteral("no-server"));
    m_program->start(QStringLiteral("host=%1 port=55999 dbname=tagwerk user=tagwerk_pc").arg(sockets));
    const QString location = sockets + QStringLiteral(":55999/tagwerk");
    QCOMPARE(m_program->reporter.errors().size(), 1);
    QVERIFY2(m_program->reporter.errors().first().contains(location), qPrintable(m_program->reporter.errors().first()));
    if (login.isEmpty())
        return;
    m_program->reporter.clear();
    TEinloggenForm *window = m_program->forms->EinloggenForm;
    // Not "wrong password", and no main window without the administrator
    // password that the server holds: the server's state, once.
    bool opened = false;
    QSignalSpy loggedIn(window, &TEinloggenForm::employeeLoggedIn);
    QTest::keyClicks(window->Edit1, QStringLiteral("anna"));
    QTest::keyClicks(window->Edit2, QStringLiteral("geheim"));
    if (login == QLatin1String("employee")) {
        QTest::mouseClick(window->BitBtnXP1, Qt::LeftButton);
    } else {
        // Ends with this row, unlike whenModal(), so that no later test meets it.
        QTimer closer;
        closer.setInterval(5);
        connect(&closer, &QTimer::timeout, [&opened] {
            if (auto *main = qobject_cast<TMainForm *>(QApplication::activeModalWidget())) {
                opened = true;
                main->reject();
            }
        });
        closer.start();
        QTest::mouseClick(window->BitBtnXP2, Qt::LeftButton);
    }
    QVERIFY(!opened);
    QCOMPARE(loggedIn.count(), 0);
    QCOMPARE(m_program->reporter.errors().size(), 1);
    QVERIFY2(m_program->reporter.errors().first().contains(location), qPrintable(m_program->reporter.errors().first()));
    QVERIFY(window->isVisible());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
