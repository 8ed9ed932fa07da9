#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "evaluation/AccountReport.h"
#include "gui/account/SollzeitenFUnit.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "gui/widgets/FileDialog.h"
#include "session/AppContext.h"
#include "storage/AccountTables.h"
#include "storage/WorkTimeTables.h"
#include "support/GuiTestHelpers.h"
#include "recording/ChangeLogHistory.h"
#include "support/ProgramFixture.h"

namespace {

// Cells written as one text, separated by blanks.
QStringList cells(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '));
}

} // namespace

// The working-time account in the windows: the administrator's window of
// target hours, absences and the firm's days; the two reports of the
// evaluation menu; and the line in the employee's booking window.
class TestAccountWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void targetRowAndAbsenceAreStored();
    void refusalIsTold_data();
    void refusalIsTold();
    void firmStateAndDays();
    void reportRows_data();
    void reportRows();
    void bookingWindowLine_data();
    void bookingWindowLine();
    void tablesWithoutFolderSaySo();

private:
    void start();
    void addBooking(const char *date, const char *employee, const char *from, const char *to);
    // Anna from 03.03.2025 and Bernd from the same day, Monday to Friday;
    // Anna booked two days and took one day off.
    void addAccount();
    // Opens the administrator's window from the main window's menu, runs
    // `act` in it and closes it.
    void inAccountWindow(const std::function<void(TSollzeitenForm *)> &act);
    static void clickDay(QCalendarWidget *calendar, QDate date);
    AccountData stored();

    std::unique_ptr<ProgramFixture> m_program;
};

void TestAccountWindows::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2025, 3, 20), QTime(10, 0))); // a Thursday
}

void TestAccountWindows::cleanup()
{
    m_program.reset();
}

void TestAccountWindows::start()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    m_program->context->userList().adminPassword = QStringLiteral("chef");
}

void TestAccountWindows::addBooking(const char *date, const char *employee, const char *from, const char *to)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QString::fromUtf8(date));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(employee));
    record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(from));
    record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(to));
    QVERIFY(table.append(record));
}

void TestAccountWindows::addAccount()
{
    AccountTables tables = m_program->context->accountTables();
    TargetWeek anna{QStringLiteral("Anna"), QDate(2025, 3, 3), {480, 480, 480, 480, 480, 0, 0}, 30, 0};
    TargetWeek bernd{QStringLiteral("Bernd"), QDate(2025, 3, 3), {240, 240, 240, 240, 240, 0, 0}, 0, 0};
    QVERIFY(tables.setTarget(anna));
    QVERIFY(tables.setTarget(bernd));
    QVERIFY(tables.addAbsence({QStringLiteral("Anna"), QDate(2025, 3, 5), QDate(2025, 3, 5), AbsenceKind::Vacation, false}));
    addBooking("03.03.2025", "Anna", "08:00", "16:00");
    addBooking("04.03.2025", "Anna", "08:00", "17:00");
    addBooking("04.03.2025", "Carla", "08:00", "17:00"); // no target: not in the account
}

void TestAccountWindows::inAccountWindow(const std::function<void(TSollzeitenForm *)> &act)
{
    bool opened = false;
    whenModal<TSollzeitenForm>([&](TSollzeitenForm *form) {
        opened = true;
        act(form);
        QTest::mouseClick(form->CloseBtn, Qt::LeftButton);
    });
    m_program->forms->MainForm->SollzeitenundAbwesenheiten1->trigger();
    QVERIFY(opened);
}

// A click on the day's cell, as the user makes it: days 10 to 20 stand in
// the month's page once.
void TestAccountWindows::clickDay(QCalendarWidget *calendar, QDate date)
{
    calendar->setCurrentPage(date.year(), date.month());
    auto *view = calendar->findChild<QTableView *>();
    QVERIFY(view);
    QAbstractItemModel *model = view->model();
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            if (index.data().toInt() == date.day()) {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
                return;
            }
        }
    }
    QFAIL("the day is not in the calendar");
}

AccountData TestAccountWindows::stored()
{
    AccountData data;
    AccountTables tables = m_program->context->accountTables();
    [&] { QVERIFY(tables.read(data)); }();
    return data;
}

