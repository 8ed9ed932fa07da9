#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "gui/recording/PauseFUnit.h"
#include "storage/WorkTimeTables.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"

// What an employee types into the record entry and break windows: times as
// in a time picker, texts no longer than the table holds, and a line that
// says which booking was stored.
class TestEntryInputs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void timeFieldsTakeTypedDigits_data();
    void timeFieldsTakeTypedDigits();
    void breakFieldsTakeTypedDigits();
    void textsTakeNoMoreThanTheirField_data();
    void textsTakeNoMoreThanTheirField();
    void breakListTooLongForTheRemark();
    void storedBookingIsShownInTheWindow_data();
    void storedBookingIsShownInTheWindow();

private:
    QWidget *focused() const { return QApplication::focusWidget(); }
    void clickAndType(QTimeEdit *picker, double where, const QString &keys);
    void book(const QString &place, const QString &activity);

    std::unique_ptr<ProgramFixture> m_program;
    TErfassenForm *m_entry = nullptr;
};

void TestEntryInputs::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2025, 2, 3), QTime(17, 5)));
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_entry = m_program->forms->ErfassenForm;
    m_entry->prepare();
    m_entry->show();
    QVERIFY(QTest::qWaitForWindowActive(m_entry));
}

void TestEntryInputs::cleanup()
{
    m_program.reset();
}

void TestEntryInputs::clickAndType(QTimeEdit *picker, double where, const QString &keys)
{
    auto *text = picker->findChild<QLineEdit *>();
    QVERIFY(text);
    const QPoint point(qBound(1, int(where * text->width()), text->width() - 2), text->height() / 2);
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(focused(), picker);
    QTest::keyClicks(focused(), keys);
}

void TestEntryInputs::book(const QString &place, const QString &activity)
{
    QTest::keyClicks(m_entry->Orted, place);
    QTest::keyClicks(m_entry->TatEd, activity);
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
}

void TestEntryInputs::timeFieldsTakeTypedDigits_data()
{
    QTest::addColumn<QString>("picker");
    QTest::addColumn<double>("where");
    for (const char *picker : {"DateTimePicker1", "DateTimePicker2", "DateTimePicker4"}) {
        QTest::addRow("%s, on the hour", picker) << QString::fromLatin1(picker) << 0.05;
        QTest::addRow("%s, on the minutes", picker) << QString::fromLatin1(picker) << 0.3;
        QTest::addRow("%s, right of the text", picker) << QString::fromLatin1(picker) << 0.95;
    }
}

void TestEntryInputs::timeFieldsTakeTypedDigits()
{
    QFETCH(QString, picker);
    QFETCH(double, where);
    auto *field = m_entry->findChild<QTimeEdit *>(picker);
    QVERIFY(field);
    field->setTime(QTime(0, 0));
    clickAndType(field, where, QStringLiteral("1000"));
    QCOMPARE(field->time(), QTime(10, 0));
    // Select all and type the time with its colon.
    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focused(), QStringLiteral("07:45"));
    QCOMPARE(field->time(), QTime(7, 45));
}

void TestEntryInputs::breakFieldsTakeTypedDigits()
{
    // Two breaks typed into the break window; the booking gets their sum
    // and, listed, the remark.
    whenModal<TPausenForm>([this](TPausenForm *breaks) {
        // A click before the window is active leaves the focus where it was.
        QVERIFY(QTest::qWaitForWindowActive(breaks));
        breaks->PauseBemerkCheck->setChecked(true);
        const char *typed[] = {"0900", "0915", "12:00", "1230"};
        for (int i = 0; i < 4; ++i)
            clickAndType(breaks->DateTimePicker[i], i % 2 == 0 ? 0.05 : 0.9, QString::fromLatin1(typed[i]));
        QTest::mouseClick(breaks->ErfassenBtn, Qt::LeftButton);
    });
    QTest::mouseClick(m_entry->PauseBtn, Qt::LeftButton);
    QCOMPARE(m_entry->DateTimePicker4->time(), QTime(0, 45));
    QCOMPARE(m_entry->BemEd->text(), QStringLiteral("Pausen: 09:00-09:15; 12:00-12:30"));
}

void TestEntryInputs::textsTakeNoMoreThanTheirField_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("width");
    QTest::newRow("place") << QStringLiteral("Orted") << int(WorkTimeTables::Ort) << 45;
    QTest::newRow("activity") << QStringLiteral("TatEd") << int(WorkTimeTables::Taetigkeit) << 45;
    QTest::newRow("remark") << QStringLiteral("BemEd") << int(WorkTimeTables::Bemerkungen) << 100;
}

void TestEntryInputs::textsTakeNoMoreThanTheirField()
{
    QFETCH(QString, input);
    QFETCH(int, field);
    QFETCH(int, width);
    QWidget *widget = m_entry->findChild<QWidget *>(input);
    QVERIFY(widget);
    QString typed;
    for (int i = 0; typed.size() < width + 10; ++i)
        typed += QString::number(i % 10);
    QTest::keyClicks(widget, typed);
    const QString kept = qobject_cast<QComboBox *>(widget) ? qobject_cast<QComboBox *>(widget)->currentText()
                                                          : qobject_cast<QLineEdit *>(widget)->text();
    QCOMPARE(kept, typed.left(width));
    // Stored as it shows, nothing cut.
    if (m_entry->Orted->currentText().isEmpty())
        QTest::keyClicks(m_entry->Orted, QStringLiteral("Halle 2"));
    if (m_entry->TatEd->currentText().isEmpty())
        QTest::keyClicks(m_entry->TatEd, QStringLiteral("Montage"));
    m_entry->DateTimePicker2->setTime(QTime(12, 0));
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors(), QStringList());
    DbfTable &table = m_program->context->tables().Dbf1;
    QVERIFY(table.first());
    QCOMPARE(table.text(field), kept);
}

