#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ClashIndex.h"
#include "storage/DateTimeText.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

namespace {

QTime t(const char *text)
{
    return QTime::fromString(QString::fromLatin1(text), QStringLiteral("HH:mm"));
}

// The clash search as a plain walk over the table, the way it reads in the
// description of "Okay, erfassen": the reference the index must agree with.
bool walkFindsClash(DbfTable &table, const QString &employee, QDate date, int from, int to)
{
    for (bool ok = table.first(); ok; ok = table.next()) {
        if (table.text(WorkTimeTables::Arbeiter) != employee)
            continue;
        const auto rowDate = DateTimeText::parseDate(table.text(WorkTimeTables::Datum));
        const auto rs = DateTimeText::parseTime(table.text(WorkTimeTables::ZeitVon));
        const auto re = DateTimeText::parseTime(table.text(WorkTimeTables::ZeitBis));
        if (!rowDate || !rs || !re || *rowDate != date)
            continue;
        if (BookingRules::clashes(from, to, BookingRules::secondsOf(*rs), BookingRules::secondsOf(*re)))
            return true;
    }
    return false;
}

QString randomTime(QRandomGenerator &random)
{
    const int kind = int(random.bounded(20));
    if (kind == 0)
        return QStringLiteral("kaputt");
    if (kind == 1)
        return QString();
    return QStringLiteral("%1:%2").arg(random.bounded(24), 2, 10, QLatin1Char('0')).arg(random.bounded(4) * 15, 2, 10, QLatin1Char('0'));
}

void fillRandomly(DbfRecord &record, QRandomGenerator &random)
{
    const char *const employees[] = {"Anna", "anna", "Bernd", "Clara"};
    record.setText(WorkTimeTables::Arbeiter, QString::fromLatin1(employees[random.bounded(4)]));
    const int day = int(random.bounded(1, 6));
    record.setText(WorkTimeTables::Datum, random.bounded(30) == 0 ? QStringLiteral("32.01.2024")
                                                                  : QStringLiteral("%1.1.2024").arg(day));
    record.setText(WorkTimeTables::ZeitVon, randomTime(random));
    record.setText(WorkTimeTables::ZeitBis, randomTime(random));
}

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestBooking : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void storesTheRecord();
    void clashQuestion_data();
    void clashQuestion();
    void otherEmployeesAndDatesNeverClash();
    void failedCheckStoresNothing();
    void indexAgreesWithWalk();
    void cliBook_data();
    void cliBook();
    void cliClashNeedsConsent();
    void twoProcessesBookingAtOnce();
    void cliBookTakesOnlyWhatTheTableHolds_data();
    void cliBookTakesOnlyWhatTheTableHolds();

private:
    QString tablePath() const { return m_dir->filePath(QStringLiteral("arbeitszeit.dbf")); }
    BookingInput input(const char *from, const char *to) const;
    CliResult runCli(const QStringList &arguments) const;
    void writeUsers();

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    std::unique_ptr<DbfTable> m_table;
    std::unique_ptr<ClashIndex> m_index;
};