void TestAccountWindows::targetRowAndAbsenceAreStored()
{
    start();
    inAccountWindow([&](TSollzeitenForm *form) {
        form->EmployeeEd->lineEdit()->clear();
        QTest::keyClicks(form->EmployeeEd->lineEdit(), QStringLiteral("Anna"));
        form->ValidFromEd->setDate(QDate(2025, 3, 3));
        for (int day = 0; day < 5; ++day) {
            form->WeekEd[day]->clear();
            QTest::keyClicks(form->WeekEd[day], day == 4 ? QStringLiteral("6:30") : QStringLiteral("8:00"));
        }
        QTest::keyClicks(form->VacationEd, QStringLiteral("27,5"));
        QTest::keyClicks(form->BalanceEd, QStringLiteral("-1:30"));
        QTest::mouseClick(form->TargetBtn, Qt::LeftButton);
        QCOMPARE(form->TargetGrid->rowCount(), 1);
        QStringList shown;
        for (int column = 0; column < form->TargetGrid->columnCount(); ++column)
            shown << form->TargetGrid->item(0, column)->text();
        QCOMPARE(shown, cells("03.03.2025 8:00 8:00 8:00 8:00 6:30 0:00 0:00 27,5 -1:30"));

        // A range picked in the calendar: its first day, then its last.
        clickDay(form->Calendar, QDate(2025, 3, 12));
        clickDay(form->Calendar, QDate(2025, 3, 10));
        QCOMPARE(form->FromEd->date(), QDate(2025, 3, 10));
        QCOMPARE(form->ToEd->date(), QDate(2025, 3, 12));
        form->KindEd->setCurrentIndex(1);
        QTest::keyClick(form->HalfDayCheck, Qt::Key_Space);
        QTest::mouseClick(form->AddAbsenceBtn, Qt::LeftButton);
        QCOMPARE(form->AbsenceGrid->rowCount(), 1);
        QCOMPARE(form->AbsenceGrid->item(0, 0)->text(), QStringLiteral("10.03.2025"));
        QCOMPARE(form->AbsenceGrid->item(0, 1)->text(), QStringLiteral("12.03.2025"));
        QCOMPARE(form->AbsenceGrid->item(0, 2)->text(), QStringLiteral("Krankheit"));
        QCOMPARE(form->AbsenceGrid->item(0, 3)->text(), QStringLiteral("Ja"));
        QVERIFY(form->Calendar->dateTextFormat(QDate(2025, 3, 11)).fontWeight() == QFont::Bold);
    });
    QVERIFY2(m_program->reporter.messages().isEmpty(), qPrintable(m_program->reporter.messages().value(0).text));
    const AccountData data = stored();
    QCOMPARE(data.targets.size(), 1);
    QCOMPARE(data.targets.first(),
             (TargetWeek{QStringLiteral("Anna"), QDate(2025, 3, 3), {480, 480, 480, 480, 390, 0, 0}, 27.5, -90}));
    QCOMPARE(data.absences,
             (QList<Absence>{{QStringLiteral("Anna"), QDate(2025, 3, 10), QDate(2025, 3, 12), AbsenceKind::Sick, true}}));

    // Opened again, the window shows what is stored, and removes it.
    inAccountWindow([&](TSollzeitenForm *form) {
        form->EmployeeEd->setCurrentText(QStringLiteral("Anna"));
        QCOMPARE(form->WeekEd[4]->text(), QStringLiteral("6:30"));
        form->AbsenceGrid->setCurrentCell(0, 0);
        QTest::mouseClick(form->RemoveAbsenceBtn, Qt::LeftButton);
        QCOMPARE(form->AbsenceGrid->rowCount(), 0);
        form->TargetGrid->setCurrentCell(0, 0);
        QTest::mouseClick(form->RemoveTargetBtn, Qt::LeftButton);
        QCOMPARE(form->TargetGrid->rowCount(), 0);
    });
    QVERIFY(stored().absences.isEmpty());
    QVERIFY(stored().targets.isEmpty());
    // Each change went into the change history first.
    QList<ChangeLogEntry::Action> actions;
    ChangeLogHistory history(m_program->context->historyDirectory(false));
    QVERIFY(history.read({}, [&actions](const ChangeLogEntry &entry) { actions << entry.action; }));
    QCOMPARE(actions.count(ChangeLogEntry::Action::AbsenceTable), 2);
    QCOMPARE(actions.count(ChangeLogEntry::Action::TargetTable), 2);
}

void TestAccountWindows::refusalIsTold_data()
{
    QTest::addColumn<QDate>("closedUntil"); // none: nothing closed
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("closed period") << QDate(2025, 3, 14) << QDate(2025, 3, 14) << QDate(2025, 3, 18) << QString();
    QTest::newRow("overlap") << QDate() << QDate(2025, 3, 4) << QDate(2025, 3, 6)
                             << QStringLiteral("Anna ist vom 05.03.2025 bis 05.03.2025 schon abwesend.");
    QTest::newRow("reversed") << QDate() << QDate(2025, 3, 12) << QDate(2025, 3, 11)
                              << QStringLiteral("Die Abwesenheit endet vor ihrem Beginn.");
}

