#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QToolButton>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/recording/AuflistenFUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "gui/recording/PauseFUnit.h"
#include "gui/recording/VorgabeTexteFUnit.h"
#include "storage/UserListStore.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "server/TestCluster.h"
#include "serverstore/ServerStore.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"
#include "gui/widgets/RecordNavigator.h"
#include "gui/widgets/WorkTimeTableModel.h"

namespace {
QTime t(const char *text)
{
    return QTime::fromString(QString::fromLatin1(text), QStringLiteral("HH:mm"));
}
} // namespace

// The windows of an employee's work: record entry, breaks, the record list,
// and the administrator's preset texts.
class TestRecordingWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bookingEmptiesTheFields();
    void nextLoginStartsFromBooking_data();
    void nextLoginStartsFromBooking();
    void typedDate_data();
    void typedDate();
    void checksShowTheirTextAndKeepInputs();
    void clashQuestion_data();
    void clashQuestion();
    void hoursOnlyMode();
    void presetLists_data();
    void presetLists();
    void breaksFillBreakAndRemark_data();
    void breaksFillBreakAndRemark();
    void recordListShowsOwnRows_data();
    void recordListShowsOwnRows();
    void presetFormSavesWhenClosed();
    void lockedTableAsksToWaitOn_data();
    void lockedTableAsksToWaitOn();
    void serverRestartUnderTheBookingWindow();

private:
    void start();
    void addRow(const QString &employee, const QString &date, const QString &place, const QString &from = QStringLiteral("08:00"),
                const QString &to = QStringLiteral("12:00"));
    void fill(const char *place, const char *activity, const char *from, const char *to);

    std::unique_ptr<ProgramFixture> m_program;
    TErfassenForm *m_entry = nullptr;
};

void TestRecordingWindows::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2025, 2, 3), QTime(17, 5)));
}

void TestRecordingWindows::cleanup()
{
    m_program.reset();
}

void TestRecordingWindows::start()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_entry = m_program->forms->ErfassenForm;
}

void TestRecordingWindows::addRow(const QString &employee, const QString &date, const QString &place,
                                  const QString &from, const QString &to)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Arbeiter, employee);
    record.setText(WorkTimeTables::Datum, date);
    record.setText(WorkTimeTables::Ort, place);
    record.setText(WorkTimeTables::Taetigkeit, place + QStringLiteral(" arbeiten"));
    record.setText(WorkTimeTables::ZeitVon, from);
    record.setText(WorkTimeTables::ZeitBis, to);
    QVERIFY(table.append(record));
}

void TestRecordingWindows::fill(const char *place, const char *activity, const char *from, const char *to)
{
    m_entry->Orted->setEditText(QString::fromUtf8(place));
    m_entry->TatEd->setEditText(QString::fromUtf8(activity));
    m_entry->DateTimePicker1->setTime(t(from));
    m_entry->DateTimePicker2->setTime(t(to));
    m_entry->DateTimePicker4->setTime(t("00:00"));
}

void TestRecordingWindows::bookingEmptiesTheFields()
{
    start();
    m_entry->prepare();
    m_entry->show();
    QCOMPARE(m_entry->DateTimePicker3->date(), QDate(2025, 2, 3));
    fill("Köln", "Montage", "07:00", "15:30");
    m_entry->DateTimePicker4->setTime(t("00:30"));
    m_entry->BemEd->setText(QStringLiteral("Gerüst"));
    m_entry->AuswertsCheck->setChecked(true);
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    QVERIFY(m_program->reporter.messages().isEmpty());
    DbfTable &table = m_program->context->tables().Dbf1;
    QCOMPARE(table.rowCount(), 1);
    QVERIFY(table.first());
    QCOMPARE(table.text(WorkTimeTables::Datum), QStringLiteral("03.02.2025"));
    QCOMPARE(table.text(WorkTimeTables::Arbeiter), QStringLiteral("Anna"));
    QCOMPARE(table.text(WorkTimeTables::Ort), QStringLiteral("Köln"));
    QCOMPARE(table.text(WorkTimeTables::Pause), QStringLiteral("00:30"));
    QCOMPARE(table.logical(WorkTimeTables::Auswaerts), std::optional<bool>(true));
    QCOMPARE(table.text(WorkTimeTables::ZeitEintrag), QStringLiteral("17:05"));
    // Place, activity and remark are emptied; the rest stays for the next booking.
    QCOMPARE(m_entry->Orted->currentText(), QString());
    QCOMPARE(m_entry->TatEd->currentText(), QString());
    QCOMPARE(m_entry->BemEd->text(), QString());
    QCOMPARE(m_entry->DateTimePicker1->time(), t("07:00"));
    QVERIFY(m_entry->AuswertsCheck->isChecked());
    // At once again: the place is missing.
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    QCOMPARE(m_program->reporter.errors(), QStringList{QStringLiteral("Das Feld für den Ort darf nicht leer sein!")});
    QCOMPARE(table.rowCount(), 1);
}