void TestBooking::init()
{
    m_index.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_clock.set(QDateTime(QDate(2024, 3, 6), QTime(17, 5, 59)));
    m_table = std::make_unique<DbfTable>(m_clock);
    QVERIFY(m_table->create(tablePath(), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(m_table->open(tablePath()));
    m_index = std::make_unique<ClashIndex>(*m_table);
}

BookingInput TestBooking::input(const char *from, const char *to) const
{
    BookingInput in;
    in.place = QStringLiteral("Bonn");
    in.activity = QStringLiteral("Malen");
    in.from = t(from);
    in.to = t(to);
    in.date = QDate(2024, 3, 5);
    return in;
}

void TestBooking::storesTheRecord()
{
    OpenTableStore store(*m_table, *m_index);
    BookingService service(store, m_clock);
    BookingInput in = input("07:05", "16:30");
    in.from = QTime(7, 5, 59); // seconds are dropped, not rounded
    in.pause = t("00:30");
    in.remark = QStringLiteral("Gerüst");
    in.away = true;
    const auto outcome = service.book(in, QStringLiteral("Anna Schmidt"), [] { return false; });
    QCOMPARE(outcome.kind, BookingService::Outcome::Stored);
    QVERIFY(!outcome.doubled);
    QVERIFY(m_table->first());
    const QStringList expected = {QStringLiteral("05.03.2024"), QStringLiteral("Anna Schmidt"), QStringLiteral("Bonn"),
                                  QStringLiteral("Malen"),      QStringLiteral("07:05"),        QStringLiteral("16:30"),
                                  QStringLiteral("Gerüst"),     QStringLiteral("True"),         QStringLiteral("00:30"),
                                  QStringLiteral("False"),      QStringLiteral("06.03.2024"),   QStringLiteral("17:05")};
    for (int pos = 0; pos < 12; ++pos)
        QCOMPARE(m_table->text(pos), expected.at(pos));
}

void TestBooking::clashQuestion_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("doubled");
    QTest::newRow("touching: no question") << QStringLiteral("12:00") << QStringLiteral("16:00") << false << false << 2 << false;
    QTest::newRow("clash answered yes") << QStringLiteral("08:00") << QStringLiteral("10:00") << true << true << 2 << true;
    QTest::newRow("clash answered no") << QStringLiteral("07:00") << QStringLiteral("13:00") << false << true << 1 << false;
}

void TestBooking::clashQuestion()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(int, records);
    QFETCH(bool, doubled);
    OpenTableStore store(*m_table, *m_index);
    BookingService service(store, m_clock);
    QCOMPARE(service.book(input("08:00", "12:00"), QStringLiteral("Anna"), [] { return false; }).kind,
             BookingService::Outcome::Stored);
    bool wasAsked = false;
    BookingInput in = input("00:00", "00:00");
    in.from = QTime::fromString(from, QStringLiteral("HH:mm"));
    in.to = QTime::fromString(to, QStringLiteral("HH:mm"));
    const auto outcome = service.book(in, QStringLiteral("Anna"), [&] {
        wasAsked = true;
        return answer;
    });
    QCOMPARE(wasAsked, asked);
    QCOMPARE(int(m_table->recordCount()), records);
    QCOMPARE(outcome.kind, records == 2 ? BookingService::Outcome::Stored : BookingService::Outcome::NotConfirmed);
    QCOMPARE(outcome.doubled, doubled);
    if (records == 2) {
        QVERIFY(m_table->last());
        QCOMPARE(m_table->logical(WorkTimeTables::Doppelt), std::optional<bool>(doubled));
    }
}

void TestBooking::otherEmployeesAndDatesNeverClash()
{
    OpenTableStore store(*m_table, *m_index);
    BookingService service(store, m_clock);
    QCOMPARE(service.book(input("08:00", "12:00"), QStringLiteral("Anna"), [] { return false; }).kind,
             BookingService::Outcome::Stored);
    auto never = [] {
        qFatal("asked although nothing clashes");
        return false;
    };
    QCOMPARE(service.book(input("08:00", "12:00"), QStringLiteral("anna"), never).kind, BookingService::Outcome::Stored);
    BookingInput otherDay = input("08:00", "12:00");
    otherDay.date = QDate(2024, 3, 6);
    QCOMPARE(service.book(otherDay, QStringLiteral("Anna"), never).kind, BookingService::Outcome::Stored);
}

void TestBooking::failedCheckStoresNothing()
{
    OpenTableStore store(*m_table, *m_index);
    BookingService service(store, m_clock);
    BookingInput in = input("08:00", "12:00");
    in.pause = t("04:01");
    const auto outcome = service.book(in, QStringLiteral("Anna"), [] { return true; });
    QCOMPARE(outcome.kind, BookingService::Outcome::CheckFailed);
    QCOMPARE(BookingRules::programTextOf(outcome.check), 13);
    QCOMPARE(m_table->recordCount(), 0u);
}

