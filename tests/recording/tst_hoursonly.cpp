#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ClashIndex.h"
#include "gui/recording/ErfassenFUnit.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/ProgramFixture.h"
#include "translation/ProgramTexts.h"

namespace {
QTime t(const char *text)
{
    return QTime::fromString(QString::fromLatin1(text), QStringLiteral("HH:mm"));
}
} // namespace

// In hours-only mode a booking holds a number of hours, stored from 00:00:
// two bookings of one day are not two overlapping periods, so no clash is
// searched for, asked about or marked, in the window, the service and the
// command line alike.
class TestHoursOnly : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void serviceSearchesOnlyWithTimes_data();
    void serviceSearchesOnlyWithTimes();
    void windowStoresSecondBookingOfTheDay();
    void commandLineStoresSecondBookingOfTheDay();

private:
    QString tablePath() const { return m_program->dataDir() + QStringLiteral("arbeitszeit.dbf"); }
    QList<bool> storedDoubles();

    std::unique_ptr<ProgramFixture> m_program;
};

void TestHoursOnly::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2025, 2, 3), QTime(17, 5)));
}

void TestHoursOnly::cleanup()
{
    m_program.reset();
}

QList<bool> TestHoursOnly::storedDoubles()
{
    QList<bool> doubles;
    DbfTable check(m_program->clock);
    if (!check.open(tablePath(), DbfTable::OpenMode::ReadOnly))
        return {};
    for (bool ok = check.first(); ok; ok = check.next())
        doubles.append(check.logical(WorkTimeTables::Doppelt).value_or(false));
    return doubles;
}

void TestHoursOnly::serviceSearchesOnlyWithTimes_data()
{
    QTest::addColumn<bool>("hoursOnly");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QList<bool>>("doubles");
    QTest::newRow("hours only") << true << false << QList<bool>{false, false};
    QTest::newRow("from and to") << false << true << QList<bool>{false, true};
}

void TestHoursOnly::serviceSearchesOnlyWithTimes()
{
    QFETCH(bool, hoursOnly);
    QFETCH(bool, asked);
    QFETCH(QList<bool>, doubles);
    QDir().mkpath(m_program->dataDir());
    {
        DbfTable table(m_program->clock);
        QVERIFY(table.create(tablePath(), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
        QVERIFY(table.open(tablePath()));
        ClashIndex index(table);
        OpenTableStore store(table, index);
        BookingService service(store, m_program->clock);
        BookingInput input;
        input.place = QStringLiteral("Halle");
        input.activity = QStringLiteral("Montage");
        input.date = QDate(2025, 2, 3);
        input.from = t("00:00");
        input.to = t("04:00");
        input.hoursOnly = hoursOnly;
        bool questioned = false;
        const auto confirm = [&] {
            questioned = true;
            return true;
        };
        QCOMPARE(service.book(input, QStringLiteral("Anna"), confirm).kind, BookingService::Outcome::Stored);
        input.to = t("03:30");
        QCOMPARE(service.book(input, QStringLiteral("Anna"), confirm).kind, BookingService::Outcome::Stored);
        QCOMPARE(questioned, asked);
    }
    QCOMPARE(storedDoubles(), doubles);
}

void TestHoursOnly::windowStoresSecondBookingOfTheDay()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_program->context->onlyHours = true;
    TErfassenForm *entry = m_program->forms->ErfassenForm;
    entry->prepare();
    entry->show();
    QVERIFY(QTest::qWaitForWindowExposed(entry));
    for (const char *hours : {"04:00", "03:30"}) {
        entry->Orted->setEditText(QStringLiteral("Halle"));
        entry->TatEd->setEditText(QStringLiteral("Montage"));
        entry->DateTimePicker2->setTime(t(hours));
        // Answered No, should anyone ask: the booking would then be lost.
        m_program->reporter.setNextAnswers({Reporter::Answer::No});
        QTest::mouseClick(entry->ErfassenBtn, Qt::LeftButton);
    }
    QVERIFY(m_program->reporter.messages().isEmpty());
    entry->hide();
    QCOMPARE(storedDoubles(), (QList<bool>{false, false}));
}

void TestHoursOnly::commandLineStoresSecondBookingOfTheDay()
{
    QDir().mkpath(m_program->dataDir());
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    QVERIFY(UserListStore::save(m_program->dataDir() + QStringLiteral("benutzer.dat"), users));
    const QStringList booking = {QStringLiteral("--db"), m_program->dataDir(), QStringLiteral("book"), QStringLiteral("--user"),
                                 QStringLiteral("anna"), QStringLiteral("--password"), QStringLiteral("geheim"),
                                 QStringLiteral("--place"), QStringLiteral("Halle"), QStringLiteral("--activity"),
                                 QStringLiteral("Montage"), QStringLiteral("--date"), QStringLiteral("03.02.2025"),
                                 QStringLiteral("--hours")};
    for (const char *hours : {"04:00", "03:30"}) {
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_program->programDir());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_program->home.filePath(QStringLiteral("config")));
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(TAGWERK_CLI_PATH), booking + QStringList{QString::fromLatin1(hours)});
        QVERIFY(cli.waitForFinished(60000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    }
    QCOMPARE(storedDoubles(), (QList<bool>{false, false}));
}

QTEST_MAIN(TestHoursOnly)
#include "tst_hoursonly.moc"
