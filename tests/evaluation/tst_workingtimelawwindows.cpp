#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/widgets/FileDialog.h"

// "Arbeitszeitgesetz prüfen..." from the main window: its menu item, the
// choice window with all employees first, and the result window with its CSV.
class TestWorkingTimeLawWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuItemStandsWithTheEvaluations();
    void allEmployeesComeFirst();
    void oneEmployeeAndCsv();
    void closedChoiceWindowMakesNoReport();
    void readingIsChosenInTheWindow_data();
    void readingIsChosenInTheWindow();
    void reversedPeriodIsSentBack_data();
    void reversedPeriodIsSentBack();
    void evaluationsKeepTheirChoiceWindow();

private:
    void start();
    void addRow(const char *date, const char *employee, const char *from, const char *to);
    // Chooses the entry and the period in the choice window, then returns
    // the result window's text (empty when none opened).
    QString runCheck(int entry, QStringList *choices = nullptr, const QString &csvPath = {},
                     const std::function<void(TMitarbeiterAussuchenForm *)> &adjust = {});

    std::unique_ptr<ProgramFixture> m_program;
};

void TestWorkingTimeLawWindows::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2024, 3, 20), QTime(10, 0)));
}

void TestWorkingTimeLawWindows::cleanup()
{
    m_program.reset();
}

void TestWorkingTimeLawWindows::start()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
}

void TestWorkingTimeLawWindows::addRow(const char *date, const char *employee, const char *from, const char *to)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QString::fromUtf8(date));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(employee));
    record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(from));
    record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(to));
    QVERIFY(table.append(record));
}

QString TestWorkingTimeLawWindows::runCheck(int entry, QStringList *choices, const QString &csvPath,
                                           const std::function<void(TMitarbeiterAussuchenForm *)> &adjust)
{
    QString shown;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        for (int i = 0; choices && i < choice->ArbeiterEd->count(); ++i)
            *choices << choice->ArbeiterEd->itemText(i);
        choice->ArbeiterEd->setCurrentIndex(entry);
        choice->DateTimePicker1->setDate(QDate(2024, 3, 4));
        choice->DateTimePicker2->setDate(QDate(2024, 3, 10));
        if (adjust)
            adjust(choice);
        whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
            shown = result->RichEdit1->toPlainText();
            if (!csvPath.isEmpty()) {
                FileDialog::setNextFileName(csvPath);
                QTest::mouseClick(result->CsvBtn, Qt::LeftButton);
            }
            QTest::mouseClick(result->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
    });
    m_program->forms->MainForm->Arbeitszeitgesetzprfen1->trigger();
    return shown;
}

void TestWorkingTimeLawWindows::menuItemStandsWithTheEvaluations()
{
    start();
    TMainForm *main = m_program->forms->MainForm;
    const QList<QAction *> items = main->Auswertung1->actions();
    const qsizetype sorted = items.indexOf(main->AuswertungnachZeitraumsortiertnachBaustelle1);
    QCOMPARE(items.indexOf(main->Arbeitszeitgesetzprfen1), sorted + 1);
    QCOMPARE(main->Arbeitszeitgesetzprfen1->text(), QStringLiteral("Arbeitszeitgesetz prüfen..."));
    QCOMPARE(main->Arbeitszeitgesetzprfen1->objectName(), QStringLiteral("Arbeitszeitgesetzprfen1"));
}

void TestWorkingTimeLawWindows::allEmployeesComeFirst()
{
    start();
    addRow("04.03.2024", "Bernd", "07:00", "17:01"); // 10:01
    addRow("10.03.2024", "Anna", "09:00", "10:00");  // a Sunday
    QStringList choices;
    const QString shown = runCheck(0, &choices);
    QCOMPARE(choices, (QStringList{QStringLiteral("(alle Mitarbeiter)"), QStringLiteral("Bernd"), QStringLiteral("Anna")}));
    const QStringList lines = shown.split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("Auswertung Arbeitszeitgesetz (alle Mitarbeiter)"));
    QCOMPARE(lines.at(1), QStringLiteral("Mit Uhrzeiten von bis gelesen: geprüft werden § 3, § 4, § 5 und § 9."));
    QCOMPARE(lines.at(2), QStringLiteral("Zeitraum von: 04.03.2024 bis: 10.03.2024"));
    QCOMPARE(lines.at(5), QStringLiteral("10.03.2024 Anna                      § 9      1:00         0:00      Sonntagsarbeit"));
    QCOMPARE(lines.at(6), QStringLiteral("04.03.2024 Bernd                     § 3      10:01        10:00     Arbeitszeit über 10 Stunden"));
    QCOMPARE(lines.last(), QStringLiteral("Geprüfte Mitarbeitertage: 2"));
    QVERIFY(m_program->reporter.messages().isEmpty());
}

void TestWorkingTimeLawWindows::oneEmployeeAndCsv()
{
    start();
    addRow("04.03.2024", "Bernd", "07:00", "17:01");
    addRow("10.03.2024", "Anna", "09:00", "10:00");
    const QString csv = m_program->home.filePath(QStringLiteral("law.csv"));
    const QString shown = runCheck(1, nullptr, csv);
    QVERIFY(shown.startsWith(QStringLiteral("Auswertung Arbeitszeitgesetz Bernd\n")));
    QVERIFY(!shown.contains(QStringLiteral("Anna")));
    QCOMPARE(TestFiles::readAll(csv), QByteArray("\xEF\xBB\xBF"
                                                 "Datum;Mitarbeiter;Paragraf;Festgestellt;Grenzwert;Erläuterung\r\n"
                                                 "04.03.2024;Bernd;§3;10:01;10:00;Arbeitszeit über 10 Stunden\r\n"
                                                 "04.03.2024;Bernd;§4;0:00;0:45;Pause zu kurz\r\n"));
}