void TestAccountWindows::refusalIsTold()
{
    QFETCH(QDate, closedUntil);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, message);
    start();
    addAccount();
    if (closedUntil.isValid()) {
        QCOMPARE(m_program->context->closePeriod(closedUntil, QStringLiteral("chef")).result, ClosedPeriod::Change::Done);
        message = m_program->context->closedPeriod().bookingRefusal(from);
        QVERIFY(!message.isEmpty());
    }
    m_program->reporter.clear();
    inAccountWindow([&](TSollzeitenForm *form) {
        form->EmployeeEd->setCurrentText(QStringLiteral("Anna"));
        QCOMPARE(form->AbsenceGrid->rowCount(), 1);
        form->FromEd->setDate(from);
        form->ToEd->setDate(to);
        QTest::mouseClick(form->AddAbsenceBtn, Qt::LeftButton);
        QCOMPARE(form->AbsenceGrid->rowCount(), 1);
    });
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().kind, RecordingReporter::Message::Error);
    QCOMPARE(m_program->reporter.messages().first().text, message);
    QCOMPARE(stored().absences.size(), 1);
}

void TestAccountWindows::firmStateAndDays()
{
    start();
    inAccountWindow([&](TSollzeitenForm *form) {
        QCOMPARE(form->StateEd->itemText(0), QStringLiteral("(keines)"));
        form->StateEd->setCurrentText(QStringLiteral("BY"));
        QTest::mouseClick(form->StateBtn, Qt::LeftButton);
        form->FirmDayEd->setDate(QDate(2025, 8, 8));
        QTest::mouseClick(form->FirmDayBtn, Qt::LeftButton); // no name: refused
        QTest::keyClicks(form->FirmDayNameEd, QStringLiteral("Augsburger Friedensfest"));
        QTest::mouseClick(form->FirmDayBtn, Qt::LeftButton);
        QCOMPARE(form->FirmDayGrid->rowCount(), 1);
        QCOMPARE(form->FirmDayGrid->item(0, 1)->text(), QStringLiteral("Augsburger Friedensfest"));
    });
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().text, QStringLiteral("Bitte einen Namen für den Tag eingeben."));
    const AccountData data = stored();
    QCOMPARE(data.state, QStringLiteral("BY"));
    QCOMPARE(data.firmDays, (QList<FirmDay>{{QDate(2025, 8, 8), QStringLiteral("Augsburger Friedensfest")}}));
}

void TestAccountWindows::reportRows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("entry"); // 0: all employees
    QTest::addColumn<QString>("title");
    QTest::addColumn<QList<QStringList>>("rows");
    const QStringList anna = cells("Anna 03.2025 40:00 17:00 8:00 -15:00 -15:00 1 29");
    const QStringList bernd = cells("Bernd 03.2025 20:00 0:00 0:00 -20:00 -20:00 0 0");
    QTest::newRow("account, all") << int(AccountReport::Kind::Account) << 0
                                  << QStringLiteral("Arbeitszeitkonto 03.03.2025 - 09.03.2025")
                                  << QList<QStringList>{anna, bernd};
    QTest::newRow("account, one") << int(AccountReport::Kind::Account) << 2
                                  << QStringLiteral("Arbeitszeitkonto 03.03.2025 - 09.03.2025")
                                  << QList<QStringList>{bernd};
    QList<QStringList> missing{cells("Anna 06.03.2025"), cells("Anna 07.03.2025")};
    for (int day = 3; day <= 7; ++day)
        missing.append({QStringLiteral("Bernd"), QStringLiteral("0%1.03.2025").arg(day)});
    QTest::newRow("missing, all") << int(AccountReport::Kind::Missing) << 0
                                  << QStringLiteral("Fehlende Buchungen 03.03.2025 - 09.03.2025") << missing;
}