void TestBooking::indexAgreesWithWalk()
{
    QRandomGenerator random(20240305);
    DbfTable other(m_clock); // another instance, appending behind our back
    QVERIFY(other.open(tablePath()));
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 300; ++i) {
            DbfTable &writer = random.bounded(3) == 0 ? other : *m_table;
            DbfRecord record = writer.newRecord();
            fillRandomly(record, random);
            QVERIFY(writer.append(record));
        }
        // Grid edits and deletions through our table.
        m_table->refresh();
        for (int i = 0; i < 40 && m_table->rowCount() > 0; ++i) {
            DbfRecord record;
            QVERIFY(m_table->readRow(int(random.bounded(m_table->rowCount())), record));
            if (random.bounded(2) == 0) {
                QVERIFY(m_table->markDeleted(record.recordNumber()));
            } else {
                fillRandomly(record, random);
                QVERIFY(m_table->update(record));
            }
        }
        m_table->refresh();
        for (int q = 0; q < 400; ++q) {
            const char *const employees[] = {"Anna", "anna", "Bernd", "Dora"};
            const QString employee = QString::fromLatin1(employees[random.bounded(4)]);
            const QDate date(2024, 1, int(random.bounded(1, 7)));
            const int from = int(random.bounded(24 * 4)) * 900;
            const int to = int(random.bounded(24 * 4)) * 900;
            QCOMPARE(m_index->findClash(employee, date, from, to), std::optional<bool>(walkFindsClash(*m_table, employee, date, from, to)));
        }
    }
}

void TestBooking::writeUsers()
{
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    QVERIFY(UserListStore::save(m_dir->filePath(QStringLiteral("benutzer.dat")), users));
}

CliResult TestBooking::runCli(const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH), QStringList{QStringLiteral("--db"), m_dir->path()} + arguments);
    CliResult result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
    }
    return result;
}

void TestBooking::cliBook_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QStringList login = {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"),
                               QStringLiteral("--password"), QStringLiteral("geheim")};
    const QStringList what = {QStringLiteral("--place"), QStringLiteral("Bonn"), QStringLiteral("--activity"),
                              QStringLiteral("Malen"), QStringLiteral("--date"), QStringLiteral("2024-03-05")};
    const QStringList times = {QStringLiteral("--from"), QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")};
    QTest::newRow("stored") << login + what + times << 0 << QString();
    QTest::newRow("hours only") << login + what + QStringList{QStringLiteral("--hours"), QStringLiteral("08:30")} << 0 << QString();
    QTest::newRow("wrong password")
        << QStringList{QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"), QStringLiteral("--password"),
                       QStringLiteral("Geheim")} + what + times
        << 1 << QStringLiteral("Das Passwort oder der Benutzername war leider falsch.");
    QTest::newRow("empty place") << login + QStringList{QStringLiteral("--place"), QString(), QStringLiteral("--activity"),
                                                        QStringLiteral("Malen"), QStringLiteral("--date"), QStringLiteral("05.03.2024")} + times
                                 << 1 << QStringLiteral("Das Feld für den Ort darf nicht leer sein!");
    QTest::newRow("night work needs the flag")
        << login + what + QStringList{QStringLiteral("--from"), QStringLiteral("22:00"), QStringLiteral("--to"), QStringLiteral("06:00")}
        << 1 << QStringLiteral("Die Bis-Zeit muss größer als die Von-Zeit sein!");
    QTest::newRow("night work with the flag")
        << login + what + QStringList{QStringLiteral("--from"), QStringLiteral("22:00"), QStringLiteral("--to"), QStringLiteral("06:00"),
                                      QStringLiteral("--night-work"), QStringLiteral("--break"), QStringLiteral("08:00")}
        << 0 << QString();
    QTest::newRow("both times and hours") << login + what + times + QStringList{QStringLiteral("--hours"), QStringLiteral("01:00")}
                                          << 2 << QString();
    QTest::newRow("bad date") << login + QStringList{QStringLiteral("--place"), QStringLiteral("B"), QStringLiteral("--activity"),
                                                     QStringLiteral("M"), QStringLiteral("--date"), QStringLiteral("5.3.24")} + times
                              << 2 << QString();
    QTest::newRow("missing place") << login + QStringList{QStringLiteral("--activity"), QStringLiteral("M"), QStringLiteral("--date"),
                                                          QStringLiteral("05.03.2024")} + times
                                   << 2 << QString();
}