void TestWorkingTimeLawWindows::closedChoiceWindowMakesNoReport()
{
    start();
    bool resultOpened = false;
    whenModal<TMitarbeiterAussuchenForm>([](TMitarbeiterAussuchenForm *choice) { choice->reject(); });
    m_program->forms->MainForm->Arbeitszeitgesetzprfen1->trigger();
    // Had the result window opened, it would still be waiting here.
    resultOpened = QApplication::activeModalWidget() != nullptr;
    QVERIFY(!resultOpened);
    QVERIFY(m_program->reporter.messages().isEmpty());
}

void TestWorkingTimeLawWindows::readingIsChosenInTheWindow_data()
{
    QTest::addColumn<bool>("optionSet");
    QTest::addColumn<bool>("toggle");
    QTest::addColumn<bool>("readAsHours");
    QTest::newRow("the option off") << false << false << false;
    QTest::newRow("the option on") << true << false << true;
    QTest::newRow("hours with the option off") << false << true << true;
    QTest::newRow("times with the option on") << true << true << false;
}

// Seven hours booked as 00:00-07:00 lack their break only when read as times.
void TestWorkingTimeLawWindows::readingIsChosenInTheWindow()
{
    QFETCH(bool, optionSet);
    QFETCH(bool, toggle);
    QFETCH(bool, readAsHours);
    start();
    m_program->context->onlyHours = optionSet;
    addRow("04.03.2024", "Bernd", "00:00", "07:00");
    bool offered = false;
    bool ticked = false;
    const QString shown = runCheck(0, nullptr, {}, [&](TMitarbeiterAussuchenForm *choice) {
        offered = choice->HoursOnlyCheck->isVisible();
        ticked = choice->HoursOnlyCheck->isChecked();
        if (toggle)
            QTest::mouseClick(choice->HoursOnlyCheck, Qt::LeftButton, {}, QPoint(2, choice->HoursOnlyCheck->height() / 2));
    });
    QVERIFY(offered);
    QCOMPARE(ticked, optionSet);
    const QStringList lines = shown.split(QLatin1Char('\n'));
    QCOMPARE(lines.at(1), readAsHours ? QStringLiteral("Nur Stundenanzahl erfasst: geprüft werden nur § 3 und § 9.")
                                      : QStringLiteral("Mit Uhrzeiten von bis gelesen: geprüft werden § 3, § 4, § 5 und § 9."));
    QCOMPARE(shown.contains(QStringLiteral("Pause zu kurz")), !readAsHours);
    QCOMPARE(m_program->context->onlyHours, optionSet); // the option itself stays
}

void TestWorkingTimeLawWindows::reversedPeriodIsSentBack_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a week") << QDate(2024, 3, 4) << QDate(2024, 3, 10) << false;
    QTest::newRow("one day") << QDate(2024, 3, 10) << QDate(2024, 3, 10) << false;
    QTest::newRow("the end one day before the start") << QDate(2024, 3, 11) << QDate(2024, 3, 10) << true;
}

// A refused period leaves the window open for the dates to be mended.
void TestWorkingTimeLawWindows::reversedPeriodIsSentBack()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, refused);
    start();
    addRow("10.03.2024", "Anna", "09:00", "10:00");
    bool stayedOpen = false;
    const QString shown = runCheck(0, nullptr, {}, [&](TMitarbeiterAussuchenForm *choice) {
        choice->DateTimePicker1->setDate(from);
        choice->DateTimePicker2->setDate(to);
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
        stayedOpen = choice->isVisible();
        choice->DateTimePicker1->setDate(QDate(2024, 3, 4));
        choice->DateTimePicker2->setDate(QDate(2024, 3, 10));
    });
    QCOMPARE(stayedOpen, refused);
    QVERIFY(shown.contains(QStringLiteral("Sonntagsarbeit")));
    const QStringList expected = refused ? QStringList{QStringLiteral(
                                               "Der Zeitraum beginnt nach seinem Ende: bitte das Datum von und bis prüfen.")}
                                         : QStringList{};
    QCOMPARE(m_program->reporter.errors(), expected);
}

// The other evaluations share the window, without the box and with the
// period as it is.
void TestWorkingTimeLawWindows::evaluationsKeepTheirChoiceWindow()
{
    start();
    addRow("10.03.2024", "Anna", "09:00", "10:00");
    bool offered = true;
    bool closed = false;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        offered = choice->HoursOnlyCheck->isVisible();
        choice->DateTimePicker1->setDate(QDate(2024, 3, 11));
        choice->DateTimePicker2->setDate(QDate(2024, 3, 10));
        whenModal<TAuswertenForm>([](TAuswertenForm *result) { QTest::mouseClick(result->BitBtn1, Qt::LeftButton); });
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
        closed = !choice->isVisible();
    });
    m_program->forms->MainForm->AuswertungnachZeitraumsortiertnachBaustelle1->trigger();
    QVERIFY(!offered);
    QVERIFY(closed);
    QVERIFY(m_program->reporter.errors().isEmpty());
}

QTEST_MAIN(TestWorkingTimeLawWindows)
#include "tst_workingtimelawwindows.moc"
