#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "storage/UserListStore.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "gui/users/BenutzerBearbeitenFUnit.h"
#include "gui/users/BenutzerVerwaltenFUnit.h"

// User management through its windows, down to "benutzer.dat".
class TestUserWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newUsersAreStoredEvenAfterCancel();
    void editCancelledLeavesTheRow();
    void deletion_data();
    void deletion();
    void untypeableTextIsRefused_data();
    void untypeableTextIsRefused();
    void loginFindsTheFirstOfTwoEqualRows();

private:
    UserListData stored() const;
    void addUser(TBenutzerVerwaltenForm *list, const QString &name, const QString &login, const QString &password);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestUserWindows::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->start();
}

void TestUserWindows::cleanup()
{
    m_program.reset();
}

UserListData TestUserWindows::stored() const
{
    UserListData data;
    UserListStore::load(m_program->dataDir() + QStringLiteral("benutzer.dat"), data);
    return data;
}

void TestUserWindows::addUser(TBenutzerVerwaltenForm *list, const QString &name, const QString &login, const QString &password)
{
    whenModal<TBenutzerBearbeitenForm>([=](TBenutzerBearbeitenForm *edit) {
        QVERIFY(edit->LabeledEdit1->text().isEmpty());
        QCOMPARE(edit->windowTitle(), QStringLiteral("Neuer Benutzer"));
        QTest::keyClicks(edit->LabeledEdit1, name);
        QTest::keyClicks(edit->LabeledEdit2, login);
        QTest::keyClicks(edit->LabeledEdit3, password);
        QTest::mouseClick(edit->BitBtn4, Qt::LeftButton);
    });
    QTest::mouseClick(list->NeuerBenutzerBtn, Qt::LeftButton);
}

void TestUserWindows::newUsersAreStoredEvenAfterCancel()
{
    whenModal<TBenutzerVerwaltenForm>([this](TBenutzerVerwaltenForm *list) {
        addUser(list, QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim"));
        addUser(list, QString(), QString(), QString()); // accepted as it is
        QCOMPARE(list->ListView1->topLevelItemCount(), 2);
        QCOMPARE(list->ListView1->topLevelItem(0)->text(2), QStringLiteral("geheim")); // shown in clear
        QTest::mouseClick(list->BitBtn5, Qt::LeftButton); // Cancel keeps what was done
    });
    QTest::mouseClick(m_program->forms->MainForm->BitBtn1, Qt::LeftButton);
    const UserListData data = stored();
    QCOMPARE(data.users.size(), 2);
    QCOMPARE(data.users.at(0), (UserRow{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}));
    QCOMPARE(data.users.at(1), UserRow());
}

void TestUserWindows::editCancelledLeavesTheRow()
{
    m_program->context->userList().users = {{QStringLiteral("Anna"), QStringLiteral("anna"), QStringLiteral("1")}};
    whenModal<TBenutzerVerwaltenForm>([](TBenutzerVerwaltenForm *list) {
        list->ListView1->setCurrentItem(list->ListView1->topLevelItem(0));
        whenModal<TBenutzerBearbeitenForm>([](TBenutzerBearbeitenForm *edit) {
            QCOMPARE(edit->LabeledEdit2->text(), QStringLiteral("anna"));
            QCOMPARE(edit->windowTitle(), QStringLiteral("Benutzer bearbeiten"));
            edit->LabeledEdit1->setText(QStringLiteral("Berta"));
            QTest::mouseClick(edit->BitBtn5, Qt::LeftButton);
        });
        QTest::mouseClick(list->BenutzerBearbeitenBtn, Qt::LeftButton);
        whenModal<TBenutzerBearbeitenForm>([](TBenutzerBearbeitenForm *edit) {
            edit->LabeledEdit3->setText(QStringLiteral("2"));
            QTest::mouseClick(edit->BitBtn4, Qt::LeftButton);
        });
        QTest::mouseClick(list->BenutzerBearbeitenBtn, Qt::LeftButton);
        list->close(); // the close box as well
    });
    m_program->forms->MainForm->Benutzerverwalten1Click();
    QCOMPARE(stored().users, (QList<UserRow>{{QStringLiteral("Anna"), QStringLiteral("anna"), QStringLiteral("2")}}));
}

void TestUserWindows::deletion_data()
{
    QTest::addColumn<Reporter::Answer>("answer");
    QTest::addColumn<int>("remaining");
    QTest::newRow("yes") << Reporter::Answer::Yes << 1;
    QTest::newRow("no") << Reporter::Answer::No << 2;
    QTest::newRow("cancel") << Reporter::Answer::Cancel << 2;
}

void TestUserWindows::deletion()
{
    QFETCH(Reporter::Answer, answer);
    QFETCH(int, remaining);
    m_program->context->userList().users = {{QStringLiteral("Anna"), QStringLiteral("a"), QStringLiteral("1")},
                                            {QStringLiteral("Bernd"), QStringLiteral("b"), QStringLiteral("2")}};
    m_program->reporter.setNextAnswers({answer});
    whenModal<TBenutzerVerwaltenForm>([](TBenutzerVerwaltenForm *list) {
        list->ListView1->clearSelection();
        QTest::mouseClick(list->BenutzerLoeschenBtn, Qt::LeftButton); // nothing selected: nothing happens
        list->ListView1->setCurrentItem(list->ListView1->topLevelItem(0));
        QTest::mouseClick(list->BenutzerLoeschenBtn, Qt::LeftButton);
        QTest::mouseClick(list->BitBtn5, Qt::LeftButton);
    });
    m_program->forms->MainForm->Benutzerverwalten1Click();
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().text, QStringLiteral("Hiermit löschen Sie den folgenden Mitarbeiter: Anna"));
    QCOMPARE(m_program->reporter.messages().first().caption, QStringLiteral("Löschen"));
    QCOMPARE(stored().users.size(), remaining);
    QCOMPARE(stored().users.last().employeeName, QStringLiteral("Bernd"));
}

void TestUserWindows::untypeableTextIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("refused");
    QTest::newRow("fine") << QStringLiteral("Käthe Größer") << QStringLiteral("a}b") << false;
    QTest::newRow("Polish name") << QStringLiteral("Łukasz") << QStringLiteral("x") << true;
    QTest::newRow("password with ü") << QStringLiteral("Jürgen") << QStringLiteral("Müll") << true;
}

void TestUserWindows::untypeableTextIsRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(bool, refused);
    TBenutzerBearbeitenForm *edit = m_program->forms->BenutzerBearbeitenForm;
    edit->setUser({name, QStringLiteral("login"), password});
    edit->show();
    edit->BitBtn4Click();
    QCOMPARE(edit->isVisible(), refused);
    QCOMPARE(m_program->reporter.errors().size(), refused ? 1 : 0);
    edit->hide();
}

void TestUserWindows::loginFindsTheFirstOfTwoEqualRows()
{
    m_program->context->userList().users = {{QStringLiteral("Erste"), QStringLiteral("x"), QStringLiteral("1")},
                                            {QStringLiteral("Zweite"), QStringLiteral("x"), QStringLiteral("1")}};
    whenModal<TErfassenForm>([](TErfassenForm *entry) { entry->reject(); });
    TEinloggenForm *login = m_program->forms->EinloggenForm;
    login->Edit1->setText(QStringLiteral("x"));
    login->Edit2->setText(QStringLiteral("1"));
    login->BitBtnXP1Click();
    QCOMPARE(m_program->context->arbeiter, QStringLiteral("Erste"));
}

QTEST_MAIN(TestUserWindows)
#include "tst_userwindows.moc"