void TestRecordingWindows::nextLoginStartsFromBooking_data()
{
    QTest::addColumn<QString>("next");
    QTest::addColumn<QTime>("pause");
    QTest::addColumn<bool>("away");
    QTest::newRow("same employee again") << QStringLiteral("Anna") << t("00:45") << true;
    QTest::newRow("another employee") << QStringLiteral("Bernd") << t("00:00") << false;
}

void TestRecordingWindows::nextLoginStartsFromBooking()
{
    QFETCH(QString, next);
    QFETCH(QTime, pause);
    QFETCH(bool, away);
    start();
    m_entry->prepare();
    m_entry->show();
    fill("Köln", "Montage", "07:00", "15:30");
    m_entry->DateTimePicker4->setTime(t("00:45"));
    m_entry->AuswertsCheck->setChecked(true);
    m_entry->SameTimeCheck->setChecked(true);
    m_entry->DateTimePicker3->setDate(QDate(2025, 1, 31));
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    QCOMPARE(m_program->context->tables().Dbf1.rowCount(), 1);
    QTest::mouseClick(m_entry->AusloggenBtn, Qt::LeftButton);
    m_program->context->arbeiter = next;
    m_entry->prepare();
    QCOMPARE(m_entry->DateTimePicker4->time(), pause);
    QCOMPARE(m_entry->AuswertsCheck->isChecked(), away);
    // The options stay, the date is today's at every login.
    QVERIFY(m_entry->SameTimeCheck->isChecked());
    QCOMPARE(m_entry->DateTimePicker3->date(), QDate(2025, 2, 3));
}

void TestRecordingWindows::typedDate_data()
{
    QTest::addColumn<double>("where");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QDate>("date");
    const QDate dec8(2026, 12, 8);
    QTest::newRow("digits, left edge") << 0.0 << QStringLiteral("08122026") << dec8;
    QTest::newRow("digits, on the month") << 0.35 << QStringLiteral("08122026") << dec8;
    QTest::newRow("digits, on the year") << 0.7 << QStringLiteral("08122026") << dec8;
    QTest::newRow("digits, right of the text") << 1.0 << QStringLiteral("08122026") << dec8;
    QTest::newRow("with points, on the year") << 0.7 << QStringLiteral("08.12.2026") << dec8;
    QTest::newRow("short parts") << 0.5 << QStringLiteral("8.12.2026") << dec8;
    QTest::newRow("two-digit year") << 0.5 << QStringLiteral("8.12.26") << dec8;
    QTest::newRow("day and month only") << 0.5 << QStringLiteral("1.2.") << QDate(2025, 2, 1);
    QTest::newRow("a day the month shown lacks") << 0.2 << QStringLiteral("31122025") << QDate(2025, 12, 31);
    QTest::newRow("no day 45: the 5 goes to the month") << 0.2 << QStringLiteral("452025") << QDate(2025, 5, 4);
    QTest::newRow("letters are dropped") << 0.5 << QStringLiteral("08x12y2026") << dec8;
}