void TestAccountWindows::reportRows()
{
    QFETCH(int, kind);
    QFETCH(int, entry);
    QFETCH(QString, title);
    QFETCH(QList<QStringList>, rows);
    start();
    addAccount();
    const QString csv = m_program->home.filePath(QStringLiteral("account.csv"));
    QStringList choices;
    QStringList lines;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        for (int i = 0; i < choice->ArbeiterEd->count(); ++i)
            choices << choice->ArbeiterEd->itemText(i);
        choice->ArbeiterEd->setCurrentIndex(entry);
        choice->DateTimePicker1->setDate(QDate(2025, 3, 3));
        choice->DateTimePicker2->setDate(QDate(2025, 3, 9));
        whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
            lines = result->textLines();
            FileDialog::setNextFileName(csv);
            QTest::mouseClick(result->CsvBtn, Qt::LeftButton);
            QTest::mouseClick(result->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
    });
    TMainForm *main = m_program->forms->MainForm;
    (kind == int(AccountReport::Kind::Account) ? main->Arbeitszeitkonto1 : main->FehlendeBuchungen1)->trigger();
    QCOMPARE(choices, QStringList{QStringLiteral("(alle Mitarbeiter)")} + cells("Anna Bernd"));
    QVERIFY(lines.size() > 3);
    QCOMPARE(lines.first(), title);
    QList<QStringList> shown;
    for (const QString &line : lines.mid(3))
        shown << line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(shown, rows);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> csvLines = file.readAll().trimmed().split('\n');
    QCOMPARE(csvLines.size(), rows.size() + 1); // the column titles first
    QVERIFY(csvLines.at(1).startsWith(rows.first().first().toUtf8()));
    QVERIFY(m_program->reporter.messages().isEmpty());
}

void TestAccountWindows::bookingWindowLine_data()
{
    QTest::addColumn<QString>("employee");
    QTest::addColumn<QString>("line"); // empty: none shown; ~ a no-break space
    QTest::newRow("with target") << QStringLiteral("Anna")
                                 << QStringLiteral("Saldo bis gestern: -79:00, Resturlaub: 29 Tage\n"
                                                   "Fehlende Buchungen: Do~06.03., Fr~07.03., Mo~10.03., Di~11.03., "
                                                   "Mi~12.03., Do~13.03., Fr~14.03., Mo~17.03., Di~18.03., Mi~19.03.");
    QTest::newRow("without target") << QStringLiteral("Carla") << QString();
}

void TestAccountWindows::bookingWindowLine()
{
    QFETCH(QString, employee);
    QFETCH(QString, line);
    start();
    addAccount();
    m_program->context->arbeiter = employee;
    TErfassenForm *entry = m_program->forms->ErfassenForm;
    entry->prepare();
    entry->show();
    QCOMPARE(entry->AccountLabel->isVisible(), !line.isEmpty());
    QCOMPARE(entry->AccountLabel->text(), QString(line).replace(QLatin1Char('~'), QChar(0x00A0)));
    if (line.isEmpty())
        return;
    // Booking a missing day takes it off the line.
    entry->Orted->setEditText(QStringLiteral("Bonn"));
    entry->TatEd->setEditText(QStringLiteral("Montage"));
    entry->DateTimePicker1->setTime(QTime(8, 0));
    entry->DateTimePicker2->setTime(QTime(12, 0));
    entry->DateTimePicker3->setDate(QDate(2025, 3, 6));
    QTest::mouseClick(entry->ErfassenBtn, Qt::LeftButton);
    QVERIFY2(m_program->reporter.messages().isEmpty(), qPrintable(m_program->reporter.messages().value(0).text));
    QVERIFY(entry->AccountLabel->text().startsWith(QStringLiteral("Saldo bis gestern: -75:00,")));
    QVERIFY(entry->AccountLabel->text().contains(QStringLiteral("Fehlende Buchungen: Fr\u00A007.03., Mo\u00A010.03.")));
}

// On a database server the account has no folder: its tables say so, for a
// read and a change alike, and write nothing where the program happens to run.
void TestAccountWindows::tablesWithoutFolderSaySo()
{
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_program->home.path()));
    AccountTables tables(m_program->clock);
    AccountData data;
    const bool read = tables.read(data);
    const QString readError = tables.errorString();
    const bool written = tables.setState(QStringLiteral("BY"));
    const QString writeError = tables.errorString();
    QDir::setCurrent(before);
    const QString expected =
        QStringLiteral("Das Arbeitszeitkonto wird bisher nur im Datenbankverzeichnis geführt, nicht auf einem Datenbankserver.");
    QVERIFY(!read);
    QCOMPARE(readError, expected);
    QVERIFY(!written);
    QCOMPARE(writeError, expected);
    QVERIFY(!QFileInfo::exists(m_program->home.filePath(QLatin1String(AccountTables::StateFileName))));
}

QTEST_MAIN(TestAccountWindows)
#include "tst_accountwindows.moc"