void TestEntryInputs::breakListTooLongForTheRemark()
{
    // 80 characters of remark and a list of two breaks (32 characters).
    const QString remark = QString(80, QLatin1Char('r'));
    QTest::keyClicks(m_entry->BemEd, remark);
    whenModal<TPausenForm>([](TPausenForm *breaks) {
        breaks->PauseBemerkCheck->setChecked(true);
        breaks->DateTimePicker[0]->setTime(QTime(9, 0));
        breaks->DateTimePicker[1]->setTime(QTime(9, 15));
        breaks->DateTimePicker[2]->setTime(QTime(12, 0));
        breaks->DateTimePicker[3]->setTime(QTime(12, 30));
        QTest::mouseClick(breaks->ErfassenBtn, Qt::LeftButton);
    });
    QTest::mouseClick(m_entry->PauseBtn, Qt::LeftButton);
    const QString full = remark + QStringLiteral("Pausen: 09:00-09:15; 12:00-12:30");
    const QString tooLong = QStringLiteral("Die Bemerkung ist 112 Zeichen lang, gespeichert werden höchstens 100. "
                                           "Bitte kürzen Sie die Bemerkung.");
    // Said at once, and the remark kept whole for the employee to shorten.
    QCOMPARE(m_program->reporter.errors(), QStringList{tooLong});
    QCOMPARE(m_entry->BemEd->text(), full);
    QCOMPARE(m_entry->DateTimePicker4->time(), QTime(0, 45));

    // Not stored while it does not fit, and not cut.
    m_entry->DateTimePicker2->setTime(QTime(12, 0));
    m_program->reporter.clear();
    book(QStringLiteral("Halle 2"), QStringLiteral("Montage"));
    QCOMPARE(m_program->reporter.errors(), QStringList{tooLong});
    QCOMPARE(m_program->context->tables().Dbf1.rowCount(), 0);
    QCOMPARE(m_entry->focusWidget(), m_entry->BemEd);

    // It may only shrink: typed characters are refused, deleted ones count.
    QTest::keyClicks(m_entry->BemEd, QStringLiteral("xyz"));
    QCOMPARE(m_entry->BemEd->text(), full);
    m_entry->BemEd->setCursorPosition(0);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(m_entry->BemEd, Qt::Key_Delete);
    m_program->reporter.clear();
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors().join(QLatin1Char('|')), QString());
    DbfTable &table = m_program->context->tables().Dbf1;
    QCOMPARE(table.rowCount(), 1);
    QVERIFY(table.first());
    QCOMPARE(table.text(WorkTimeTables::Bemerkungen), full.mid(12));
    // After the booking the remark takes 100 characters again.
    QTest::keyClicks(m_entry->BemEd, QString(120, QLatin1Char('x')));
    QCOMPARE(m_entry->BemEd->text().size(), 100);
}

void TestEntryInputs::storedBookingIsShownInTheWindow_data()
{
    QTest::addColumn<bool>("hoursOnly");
    QTest::addColumn<QString>("shown");
    QTest::newRow("from and to") << false << QStringLiteral("Gespeichert: %1, 08:00–12:00 Halle 2");
    QTest::newRow("hours only") << true << QStringLiteral("Gespeichert: %1, 04:00 Stunden Halle 2");
}

void TestEntryInputs::storedBookingIsShownInTheWindow()
{
    QFETCH(bool, hoursOnly);
    QFETCH(QString, shown);
    m_program->context->onlyHours = hoursOnly;
    m_entry->prepare();
    shown = shown.arg(m_entry->DateTimePicker3->date().toString(QStringLiteral("dd.MM.yyyy")));
    QCOMPARE(m_entry->StatusLabel->text(), QString());
    if (!hoursOnly)
        clickAndType(m_entry->DateTimePicker1, 0.5, QStringLiteral("0800"));
    clickAndType(m_entry->DateTimePicker2, 0.5, hoursOnly ? QStringLiteral("0400") : QStringLiteral("1200"));
    book(QStringLiteral("Halle 2"), QStringLiteral("Montage"));
    // A line in the window, no box to click away.
    QVERIFY(m_program->reporter.messages().isEmpty());
    QCOMPARE(m_entry->StatusLabel->text(), shown);
    QVERIFY(m_entry->StatusLabel->isVisible());

    // The same again, answered Yes, is stored as double and says so.
    m_program->reporter.setNextAnswers({Reporter::Answer::Yes});
    book(QStringLiteral("Halle 2"), QStringLiteral("Montage"));
    if (!hoursOnly)
        QCOMPARE(m_entry->StatusLabel->text(), shown + QStringLiteral(" (doppelte Buchung)"));

    // A booking that fails its checks leaves no line of an earlier one.
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors().size(), 1);
    QCOMPARE(m_entry->StatusLabel->text(), QString());

    // Nor does the next login see the line of this one.
    m_program->reporter.setNextAnswers({Reporter::Answer::Yes});
    book(QStringLiteral("Halle 3"), QStringLiteral("Montage"));
    QVERIFY(!m_entry->StatusLabel->text().isEmpty());
    m_entry->prepare();
    QCOMPARE(m_entry->StatusLabel->text(), QString());
}

QTEST_MAIN(TestEntryInputs)
#include "tst_entryinputs.moc"