void TestRecordingWindows::typedDate()
{
    QFETCH(double, where);
    QFETCH(QString, keys);
    QFETCH(QDate, date);
    start();
    m_entry->prepare();
    m_entry->show();
    QVERIFY(QTest::qWaitForWindowActive(m_entry));
    auto *text = m_entry->DateTimePicker3->findChild<QLineEdit *>();
    QVERIFY(text);
    const QPoint point(qBound(1, int(where * text->width()), text->width() - 2), text->height() / 2);
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(QApplication::focusWidget(), m_entry->DateTimePicker3);
    QTest::keyClicks(QApplication::focusWidget(), keys);
    QCOMPARE(m_entry->DateTimePicker3->date(), date);
    // The booking lands on the day typed.
    fill("Köln", "Montage", "07:00", "15:30");
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    DbfTable &table = m_program->context->tables().Dbf1;
    QVERIFY(table.first());
    QCOMPARE(table.text(WorkTimeTables::Datum), date.toString(QStringLiteral("dd.MM.yyyy")));
}

void TestRecordingWindows::checksShowTheirTextAndKeepInputs()
{
    start();
    m_entry->prepare();
    fill("Köln", "Montage", "22:00", "06:00");
    m_entry->BemEd->setText(QStringLiteral("bleibt"));
    m_entry->ErfassenBtnClick();
    QCOMPARE(m_program->reporter.errors(), QStringList{QStringLiteral("Die Bis-Zeit muss größer als die Von-Zeit sein!")});
    QCOMPARE(m_entry->BemEd->text(), QStringLiteral("bleibt"));
    m_entry->NachtArbeitCheck->setChecked(true);
    m_entry->DateTimePicker4->setTime(t("08:01"));
    m_entry->ErfassenBtnClick();
    QCOMPARE(m_program->reporter.errors().last(), QStringLiteral("Die Pauszeit kann nicht länger als der Arbeitszeitraum sein!"));
    m_entry->DateTimePicker4->setTime(t("08:00"));
    m_entry->ErfassenBtnClick();
    QCOMPARE(m_program->reporter.errors().size(), 2);
    QCOMPARE(m_program->context->tables().Dbf1.rowCount(), 1);
}

void TestRecordingWindows::clashQuestion_data()
{
    QTest::addColumn<Reporter::Answer>("answer");
    QTest::addColumn<int>("rows");
    QTest::newRow("yes") << Reporter::Answer::Yes << 2;
    QTest::newRow("no") << Reporter::Answer::No << 1;
    QTest::newRow("cancel") << Reporter::Answer::Cancel << 1;
}

void TestRecordingWindows::clashQuestion()
{
    QFETCH(Reporter::Answer, answer);
    QFETCH(int, rows);
    start();
    addRow(QStringLiteral("Anna"), QStringLiteral("03.02.2025"), QStringLiteral("Bonn"));
    m_entry->prepare();
    fill("Köln", "Montage", "10:00", "13:00");
    m_program->reporter.setNextAnswers({answer});
    m_entry->ErfassenBtnClick();
    QCOMPARE(m_program->reporter.messages().size(), 1);
    const RecordingReporter::Message question = m_program->reporter.messages().first();
    QCOMPARE(question.kind, RecordingReporter::Message::Question);
    QCOMPARE(question.text, QStringLiteral("Die Buchung überschneidet sich mit der Buchung vom 03.02.2025, 08:00–12:00, Bonn. "
                                           "Trotzdem buchen?"));
    QCOMPARE(question.caption, QStringLiteral("Doppelte Buchung?"));
    DbfTable &table = m_program->context->tables().Dbf1;
    QCOMPARE(table.rowCount(), rows);
    if (rows == 2) {
        QVERIFY(table.last());
        QCOMPARE(table.logical(WorkTimeTables::Doppelt), std::optional<bool>(true));
        QCOMPARE(m_entry->Orted->currentText(), QString());
    } else {
        QCOMPARE(m_entry->Orted->currentText(), QStringLiteral("Köln"));
    }
}