void TestBooking::cliBook()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    writeUsers();
    m_index.reset();
    m_table.reset();
    const CliResult result = runCli(arguments);
    QCOMPARE(result.exitCode, exitCode);
    if (!message.isEmpty())
        QCOMPARE(QString::fromUtf8(result.err).trimmed(), message);
    DbfTable check(m_clock);
    QVERIFY(check.open(tablePath()));
    QCOMPARE(check.rowCount(), exitCode == 0 ? 1 : 0);
    if (exitCode == 0) {
        QVERIFY(check.first());
        QCOMPARE(check.text(WorkTimeTables::Arbeiter), QStringLiteral("Anna Schmidt"));
        QCOMPARE(check.text(WorkTimeTables::Datum), QStringLiteral("05.03.2024"));
    }
}

void TestBooking::cliClashNeedsConsent()
{
    writeUsers();
    m_index.reset();
    m_table.reset();
    const QStringList booking = {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"), QStringLiteral("--password"),
                                 QStringLiteral("geheim"), QStringLiteral("--place"), QStringLiteral("Bonn"), QStringLiteral("--activity"),
                                 QStringLiteral("Malen"), QStringLiteral("--date"), QStringLiteral("05.03.2024"), QStringLiteral("--from"),
                                 QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")};
    QCOMPARE(runCli(booking).exitCode, 0);
    const CliResult refused = runCli(booking);
    QCOMPARE(refused.exitCode, 1);
    // No question it cannot ask: which booking is in the way, and the way round it.
    QCOMPARE(QString::fromUtf8(refused.err).trimmed(),
             QStringLiteral("Die Buchung überschneidet sich mit der Buchung vom 05.03.2024, 08:00–12:00, Bonn. "
                            "Mit --if-double yes wird sie als doppelte Buchung markiert gespeichert."));
    QCOMPARE(runCli(booking + QStringList{QStringLiteral("--if-double"), QStringLiteral("no")}).exitCode, 1);
    QCOMPARE(runCli(booking + QStringList{QStringLiteral("--if-double"), QStringLiteral("yes")}).exitCode, 0);
    const CliResult listed = runCli({QStringLiteral("list")});
    const QList<QByteArray> lines = listed.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0).split('\t').at(9), QByteArray("F"));
    QCOMPARE(lines.at(1).split('\t').at(9), QByteArray("T"));
}

void TestBooking::twoProcessesBookingAtOnce()
{
    writeUsers();
    m_index.reset();
    m_table.reset();
    const QStringList booking = {QStringLiteral("--db"), m_dir->path(), QStringLiteral("book"), QStringLiteral("--user"),
                                 QStringLiteral("anna"), QStringLiteral("--password"), QStringLiteral("geheim"),
                                 QStringLiteral("--place"), QStringLiteral("Bonn"), QStringLiteral("--activity"),
                                 QStringLiteral("Malen"), QStringLiteral("--date"), QStringLiteral("05.03.2024"),
                                 QStringLiteral("--from"), QStringLiteral("08:00"), QStringLiteral("--to"),
                                 QStringLiteral("12:00"), QStringLiteral("--if-double"), QStringLiteral("yes")};
    for (int round = 0; round < 5; ++round) {
        QFile::remove(tablePath());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
        QProcess first;
        QProcess second;
        for (QProcess *process : {&first, &second}) {
            process->setProcessEnvironment(environment);
            process->start(QStringLiteral(TAGWERK_CLI_PATH), booking);
        }
        QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);
        DbfTable check(m_clock);
        QVERIFY(check.open(tablePath()));
        QCOMPARE(check.rowCount(), 2);
        int undoubled = 0;
        for (bool ok = check.first(); ok; ok = check.next())
            undoubled += !check.logical(WorkTimeTables::Doppelt).value_or(false);
        QCOMPARE(undoubled, 1);
    }
}

