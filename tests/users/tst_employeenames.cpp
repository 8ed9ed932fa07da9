#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "support/ProgramFixture.h"
#include "gui/users/BenutzerBearbeitenFUnit.h"

// An employee's bookings carry the name in a field of 45 characters whose
// trailing blanks the table drops; the user edit window takes only names
// that meet their bookings again.
class TestEmployeeNames : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nameMustFitTheTable_data();
    void nameMustFitTheTable();

private:
    std::unique_ptr<ProgramFixture> m_program;
};

void TestEmployeeNames::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->start();
}

void TestEmployeeNames::cleanup()
{
    m_program.reset();
}

void TestEmployeeNames::nameMustFitTheTable_data()
{
    const QString tooLong = QStringLiteral("Der Name des Mitarbeiters darf höchstens 45 Zeichen lang sein.");
    const QString blank = QStringLiteral("Der Name des Mitarbeiters darf nicht mit einem Leerzeichen enden.");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("45 characters") << QString(45, QLatin1Char('a')) << QString();
    QTest::newRow("46 characters") << QString(46, QLatin1Char('a')) << tooLong;
    QTest::newRow("45 umlauts") << QString(45, QChar(0xE4)) << QString();
    QTest::newRow("blank at the end") << QStringLiteral("Anna Berg ") << blank;
    QTest::newRow("blank inside") << QStringLiteral("Anna Berg") << QString();
    QTest::newRow("blank in front") << QStringLiteral(" Anna") << QString();
    QTest::newRow("too long and a blank at the end") << QString(45, QLatin1Char('a')) + QLatin1Char(' ') << tooLong;
}

void TestEmployeeNames::nameMustFitTheTable()
{
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    TBenutzerBearbeitenForm *edit = m_program->forms->BenutzerBearbeitenForm;
    edit->setUser({QString(), QStringLiteral("login"), QStringLiteral("pw")});
    edit->show();
    QVERIFY(QTest::qWaitForWindowActive(edit));
    // Key clicks carry ASCII only; the umlauts are typed as an input method would.
    bool ascii = true;
    for (QChar c : name)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(edit->LabeledEdit1, name);
    else
        edit->LabeledEdit1->insert(name);
    QTest::mouseClick(edit->BitBtn4, Qt::LeftButton);
    if (refusal.isEmpty()) {
        QVERIFY(m_program->reporter.errors().isEmpty());
        QVERIFY(!edit->isVisible());
        QCOMPARE(edit->result(), int(QDialog::Accepted));
        QCOMPARE(edit->user().employeeName, name);
        return;
    }
    // Refused with a clear word, the window open on the name as typed.
    QCOMPARE(m_program->reporter.errors(), QStringList{refusal});
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->LabeledEdit1->text(), name);
    QCOMPARE(QApplication::focusWidget(), edit->LabeledEdit1);
    edit->hide();
}

QTEST_MAIN(TestEmployeeNames)
#include "tst_employeenames.moc"