void TestRecordingWindows::hoursOnlyMode()
{
    start();
    m_program->context->onlyHours = true;
    m_entry->prepare();
    m_entry->show();
    QVERIFY(!m_entry->DateTimePicker1->isVisible());
    QVERIFY(!m_entry->Label1->isVisible());
    QVERIFY(!m_entry->Label2->isVisible());
    QVERIFY(m_entry->Label7->isVisible());
    fill("Köln", "Montage", "00:00", "00:00");
    m_entry->ErfassenBtnClick();
    QCOMPARE(m_program->reporter.errors(), QStringList{QStringLiteral("Die Von- und Bis-Zeit muss unterschiedlich sein!")});
    m_entry->DateTimePicker2->setTime(t("08:30"));
    m_entry->ErfassenBtnClick();
    QVERIFY(m_program->context->tables().Dbf1.first());
    QCOMPARE(m_program->context->tables().Dbf1.text(WorkTimeTables::ZeitVon), QStringLiteral("00:00"));
    QCOMPARE(m_program->context->tables().Dbf1.text(WorkTimeTables::ZeitBis), QStringLiteral("08:30"));
}

void TestRecordingWindows::presetLists_data()
{
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<QStringList>("places");
    QTest::newRow("generated") << false << QStringList{QStringLiteral("Halle 2"), QStringLiteral("Büro"), QStringLiteral("halle 2")};
    QTest::newRow("fixed") << true << QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")};
}

void TestRecordingWindows::presetLists()
{
    QFETCH(bool, fixed);
    QFETCH(QStringList, places);
    start();
    for (const QString &place : {QStringLiteral("Halle 2"), QStringLiteral("Büro"), QStringLiteral("Halle 2"), QStringLiteral("halle 2")})
        addRow(QStringLiteral("Bernd"), QStringLiteral("01.01.2025"), place);
    m_program->context->userList().placesFixed = fixed;
    m_program->context->userList().placeTexts = QStringLiteral("A\r\n\r\nB");
    m_entry->prepare();
    QStringList items;
    for (int i = 0; i < m_entry->Orted->count(); ++i)
        items << m_entry->Orted->itemText(i);
    QCOMPARE(items, places);
    QCOMPARE(m_entry->TatEd->count(), 3); // generated from the activities
}

void TestRecordingWindows::breaksFillBreakAndRemark_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("list");
    QTest::addColumn<QTime>("pause");
    QTest::addColumn<QString>("remark");
    QTest::newRow("okay with list") << true << true << t("00:45") << QStringLiteral("altPausen: 09:00-09:15; 12:00-12:30");
    QTest::newRow("okay without list") << true << false << t("00:45") << QStringLiteral("alt");
    QTest::newRow("cancelled") << false << true << t("00:10") << QStringLiteral("alt");
}

void TestRecordingWindows::breaksFillBreakAndRemark()
{
    QFETCH(bool, ok);
    QFETCH(bool, list);
    QFETCH(QTime, pause);
    QFETCH(QString, remark);
    start();
    m_entry->prepare();
    m_entry->DateTimePicker4->setTime(t("00:10"));
    m_entry->BemEd->setText(QStringLiteral("alt"));
    whenModal<TPausenForm>([&](TPausenForm *breaks) {
        QCOMPARE(breaks->DateTimePicker[0]->time(), t("00:00"));
        breaks->DateTimePicker[0]->setTime(t("09:00"));
        breaks->DateTimePicker[1]->setTime(t("09:15"));
        breaks->DateTimePicker[4]->setTime(t("12:00"));
        breaks->DateTimePicker[5]->setTime(t("12:30"));
        breaks->PauseBemerkCheck->setChecked(list);
        QTest::mouseClick(ok ? breaks->ErfassenBtn : breaks->AusloggenBtn, Qt::LeftButton);
    });
    m_entry->PauseBtnClick();
    QCOMPARE(m_entry->DateTimePicker4->time(), pause);
    QCOMPARE(m_entry->BemEd->text(), remark);
}