void TestBooking::cliBookTakesOnlyWhatTheTableHolds_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("exitCode");
    // Times with seconds passed the checks, which compare seconds, and were
    // stored without them: 08:00:10 to 08:00:50 became 08:00 to 08:00.
    QTest::newRow("seconds in --from") << QStringLiteral("--from") << QStringLiteral("08:00:10") << 2;
    QTest::newRow("seconds in --to") << QStringLiteral("--to") << QStringLiteral("08:00:50") << 2;
    QTest::newRow("seconds in --break") << QStringLiteral("--break") << QStringLiteral("00:00:30") << 2;
    QTest::newRow("one-digit hour") << QStringLiteral("--from") << QStringLiteral("8:00") << 2;
    QTest::newRow("no minutes") << QStringLiteral("--to") << QStringLiteral("12") << 2;
    QTest::newRow("TAB in the remark") << QStringLiteral("--remark") << QStringLiteral("a\tb") << 2;
    QTest::newRow("line break in the remark") << QStringLiteral("--remark") << QStringLiteral("a\nb") << 2;
    QTest::newRow("CR in the place") << QStringLiteral("--place") << QStringLiteral("Bonn\r") << 2;
    QTest::newRow("escape in the activity") << QStringLiteral("--activity") << QStringLiteral("\x1b[2J") << 2;
    // The table cuts a longer text without a word.
    QTest::newRow("a remark as long as its field") << QStringLiteral("--remark") << QString(100, QLatin1Char('r')) << 0;
    QTest::newRow("a remark longer than its field") << QStringLiteral("--remark") << QString(101, QLatin1Char('r')) << 2;
    QTest::newRow("a place longer than its field") << QStringLiteral("--place") << QString(46, QLatin1Char('p')) << 2;
    QTest::newRow("an activity longer than its field") << QStringLiteral("--activity") << QString(46, QLatin1Char('a')) << 2;
    QTest::newRow("backslash and umlauts are text") << QStringLiteral("--remark") << QStringLiteral("Tür C:\\Lager") << 0;
}

void TestBooking::cliBookTakesOnlyWhatTheTableHolds()
{
    QFETCH(QString, option);
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    writeUsers();
    m_index.reset();
    m_table.reset();
    QMap<QString, QString> values = {{QStringLiteral("--place"), QStringLiteral("Bonn")},
                                     {QStringLiteral("--activity"), QStringLiteral("Malen")},
                                     {QStringLiteral("--from"), QStringLiteral("08:00")},
                                     {QStringLiteral("--to"), QStringLiteral("12:00")}};
    values.insert(option, value);
    QStringList arguments = {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"),
                             QStringLiteral("--password"), QStringLiteral("geheim"), QStringLiteral("--date"),
                             QStringLiteral("05.03.2024")};
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        arguments << it.key() << it.value();
    const CliResult result = runCli(arguments);
    QCOMPARE(result.exitCode, exitCode);
    if (exitCode != 0)
        QVERIFY(result.err.contains(option.mid(2).toUtf8()) || result.err.contains("HH:MM"));
    DbfTable check(m_clock);
    QVERIFY(check.open(tablePath()));
    QCOMPARE(check.rowCount(), exitCode == 0 ? 1 : 0);
    if (exitCode == 0) {
        QVERIFY(check.first());
        QCOMPARE(check.text(WorkTimeTables::Bemerkungen), value);
    }
}

QTEST_GUILESS_MAIN(TestBooking)
#include "tst_booking.moc"