void TestRecordingWindows::recordListShowsOwnRows_data()
{
    QTest::addColumn<bool>("onlyMonth");
    QTest::addColumn<bool>("mayCorrect");
    QTest::addColumn<int>("rows");
    QTest::newRow("all own rows, read-only") << false << false << 3;
    QTest::newRow("current month, correctable") << true << true << 2;
}

void TestRecordingWindows::recordListShowsOwnRows()
{
    QFETCH(bool, onlyMonth);
    QFETCH(bool, mayCorrect);
    QFETCH(int, rows);
    start();
    addRow(QStringLiteral("Anna"), QStringLiteral("03.02.2025"), QStringLiteral("Bonn"));
    addRow(QStringLiteral("anna"), QStringLiteral("03.02.2025"), QStringLiteral("Köln"));
    addRow(QStringLiteral("Anna"), QStringLiteral("31.01.2025"), QStringLiteral("Essen"));
    addRow(QStringLiteral("Bernd"), QStringLiteral("03.02.2025"), QStringLiteral("Bonn"));
    addRow(QStringLiteral("Anna"), QStringLiteral("kein Datum"), QStringLiteral("Ulm"));
    m_program->context->userList().employeesMayCorrect = mayCorrect;
    TDatenAuflistenForm *list = m_program->forms->DatenAuflistenForm;
    list->OnlyCurrentMonth->setChecked(onlyMonth);
    int seen = -1;
    bool editable = false;
    bool insertEnabled = false;
    whenModal<TDatenAuflistenForm>([&](TDatenAuflistenForm *window) {
        seen = window->model()->rowCount();
        editable = window->model()->flags(window->model()->index(0, 0)) & Qt::ItemIsEditable;
        insertEnabled = window->DBNavigator1->button(RecordNavigator::Insert)->isEnabled();
        QTest::mouseClick(window->BitBtn1, Qt::LeftButton);
    });
    m_entry->EditBtnClick();
    QCOMPARE(seen, rows);
    QCOMPARE(editable, mayCorrect);
    QCOMPARE(insertEnabled, mayCorrect);
    // Afterwards everyone sees every row again, and may write.
    QCOMPARE(m_program->context->tables().Dbf1.rowCount(), 5);
    QVERIFY(!m_program->context->tables().Dbf1.isFiltered());
    WindowSettingsStore settings(m_program->home.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(settings.checked(QStringLiteral("TDatenAuflistenForm"), QStringLiteral("OnlyCurrentMonth")),
             std::optional<bool>(onlyMonth));
}

void TestRecordingWindows::presetFormSavesWhenClosed()
{
    start();
    whenModal<TVorgabeTexteForm>([](TVorgabeTexteForm *form) {
        QVERIFY(form->AutoTexteCheck->isChecked());
        form->VorgabeTexteCheck->setChecked(true);
        form->Memo1->setPlainText(QStringLiteral("Halle\n\nBüro"));
        form->close(); // the close box saves as well
    });
    m_program->forms->MainForm->VorgabetextefrdasAusfllenfestlegen1Click();
    UserListData stored;
    QCOMPARE(UserListStore::load(m_program->dataDir() + QStringLiteral("benutzer.dat"), stored), UserListStore::LoadResult::Loaded);
    QVERIFY(stored.placesFixed);
    QVERIFY(!stored.activitiesFixed);
    QCOMPARE(stored.placeTexts, QStringLiteral("Halle\r\n\r\nBüro"));
}

void TestRecordingWindows::lockedTableAsksToWaitOn_data()
{
    QTest::addColumn<QList<Reporter::Answer>>("answers");
    QTest::newRow("given up") << QList<Reporter::Answer>{Reporter::Answer::No};
    QTest::newRow("waited on, still locked") << QList<Reporter::Answer>{Reporter::Answer::Yes, Reporter::Answer::No};
}

// Another PC holds the table's lock and does not let go: the window asks
// whether to wait on, names the file, and without a yes says it was not stored.
void TestRecordingWindows::lockedTableAsksToWaitOn()
{
    QFETCH(QList<Reporter::Answer>, answers);
    start();
    DbfTable &table = m_program->context->tables().Dbf1;
    table.setLockWait(std::chrono::milliseconds(50));
    DbfTable other(m_program->clock);
    QVERIFY(other.open(table.fileName()));
    QVERIFY(other.lockHeader());
    m_entry->prepare();
    m_entry->show();
    fill("Köln", "Montage", "07:00", "15:30");
    m_program->reporter.setNextAnswers(answers);
    QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);

    const QString locked = QStringLiteral("Die Datei \"%1\" ist von einem anderen Arbeitsplatz oder Programm gesperrt.")
                               .arg(QDir::toNativeSeparators(table.fileName()));
    const auto &messages = m_program->reporter.messages();
    QCOMPARE(messages.size(), answers.size() + 1);
    for (int i = 0; i < answers.size(); ++i) {
        QCOMPARE(messages.at(i).kind, RecordingReporter::Message::Question);
        QCOMPARE(messages.at(i).text, locked + QStringLiteral("\n\nNoch einmal versuchen?"));
    }
    QCOMPARE(m_program->reporter.errors(), QStringList{locked});
    other.unlockHeader();
    QVERIFY(table.refresh());
    QCOMPARE(table.rowCount(), 0);
    // Nothing was cleared: the employee books again once the lock is free.
    QCOMPARE(m_entry->Orted->currentText(), QStringLiteral("Köln"));
}

QTEST_MAIN(TestRecordingWindows)

// The server stops while an employee books and starts again: the booking
// in between is refused, saying so, and nothing of it is stored; the next
// one is stored without the program being started again.
void TestRecordingWindows::serverRestartUnderTheBookingWindow()
{
    const QString unavailable = TestCluster::unavailableReason();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    TestCluster cluster;
    QVERIFY2(cluster.start(), qPrintable(cluster.errorString()));
    {
        const auto owner = ServerConnection::parse(cluster.conninfo(QLatin1String(TestCluster::OwnerRole)), nullptr);
        ServerStore store(*owner, m_program->clock);
        QVERIFY2(store.initialize(WorkTimeTables::fieldDefinitions(&ProgramTexts::german),
                                  QLatin1String(TestCluster::WorkingRole)),
                 qPrintable(store.errorString()));
    }
    m_program->start(cluster.conninfo());
    m_program->forms->EinloggenForm->hide();
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_entry = m_program->forms->ErfassenForm;
    m_entry->prepare();
    m_entry->show();
    RecordTable &bookings = m_program->context->store().bookings();
    const auto book = [&](const char *from, const char *to) {
        fill("Bonn", "Bau", from, to);
        QTest::mouseClick(m_entry->ErfassenBtn, Qt::LeftButton);
    };

    book("07:00", "08:00");
    QVERIFY2(m_program->reporter.messages().isEmpty(), qPrintable(m_program->reporter.errors().join(u'\n')));
    QVERIFY2(cluster.stopServer(), qPrintable(cluster.errorString()));
    book("09:00", "10:00");
    const QStringList refused = m_program->reporter.errors();
    QVERIFY2(cluster.startServer(), qPrintable(cluster.errorString()));
    QCOMPARE(refused.size(), 1);
    QVERIFY2(refused.first().contains(cluster.socketDirectory()), qPrintable(refused.first()));
    m_program->reporter.clear();

    book("11:00", "12:00");
    QVERIFY2(m_program->reporter.messages().isEmpty(), qPrintable(m_program->reporter.errors().join(u'\n')));
    QVERIFY(bookings.refresh());
    QStringList stored;
    DbfRecord record;
    for (int row = 0; row < bookings.rowCount(); ++row) {
        QVERIFY(bookings.readRow(row, record));
        stored << record.text(WorkTimeTables::ZeitVon);
    }
    QCOMPARE(stored, QStringList({QStringLiteral("07:00"), QStringLiteral("11:00")}));
}

#include "tst_recordingwindows.moc"
