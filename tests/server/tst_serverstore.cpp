#include <atomic>
#include <thread>
#include <vector>

#include <QDir>
#include <QProcess>
#include <QThread>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "TestCluster.h"
#include "recording/AccountChanges.h"
#include "recording/ChangeLog.h"
#include "serverstore/ServerSchema.h"
#include "serverstore/ServerStore.h"
#include "storage/AccountTables.h"
#include "storage/ClosingDateFile.h"
#include "storage/DbfTable.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "translation/ProgramTexts.h"

// The server store against a real PostgreSQL server: a cluster of the
// test's own, started once, with a fresh database for each test.
class TestServerStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void initRunsTwice();
    void roundTripKeepsListReportsAndHistory_data();
    void roundTripKeepsListReportsAndHistory();
    void changesThroughTheStoreVerify();
    void commandsWorkOnTheServer();
    void racingIdenticalBookingsStoreOne();
    void concurrentWritersLoseNothing();
    void clashSearchAgreesWithTheFolder_data();
    void clashSearchAgreesWithTheFolder();
    void historyCannotBeRewritten_data();
    void historyCannotBeRewritten();
    void killedClientLeavesNothing();
    void importWithoutHistoryIsWhole();
    void closingChangedBehindTheStoreClosesAll_data();
    void closingChangedBehindTheStoreClosesAll();
    void sameBookingsOnFolderAndServer_data();
    void sameBookingsOnFolderAndServer();
    void changeBehindTheStoresBackIsFound();
    void streamReadsWhatAPageReads_data();
    void streamReadsWhatAPageReads();
    void distinctTextsAreThoseOfAScan_data();
    void distinctTextsAreThoseOfAScan();
    void unreachableServerSaysSo();
    void restartedServerIsReconnected();
    void stoppedServerEndsAListing();
    void passwordFromStandardInput_data();
    void passwordFromStandardInput();
    void accountAgreesWithTheFolder();
    void olderServerIsUpgraded();

private:
    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Result run(const QStringList &arguments, const QByteArray &input = QByteArray()) const;
    Result runOnFolder(const QString &directory, const QStringList &arguments) const;
    std::unique_ptr<ServerStore> store(const QString &role = QLatin1String(TestCluster::WorkingRole));
    QString sql(const QString &statement, const QString &role = QString());
    void makeFolder(const QString &directory, int rows, quint32 seed, bool withHistory, bool closed);
    DbfRecord booking(ServerStore &store, const QString &employee, const QString &date, const QString &from,
                      const QString &to);

    TestCluster m_cluster;
    FixedClock m_clock;
    std::unique_ptr<QTemporaryDir> m_programDir;
};

void TestServerStore::initTestCase()
{
    const QString unavailable = TestCluster::unavailableReason();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QVERIFY2(m_cluster.start(), qPrintable(m_cluster.errorString()));
}

void TestServerStore::cleanupTestCase()
{
    m_cluster.stop();
}

void TestServerStore::init()
{
    m_programDir = std::make_unique<QTemporaryDir>();
    const QString database = QLatin1String(TestCluster::Database);
    QVERIFY2(m_cluster.psql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database), nullptr, QString(),
                            QStringLiteral("postgres")),
             qPrintable(m_cluster.errorString()));
    QVERIFY(m_cluster.psql(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(database, QLatin1String(TestCluster::OwnerRole)),
                           nullptr, QString(), QStringLiteral("postgres")));
    const std::unique_ptr<ServerStore> owner = store(QLatin1String(TestCluster::OwnerRole));
    QVERIFY2(owner->initialize(WorkTimeTables::fieldDefinitions(&ProgramTexts::german), QLatin1String(TestCluster::WorkingRole)),
             qPrintable(owner->errorString()));
}

std::unique_ptr<ServerStore> TestServerStore::store(const QString &role)
{
    const auto settings = ServerConnection::parse(m_cluster.conninfo(role), nullptr);
    return std::make_unique<ServerStore>(*settings, m_clock);
}

QString TestServerStore::sql(const QString &statement, const QString &role)
{
    QString output;
    if (!m_cluster.psql(statement, &output, role))
        return QStringLiteral("ERROR: ") + m_cluster.errorString();
    return output.trimmed();
}

TestServerStore::Result TestServerStore::run(const QStringList &arguments, const QByteArray &input) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_programDir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_programDir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    Result result;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
    }
    return result;
}

TestServerStore::Result TestServerStore::runOnFolder(const QString &directory, const QStringList &arguments) const
{
    return run(QStringList{QStringLiteral("--db"), directory} + arguments);
}

// A folder as the program leaves it: records appended, changed and deleted
// through the table with its change history, odd texts among them.
void TestServerStore::makeFolder(const QString &directory, int rows, quint32 seed, bool withHistory, bool closed)
{
    QRandomGenerator random(seed);
    DbfTable table(m_clock);
    const QString path = directory + QStringLiteral("/arbeitszeit.dbf");
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    ChangeLog log(table, m_clock);
    if (withHistory)
        QVERIFY2(log.open(directory + QLatin1Char('/')), qPrintable(log.errorString()));
    const QStringList employees = {QStringLiteral("Anna"), QStringLiteral("Bernd"), QStringLiteral("Jürgen Groß")};
    const QStringList places = {QStringLiteral("Köln"), QStringLiteral("  Bonn"), QString(), QStringLiteral("a;b -> c\\")};
    const QStringList odd = {QStringLiteral("25:00"), QStringLiteral("8:5"), QStringLiteral(""), QStringLiteral("ab")};
    auto time = [&] {
        if (random.bounded(20) == 0)
            return odd.at(random.bounded(int(odd.size())));
        return QStringLiteral("%1:%2").arg(random.bounded(24), 2, 10, QLatin1Char('0')).arg(random.bounded(4) * 15, 2, 10, QLatin1Char('0'));
    };
    for (int i = 0; i < rows; ++i) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, random.bounded(30) == 0 ? QStringLiteral("31.02.2024")
                                                                       : QStringLiteral("%1.03.2024").arg(1 + random.bounded(28), 2, 10, QLatin1Char('0')));
        record.setText(WorkTimeTables::Arbeiter, employees.at(random.bounded(int(employees.size()))));
        record.setText(WorkTimeTables::Ort, places.at(random.bounded(int(places.size()))));
        record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Tätigkeit %1").arg(random.bounded(5)));
        record.setText(WorkTimeTables::ZeitVon, time());
        record.setText(WorkTimeTables::ZeitBis, time());
        record.setText(WorkTimeTables::Bemerkungen, random.bounded(3) == 0 ? QStringLiteral("Bemerkung «%1» 'x'").arg(i) : QString());
        const int away = random.bounded(3);
        record.setLogical(WorkTimeTables::Auswaerts, away == 2 ? std::nullopt : std::optional<bool>(away == 1));
        record.setText(WorkTimeTables::Pause, QStringLiteral("00:%1").arg(random.bounded(4) * 15, 2, 10, QLatin1Char('0')));
        record.setLogical(WorkTimeTables::Doppelt, random.bounded(5) == 0);
        record.setText(WorkTimeTables::DatumEintrag, QStringLiteral("01.04.2024"));
        record.setText(WorkTimeTables::ZeitEintrag, QStringLiteral("10:00"));
        QVERIFY2(table.append(record), qPrintable(table.errorString()));
    }
    for (int i = 0; i < rows / 10; ++i) {
        DbfRecord record;
        QVERIFY(table.readRecord(1 + random.bounded(table.recordCount()), record));
        if (record.isDeleted())
            continue;
        if (random.bounded(2)) {
            QVERIFY(table.markDeleted(record.recordNumber()));
        } else {
            record.setText(WorkTimeTables::Ort, QStringLiteral("Geändert %1").arg(i));
            QVERIFY(table.update(record));
        }
    }
    if (closed) {
        QVERIFY(log.appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc"), QDate(), QDate(2024, 3, 10)));
        QString error;
        QVERIFY(ClosingDateFile::save(directory + QStringLiteral("/abschluss.dat"), QDate(2024, 3, 10), error));
    }
}

DbfRecord TestServerStore::booking(ServerStore &store, const QString &employee, const QString &date, const QString &from,
                                   const QString &to)
{
    DbfRecord record = store.bookings().newRecord();
    record.setText(WorkTimeTables::Datum, date);
    record.setText(WorkTimeTables::Arbeiter, employee);
    record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Bau"));
    record.setText(WorkTimeTables::ZeitVon, from);
    record.setText(WorkTimeTables::ZeitBis, to);
    record.setText(WorkTimeTables::Pause, QStringLiteral("00:00"));
    return record;
}

void TestServerStore::initRunsTwice()
{
    const std::unique_ptr<ServerStore> owner = store(QLatin1String(TestCluster::OwnerRole));
    QVERIFY2(owner->initialize(WorkTimeTables::fieldDefinitions(&ProgramTexts::german), QLatin1String(TestCluster::WorkingRole)),
             qPrintable(owner->errorString()));
    const Result again = run({QStringLiteral("--server"), m_cluster.conninfo(QLatin1String(TestCluster::OwnerRole)),
                              QStringLiteral("init"), QLatin1String(TestCluster::WorkingRole)});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(sql(QStringLiteral("SELECT version FROM tagwerk_schema")), QString::number(ServerSchema::Version));
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    QCOMPARE(pc->bookings().rowCount(), 0);
    QCOMPARE(sql(QStringLiteral("SELECT aktion FROM protokoll")), QStringLiteral("Beginn"));
    // Autovacuum analyses the index expressions with an empty search path.
    DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                               QStringLiteral("12:00"));
    QCOMPARE(pc->appendBooking(record, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
    QCOMPARE(sql(QStringLiteral("SET search_path = ''; ANALYZE public.arbeitszeit; SELECT 'analysed'")),
             QStringLiteral("analysed"));
}

void TestServerStore::roundTripKeepsListReportsAndHistory_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("withHistory");
    QTest::addColumn<bool>("closed");
    QTest::newRow("empty table, history") << 0 << true << false;
    QTest::newRow("no history") << 40 << false << false;
    QTest::newRow("history") << 300 << true << false;
    QTest::newRow("history, closed period") << 1200 << true << true;
}

void TestServerStore::roundTripKeepsListReportsAndHistory()
{
    QFETCH(int, rows);
    QFETCH(bool, withHistory);
    QFETCH(bool, closed);
    QTemporaryDir original;
    QTemporaryDir exported;
    makeFolder(original.path(), rows, quint32(rows) + 7, withHistory, closed);
    if (!withHistory) {
        // Account tables filled before any history: the server's history
        // takes them as they came, as the folder's would when it begins.
        AccountTables account(m_clock);
        account.setDirectory(original.path() + QLatin1Char('/'));
        QVERIFY(account.setTarget({QStringLiteral("Anna"), QDate(2024, 3, 1), {480, 480, 480, 480, 480, 0, 0}, 30, 0}));
        QVERIFY(account.setState(QStringLiteral("HE")));
    }
    const QString owner = m_cluster.conninfo(QLatin1String(TestCluster::OwnerRole));
    const Result imported = run({QStringLiteral("--server"), owner, QStringLiteral("import"), original.path()});
    QVERIFY2(imported.exitCode == 0, imported.err.constData());
    const QString target = exported.filePath(QStringLiteral("out"));
    const Result written = run({QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("export"), target});
    QVERIFY2(written.exitCode == 0, written.err.constData());

    const QStringList period = {QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                                QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024")};
    for (const QStringList &command : {QStringList{QStringLiteral("list")}, period}) {
        const Result before = runOnFolder(original.path(), command);
        const Result after = runOnFolder(target, command);
        QCOMPARE(after.exitCode, before.exitCode);
        QCOMPARE(after.out, before.out);
        const Result onServer = run(QStringList{QStringLiteral("--server"), m_cluster.conninfo()} + command);
        QCOMPARE(onServer.exitCode, before.exitCode);
        QCOMPARE(onServer.out, before.out);
    }
    // The history read on the server (from its entries and the table's
    // layout alone) is that of the whole export.
    const Result historyOnServer =
        run({QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("history")});
    QCOMPARE(historyOnServer.exitCode, 0);
    QCOMPARE(historyOnServer.out, runOnFolder(target, {QStringLiteral("history")}).out);
    // Without a history in the folder, the server began one at the import.
    const Result verified = runOnFolder(target, {QStringLiteral("verify")});
    QVERIFY2(verified.exitCode == 0, verified.out.constData());
    // A server that holds bookings takes no second import.
    const Result second = run({QStringLiteral("--server"), owner, QStringLiteral("import"), original.path()});
    QCOMPARE(second.exitCode, rows > 0 || withHistory ? 1 : 0);
}

// tagwerk-cli's commands against the server, one after another on one
// database: each step goes on from the steps before it.
void TestServerStore::commandsWorkOnTheServer()
{
    QTemporaryDir folder;
    makeFolder(folder.path(), 0, 1, false, false);
    UserListData users;
    users.users = {{QStringLiteral("Anna"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    users.adminPassword = users.adminPasswordRepeat = QStringLiteral("chef");
    QVERIFY(UserListStore::save(QDir(folder.path()).filePath(QLatin1String(UserListStore::FileName)), users));
    const Result imported = run({QStringLiteral("--server"), m_cluster.conninfo(QLatin1String(TestCluster::OwnerRole)),
                                 QStringLiteral("import"), folder.path()});
    QVERIFY2(imported.exitCode == 0, imported.err.constData());

    const char *const book = "book --user anna --password - --place Bonn --activity Malen";
    const struct Step
    {
        const char *name;
        QString arguments;
        QByteArray input;
        int exitCode;
        QByteArray shown; // in standard output, or standard error when it fails
    } steps[] = {
        {"a booking", QString::fromLatin1(book) + QStringLiteral(" --date 02.04.2024 --from 08:00 --to 12:00"),
         "geheim\n", 0, ""},
        {"an overlap is refused", QString::fromLatin1(book) + QStringLiteral(" --date 02.04.2024 --from 11:00 --to 13:00"),
         "geheim\n", 1, "08:00"},
        {"stored marked double when asked",
         QString::fromLatin1(book) + QStringLiteral(" --date 02.04.2024 --from 11:00 --to 13:00 --if-double yes"),
         "geheim\n", 0, ""},
        {"a wrong administrator password", QStringLiteral("close-period --until 31.03.2024 --admin-password -"),
         "falsch\n", 1, ""},
        {"closing", QStringLiteral("close-period --until 31.03.2024 --admin-password -"), "chef\n", 0, "31.03.2024"},
        {"a booking in the closed period",
         QString::fromLatin1(book) + QStringLiteral(" --date 30.03.2024 --from 08:00 --to 12:00"), "geheim\n", 1,
         "31.03.2024"},
        {"the history names the employee", QStringLiteral("history --employee Anna"), "", 0, "Anna"},
        {"verify", QStringLiteral("verify"), "", 0, "Einträge: "},
        {"the list: the second marked double", QStringLiteral("list"), "", 0,
         "02.04.2024\tAnna\tBonn\tMalen\t11:00\t13:00\t\tF\t00:00\tT"},
        {"--db and --server", QStringLiteral("--db /tmp list"), "", 2, "--db"},
        {"the account on the server", QStringLiteral("target list"), "", 0, ""},
    };
    for (const Step &step : steps) {
        const Result result = run(QStringList{QStringLiteral("--server"), m_cluster.conninfo()}
                                      + step.arguments.split(QLatin1Char(' ')),
                                  step.input);
        const QByteArray &shown = step.exitCode == 0 ? result.out : result.err;
        QVERIFY2(result.exitCode == step.exitCode && shown.contains(step.shown),
                 qPrintable(QStringLiteral("%1: exit %2\n%3%4")
                                .arg(QLatin1String(step.name))
                                .arg(result.exitCode)
                                .arg(QString::fromUtf8(result.out), QString::fromUtf8(result.err))));
    }
}

void TestServerStore::changesThroughTheStoreVerify()
{
    QTemporaryDir original;
    makeFolder(original.path(), 50, 3, true, false);
    const std::unique_ptr<ServerStore> owner = store(QLatin1String(TestCluster::OwnerRole));
    QVERIFY2(owner->importFrom(original.path()), qPrintable(owner->errorString()));
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    pc->setAuthor(QStringLiteral("Anna"));
    RecordTable &table = pc->bookings();
    DbfRecord record;
    QVERIFY(table.readRow(0, record));
    record.setText(WorkTimeTables::Bemerkungen, QStringLiteral("geändert"));
    QVERIFY2(table.update(record), qPrintable(table.errorString()));
    QVERIFY(table.markDeleted(table.recordNumberAt(1)));
    DbfRecord added = booking(*pc, QStringLiteral("Zoe"), QStringLiteral("20.04.2024"), QStringLiteral("08:00"),
                              QStringLiteral("12:00"));
    const auto appended = pc->appendBooking(added, WorkTimeStore::Span{QStringLiteral("Zoe"), QDate(2024, 4, 20), 8 * 3600, 12 * 3600}, false);
    QCOMPARE(appended.kind, WorkTimeStore::Appended::Stored);
    QCOMPARE(added.recordNumber(), 51u);
    // A closing, then the closed period refuses.
    UserListData users;
    const ClosedPeriod::Change change = pc->closePeriod(QDate(2024, 3, 31), QString(), users, QDate(2024, 4, 30));
    QVERIFY2(change.result == ClosedPeriod::Change::Done, qPrintable(change.message));
    QCOMPARE(pc->closedPeriod().read().until, QDate(2024, 3, 31));
    DbfRecord inClosed = booking(*pc, QStringLiteral("Zoe"), QStringLiteral("20.03.2024"), QStringLiteral("08:00"),
                                 QStringLiteral("12:00"));
    QCOMPARE(pc->appendBooking(inClosed, WorkTimeStore::Span{QStringLiteral("Zoe"), QDate(2024, 3, 20), 8 * 3600, 12 * 3600}, false).kind,
             WorkTimeStore::Appended::Closed);
    QVERIFY(table.readRow(0, record));
    QVERIFY(!table.markDeleted(record.recordNumber()));
    QVERIFY(!pc->historyChecksum().isEmpty());
    // Another PC reads the same rows: the live records, in order.
    const std::unique_ptr<ServerStore> other = store();
    QVERIFY2(other->openForReading(), qPrintable(other->errorString()));
    QStringList rows;
    for (int row = 0; row < other->bookings().rowCount(); ++row)
        rows.append(QString::number(other->bookings().recordNumberAt(row)));
    QCOMPARE(rows.join(QLatin1Char(',')), sql(QStringLiteral("SELECT string_agg(satz::text, ',' ORDER BY satz) FROM arbeitszeit "
                                                             "WHERE NOT geloescht")));
    QCOMPARE(other->bookings().rowCount(), table.rowCount());

    QTemporaryDir exported;
    QVERIFY2(pc->exportTo(exported.path()), qPrintable(pc->errorString()));
    const Result verified = runOnFolder(exported.path(), {QStringLiteral("verify")});
    QVERIFY2(verified.exitCode == 0, verified.out.constData());
    QVERIFY(verified.out.contains(pc->historyChecksum()));
    // The stream gives every live record with the bytes a read by key gives,
    // also for a text beyond the code page (written behind the store).
    QCOMPARE(sql(QStringLiteral("UPDATE arbeitszeit SET bemerkungen = 'Grüße \U0001F600 ok' WHERE satz = (SELECT min(satz) FROM arbeitszeit WHERE NOT geloescht)")), QString());
    QVERIFY(other->bookings().reload());
    int scanned = 0;
    QVERIFY(other->bookings().scan([&](const DbfRecord &streamed) {
        DbfRecord byKey;
        if (!other->bookings().readRecord(streamed.recordNumber(), byKey) || byKey.bytes() != streamed.bytes()
            || streamed.recordNumber() != other->bookings().recordNumberAt(scanned))
            return false;
        ++scanned;
        return true;
    }));
    QCOMPARE(scanned, other->bookings().rowCount());
}

void TestServerStore::racingIdenticalBookingsStoreOne()
{
    {
        const std::unique_ptr<ServerStore> first = store();
        QVERIFY2(first->open(), qPrintable(first->errorString()));
    }
    constexpr int Writers = 8;
    std::atomic<int> stored{0};
    std::atomic<int> clashed{0};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < Writers; ++i) {
        threads.emplace_back([&] {
            const std::unique_ptr<ServerStore> pc = store();
            if (!pc->open())
                return;
            DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                                       QStringLiteral("12:00"));
            ++ready;
            while (ready < Writers)
                std::this_thread::yield();
            const auto appended = pc->appendBooking(
                record, WorkTimeStore::Span{QStringLiteral("Anna"), QDate(2024, 3, 5), 8 * 3600, 12 * 3600}, false);
            if (appended.kind == WorkTimeStore::Appended::Stored)
                ++stored;
            else if (appended.kind == WorkTimeStore::Appended::Clashes)
                ++clashed;
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(stored.load(), 1);
    QCOMPARE(clashed.load(), Writers - 1);
    QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM arbeitszeit")), QStringLiteral("1"));
    QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM protokoll")), QStringLiteral("2"));
}

// Four PCs booking at once, each its own employee: every booking is
// stored, each with its history entry, in one chain that verifies.
void TestServerStore::concurrentWritersLoseNothing()
{
    {
        const std::unique_ptr<ServerStore> first = store();
        QVERIFY2(first->open(), qPrintable(first->errorString()));
    }
    constexpr int Writers = 4;
    constexpr int Bookings = 25;
    constexpr int FirmDays = 20;
    std::atomic<int> stored{0};
    std::atomic<int> firmDays{0};
    std::vector<std::thread> threads;
    // The administrator enters firm days meanwhile: each change of the
    // account is checked and entered again where a booking came first.
    threads.emplace_back([&] {
        const std::unique_ptr<ServerStore> pc = store();
        if (!pc->open())
            return;
        AccountTables tables(m_clock);
        pc->placeAccount(tables);
        const UserListData users;
        AccountChanges changes(tables, pc->closedPeriod(), users);
        for (int n = 0; n < FirmDays; ++n) {
            const AccountChanges::Result result =
                changes.setFirmDay({QDate(2024, 5, 1).addDays(n), QStringLiteral("Tag %1").arg(n)}, QString());
            if (result.done())
                ++firmDays;
            else
                qWarning() << result.message;
        }
    });
    for (int i = 0; i < Writers; ++i) {
        threads.emplace_back([&, i] {
            const std::unique_ptr<ServerStore> pc = store();
            if (!pc->open())
                return;
            const QString employee = QStringLiteral("PC %1").arg(i);
            for (int n = 0; n < Bookings; ++n) {
                const QDate date = QDate(2024, 3, 1).addDays(n);
                DbfRecord record = booking(*pc, employee, date.toString(QStringLiteral("dd.MM.yyyy")),
                                           QStringLiteral("08:00"), QStringLiteral("12:00"));
                if (pc->appendBooking(record, WorkTimeStore::Span{employee, date, 8 * 3600, 12 * 3600}, false).kind
                    == WorkTimeStore::Appended::Stored)
                    ++stored;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(stored.load(), Writers * Bookings);
    QCOMPARE(firmDays.load(), FirmDays);
    QCOMPARE(sql(QStringLiteral("SELECT count(*), max(satz) FROM arbeitszeit")),
             QStringLiteral("%1|%1").arg(Writers * Bookings));
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY(pc->openForReading());
    QTemporaryDir exported;
    QVERIFY2(pc->exportTo(exported.path()), qPrintable(pc->errorString()));
    const Result verified = runOnFolder(exported.path(), {QStringLiteral("verify")});
    QVERIFY2(verified.exitCode == 0, verified.out.constData());
}

// The five conditions of the clash search: the server decides as the folder.
void TestServerStore::clashSearchAgreesWithTheFolder_data()
{
    QTest::addColumn<QString>("storedFrom");
    QTest::addColumn<QString>("storedTo");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("clashes");
    const int h = 3600;
    QTest::newRow("inside") << "08:00" << "12:00" << 9 * h << 10 * h << true;
    QTest::newRow("overlaps the start") << "08:00" << "12:00" << 7 * h << 9 * h << true;
    QTest::newRow("touches the end") << "08:00" << "12:00" << 12 * h << 13 * h << false;
    QTest::newRow("touches the start") << "08:00" << "12:00" << 6 * h << 8 * h << false;
    QTest::newRow("same times") << "08:00" << "12:00" << 8 * h << 12 * h << true;
    QTest::newRow("same start, shorter") << "08:00" << "12:00" << 8 * h << 10 * h << true;
    QTest::newRow("point inside") << "08:00" << "12:00" << 9 * h << 9 * h << true;
    QTest::newRow("point at the start") << "08:00" << "12:00" << 8 * h << 8 * h << false;
    QTest::newRow("same point") << "09:00" << "09:00" << 9 * h << 9 * h << true;
    QTest::newRow("night, start inside a day booking") << "08:00" << "23:00" << 22 * h << 6 * h << true;
    QTest::newRow("night, a day booking past both bounds") << "07:00" << "21:00" << 22 * h << 6 * h << false;
    QTest::newRow("night, same times") << "22:00" << "06:00" << 22 * h << 6 * h << true;
    QTest::newRow("night, one bound shared") << "22:00" << "05:00" << 22 * h << 6 * h << false;
    QTest::newRow("night vs point at its bound") << "22:00" << "06:00" << 22 * h << 22 * h << false;
    QTest::newRow("stored time no time") << "25:00" << "12:00" << 9 * h << 10 * h << false;
    QTest::newRow("one-digit hours") << "8:00" << "9:00" << 8 * h + 1800 << 8 * h + 2700 << true;
    QTest::newRow("seconds") << "08:00" << "09:00" << 8 * h + 59 * 60 + 59 << 10 * h << true;
}

void TestServerStore::clashSearchAgreesWithTheFolder()
{
    QFETCH(QString, storedFrom);
    QFETCH(QString, storedTo);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, clashes);
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    // Stored without a search, as the folder stores an hours-only booking.
    DbfRecord stored = booking(*pc, QStringLiteral("Anna"), QStringLiteral("5.3.2024"), storedFrom, storedTo);
    QCOMPARE(pc->appendBooking(stored, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
    DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("x"), QStringLiteral("y"));
    const auto appended = pc->appendBooking(record, WorkTimeStore::Span{QStringLiteral("Anna"), QDate(2024, 3, 5), from, to}, false);
    QCOMPARE(appended.kind == WorkTimeStore::Appended::Clashes, clashes);
    if (clashes)
        QCOMPARE(appended.clashRecord, 1u);
    // The constraint agrees with the search: a checked booking of the same
    // times, written with plain SQL, is refused exactly when it clashes (a
    // time with seconds does not fit the field).
    if (from % 60 || to % 60)
        return;
    const QString checked = QStringLiteral(
        "INSERT INTO arbeitszeit (satz, arbeiter, datum, zeit_von, zeit_bis, geprueft) VALUES (%1, 'Anna', '05.03.2024', '%2', '%3', true)");
    auto text = [](int seconds) {
        return QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm"));
    };
    const QString next = QStringLiteral("(SELECT max(satz) + 1 FROM arbeitszeit)");
    const QString first = sql(checked.arg(next, storedFrom, storedTo), QLatin1String(TestCluster::OwnerRole));
    QVERIFY2(first.isEmpty(), qPrintable(first));
    const QString second = sql(checked.arg(next, text(from), text(to)), QLatin1String(TestCluster::OwnerRole));
    QCOMPARE(second.contains(QLatin1String(ServerSchema::ClashConstraint)), clashes);
}

void TestServerStore::historyCannotBeRewritten_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("role");
    const QString pc = QLatin1String(TestCluster::WorkingRole);
    const QString owner = QLatin1String(TestCluster::OwnerRole);
    QTest::newRow("update, working role") << "UPDATE protokoll SET wer = 'x'" << pc;
    QTest::newRow("delete, working role") << "DELETE FROM protokoll" << pc;
    QTest::newRow("truncate, working role") << "TRUNCATE protokoll" << pc;
    QTest::newRow("start list, working role") << "UPDATE protokollbeginn SET inhalt = ''" << pc;
    QTest::newRow("update, owner") << "UPDATE protokoll SET wer = 'x'" << owner;
    QTest::newRow("delete, owner") << "DELETE FROM protokoll" << owner;
    QTest::newRow("truncate, owner") << "TRUNCATE protokoll" << owner;
    QTest::newRow("start list, owner") << "DELETE FROM protokollbeginn" << owner;
    QTest::newRow("delete a booking, working role") << "DELETE FROM arbeitszeit" << pc;
    QTest::newRow("a booking far ahead, working role")
        << "INSERT INTO arbeitszeit (satz, arbeiter) VALUES (2147483647, 'x')" << pc;
    QTest::newRow("renumber a booking, working role") << "UPDATE arbeitszeit SET satz = 7" << pc;
    QTest::newRow("an entry far ahead, working role") << "INSERT INTO protokoll (nr) VALUES (9223372036854775807)" << pc;
}

void TestServerStore::historyCannotBeRewritten()
{
    QFETCH(QString, statement);
    QFETCH(QString, role);
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                               QStringLiteral("12:00"));
    QCOMPARE(pc->appendBooking(record, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
    const QString before = sql(QStringLiteral("SELECT string_agg(kette, ',' ORDER BY nr) FROM protokoll"));
    QVERIFY(sql(statement, role).startsWith(QLatin1String("ERROR")));
    QCOMPARE(sql(QStringLiteral("SELECT string_agg(kette, ',' ORDER BY nr) FROM protokoll")), before);
    QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM arbeitszeit")), QStringLiteral("1"));
}

void TestServerStore::killedClientLeavesNothing()
{
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    // A client that took the table, wrote a history entry and a booking, and
    // dies before its commit.
    QProcess client;
    client.start(QStringLiteral("/usr/bin/psql"),
                 {QStringLiteral("-X"), QStringLiteral("-h"), m_cluster.socketDirectory(), QStringLiteral("-p"),
                  QString::number(m_cluster.port()), QStringLiteral("-U"), QLatin1String(TestCluster::WorkingRole),
                  QStringLiteral("-d"), QLatin1String(TestCluster::Database), QStringLiteral("-c"),
                  QStringLiteral("BEGIN; LOCK TABLE arbeitszeit IN ROW EXCLUSIVE MODE; "
                                 "INSERT INTO protokoll (nr, aktion, kette) VALUES (2, 'Neu', 'x'); "
                                 "INSERT INTO arbeitszeit (satz, arbeiter) VALUES (1, 'Halb'); SELECT pg_sleep(60)")});
    QVERIFY(client.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(sql(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE query LIKE '%pg_sleep(60)%' "
                                                 "AND pid <> pg_backend_pid()")),
                              QStringLiteral("1"), 10000);
    client.kill();
    QVERIFY(client.waitForFinished());
    // The next booking waits for the dead client's lock to go, and finds
    // nothing of its work.
    DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                               QStringLiteral("12:00"));
    const auto appended = pc->appendBooking(record, std::nullopt, false);
    QVERIFY2(appended.kind == WorkTimeStore::Appended::Stored, qPrintable(appended.error));
    QCOMPARE(record.recordNumber(), 1u);
    QCOMPARE(sql(QStringLiteral("SELECT string_agg(arbeiter, ',') FROM arbeitszeit")), QStringLiteral("Anna"));
    QCOMPARE(sql(QStringLiteral("SELECT string_agg(aktion, ',' ORDER BY nr) FROM protokoll")), QStringLiteral("Beginn,Neu"));
}

void TestServerStore::distinctTextsAreThoseOfAScan_data()
{
    QTest::addColumn<QString>("update");
    QTest::addColumn<QString>("employee"); // whose rows the record list filters
    const QString names = QStringLiteral("UPDATE arbeitszeit SET arbeiter = CASE satz WHEN 1 THEN 'Anna\U0001F600' "
                                         "WHEN 2 THEN 'Anna?' WHEN 3 THEN 'Anna  ' ELSE 'J\u00fcrgen' END");
    QTest::newRow("as booked") << QString() << QStringLiteral("Anna");
    QTest::newRow("joined by the code page")
        << QStringLiteral("UPDATE arbeitszeit SET ort = CASE satz WHEN 2 THEN 'K\u00f6ln\U0001F600' WHEN 3 THEN "
                          "'K\u00f6ln?' ELSE ort END")
        << QStringLiteral("Bernd");
    QTest::newRow("trailing blanks, empty") << QStringLiteral(
        "UPDATE arbeitszeit SET ort = CASE satz WHEN 3 THEN 'Bonn  ' WHEN 4 THEN '' ELSE 'Z' END, taetigkeit = 'x'")
        << QStringLiteral("Anna");
    QTest::newRow("deleted first") << QStringLiteral(
        "UPDATE arbeitszeit SET geloescht = (satz = 1), arbeiter = CASE WHEN satz > 2 THEN 'Anna' ELSE arbeiter END")
        << QStringLiteral("Anna");
    QTest::newRow("a name with blanks") << names << QStringLiteral("Anna");
    QTest::newRow("a name beyond the code page") << names << QStringLiteral("Anna?");
    QTest::newRow("a name beyond ASCII") << names << QStringLiteral("J\u00fcrgen");
}

// The place and activity lists, the evaluations' choices and the record
// list's rows of one employee: what the server picks must be what a scan of
// the records finds, in its order.
void TestServerStore::distinctTextsAreThoseOfAScan()
{
    QFETCH(QString, update);
    QFETCH(QString, employee);
    {
        const std::unique_ptr<ServerStore> pc = store();
        QVERIFY2(pc->open(), qPrintable(pc->errorString()));
        for (const char *day : {"04.03.2024", "05.03.2024", "06.03.2024", "07.03.2024"}) {
            DbfRecord record = booking(*pc, QLatin1String(day[1] % 2 ? "Bernd" : "Anna"), QLatin1String(day),
                                       QStringLiteral("08:00"), QStringLiteral("12:00"));
            record.setText(WorkTimeTables::Taetigkeit, QLatin1String(day).left(2));
            QCOMPARE(pc->appendBooking(record, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
        }
    }
    if (!update.isEmpty())
        sql(update);
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    RecordTable &table = pc->bookings();
    const QList<int> fields = {WorkTimeTables::Ort, WorkTimeTables::Taetigkeit, WorkTimeTables::Arbeiter};
    QList<QStringList> grouped;
    QList<QStringList> scanned;
    QVERIFY2(table.distinctTexts(fields, grouped), qPrintable(table.errorString()));
    QVERIFY2(table.RecordTable::distinctTexts(fields, scanned), qPrintable(table.errorString()));
    QCOMPARE(grouped, scanned);

    const auto rowsOf = [&table, &employee](std::optional<RecordTable::FilterField> only) {
        table.setFiltered(false);
        table.setFilterField(only);
        table.setFilter([&employee](const DbfRecord &record) { return record.text(WorkTimeTables::Arbeiter) == employee; });
        QList<quint32> rows;
        if (table.setFiltered(true)) {
            for (int row = 0; row < table.rowCount(); ++row)
                rows << table.recordNumberAt(row);
        }
        return rows;
    };
    const QList<quint32> everyRecordRead = rowsOf(std::nullopt);
    QVERIFY(!everyRecordRead.isEmpty());
    QCOMPARE(rowsOf(RecordTable::FilterField{WorkTimeTables::Arbeiter, employee}), everyRecordRead);
}

void TestServerStore::streamReadsWhatAPageReads_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::newRow("beyond the BMP") << QStringLiteral("ort = 'K\u00f6ln \U0001F600,;', taetigkeit = '\U0001F600'");
    QTest::newRow("marks and digits") << QStringLiteral("bemerkungen = '12,3;4;T?F', arbeiter = ''");
    QTest::newRow("no logical value") << QStringLiteral("auswaerts = NULL, doppelt = NULL");
    QTest::newRow("a full field") << QStringLiteral("bemerkungen = repeat('\u00e4', 100)");
}

// The whole-table stream reads each record packed into one column, and a
// report's second pass reads it back from a spool: both must give the bytes
// a page of the record list gives, whatever the server holds.
void TestServerStore::streamReadsWhatAPageReads()
{
    QFETCH(QString, assignment);
    {
        const std::unique_ptr<ServerStore> pc = store();
        QVERIFY2(pc->open(), qPrintable(pc->errorString()));
        DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                                   QStringLiteral("12:00"));
        QCOMPARE(pc->appendBooking(record, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
    }
    sql(QStringLiteral("UPDATE arbeitszeit SET %1 WHERE satz = 1").arg(assignment));
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    RecordTable &table = pc->bookings();
    DbfRecord paged;
    QVERIFY2(table.readRecord(1, paged), qPrintable(table.errorString()));
    table.expectRepeatedScans();
    for (const char *pass : {"streamed", "spooled"}) {
        QList<QByteArray> scanned;
        QVERIFY2(table.scan([&](const DbfRecord &record) {
            scanned << record.bytes();
            return record.recordNumber() == 1;
        }),
                 qPrintable(table.errorString()));
        QVERIFY2(scanned == QList<QByteArray>{paged.bytes()}, pass);
    }
}

// The start of a history the folder lacks is part of the import's
// transaction: when it cannot be written, nothing is imported, and the
// import may run again.
void TestServerStore::importWithoutHistoryIsWhole()
{
    QTemporaryDir folder;
    makeFolder(folder.path(), 20, 5, false, false);
    const QString owner = QLatin1String(TestCluster::OwnerRole);
    QCOMPARE(sql(QStringLiteral("CREATE FUNCTION voll() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION "
                                "'kein Platz'; END$$; CREATE TRIGGER voll BEFORE INSERT ON protokollbeginn FOR EACH ROW "
                                "EXECUTE FUNCTION voll()"),
                 owner),
             QString());
    const std::unique_ptr<ServerStore> importer = store(owner);
    QVERIFY(!importer->importFrom(folder.path()));
    QVERIFY2(importer->errorString().contains(QLatin1String("kein Platz")), qPrintable(importer->errorString()));
    QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM arbeitszeit")), QStringLiteral("0"));
    // tagwerk-cli says what was not done, and why.
    const Result refused = run({QStringLiteral("--server"), m_cluster.conninfo(owner), QStringLiteral("import"), folder.path()});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("wurde nicht eingelesen: ") && refused.err.contains("kein Platz"), refused.err.constData());
    QCOMPARE(sql(QStringLiteral("DROP TRIGGER voll ON protokollbeginn"), owner), QString());
    QVERIFY2(importer->importFrom(folder.path()), qPrintable(importer->errorString()));
    QCOMPARE(sql(QStringLiteral("SELECT (SELECT count(*) FROM arbeitszeit), (SELECT string_agg(aktion, ',') FROM protokoll)")),
             QStringLiteral("20|Beginn"));
}

// The history's last closing is the authority over the closing row: a row
// changed or removed with psql closes everything until the administrator
// sets the date again, as a disagreeing "abschluss.dat" does in the folder.
void TestServerStore::closingChangedBehindTheStoreClosesAll_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("role");
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("abschluss.dat"));
    QString error;
    QVERIFY(ClosingDateFile::save(path, QDate(2024, 3, 30), error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString dayEarlier = ServerConnection::literal(file.readAll());
    const QString update = QStringLiteral("UPDATE abschluss SET inhalt = %1");
    const QString pc = QLatin1String(TestCluster::WorkingRole);
    QTest::newRow("reopened, working role") << update.arg(QStringLiteral("'\\x0000000000000000'::bytea")) << pc;
    QTest::newRow("a day earlier, working role") << update.arg(dayEarlier) << pc;
    QTest::newRow("removed, owner") << "DELETE FROM abschluss" << QString::fromLatin1(TestCluster::OwnerRole);
}

void TestServerStore::closingChangedBehindTheStoreClosesAll()
{
    QFETCH(QString, statement);
    QFETCH(QString, role);
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    const UserListData users;
    QCOMPARE(pc->closePeriod(QDate(2024, 3, 31), QString(), users, QDate(2024, 4, 30)).result, ClosedPeriod::Change::Done);
    QCOMPARE(sql(statement, role), QString());
    const WorkTimeStore::Span span{QStringLiteral("Anna"), QDate(2024, 3, 30), 8 * 3600, 12 * 3600};
    DbfRecord closed = booking(*pc, QStringLiteral("Anna"), QStringLiteral("30.03.2024"), QStringLiteral("08:00"),
                               QStringLiteral("12:00"));
    QCOMPARE(pc->appendBooking(closed, span, false).kind, WorkTimeStore::Appended::Closed);
    DbfRecord open = booking(*pc, QStringLiteral("Anna"), QStringLiteral("20.04.2024"), QStringLiteral("08:00"),
                             QStringLiteral("12:00"));
    QCOMPARE(pc->appendBooking(open, std::nullopt, false).kind, WorkTimeStore::Appended::Closed);
    QCOMPARE(pc->closedPeriod().read().kind, ClosedPeriod::State::Unknown);
    // The administrator sets the date again: the history's date is the old one.
    QCOMPARE(pc->closePeriod(QDate(2024, 3, 31), QString(), users, QDate(2024, 4, 30)).result, ClosedPeriod::Change::Done);
    QCOMPARE(sql(QStringLiteral("SELECT aenderung1 FROM protokoll ORDER BY nr DESC LIMIT 1")),
             QStringLiteral("CLOSED_UNTIL: 31.03.2024 -> 31.03.2024"));
    QCOMPARE(pc->appendBooking(open, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
}

// tagwerk-cli books the same on a folder and on the server imported from
// it: the same refusals, the same list, whatever the names and texts hold.
void TestServerStore::sameBookingsOnFolderAndServer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("a name of 46 characters") << QString(46, QLatin1Char('M')) << "Bonn";
    QTest::newRow("quotes and SQL") << "O'Brien; DROP TABLE arbeitszeit;--" << "'; DROP TABLE arbeitszeit;-- \"x\"";
    QTest::newRow("backslashes, beyond the code page") << "Back\\slash" << "\\\\ Łódź ½ € 日本";
}

void TestServerStore::sameBookingsOnFolderAndServer()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QTemporaryDir folder;
    makeFolder(folder.path(), 0, 1, true, false);
    UserListData users;
    users.users = {{name, QStringLiteral("login"), QStringLiteral("geheim")}};
    QVERIFY(UserListStore::save(QDir(folder.path()).filePath(QLatin1String(UserListStore::FileName)), users));
    const std::unique_ptr<ServerStore> owner = store(QLatin1String(TestCluster::OwnerRole));
    QVERIFY2(owner->importFrom(folder.path()), qPrintable(owner->errorString()));
    const QStringList book = {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("login"),
                              QStringLiteral("--password"), QStringLiteral("-"), QStringLiteral("--place"), text,
                              QStringLiteral("--activity"), text, QStringLiteral("--remark"), text,
                              QStringLiteral("--date"), QStringLiteral("05.03.2024")};
    const QStringList steps[] = {{QStringLiteral("--from"), QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")},
                                 {QStringLiteral("--from"), QStringLiteral("09:00"), QStringLiteral("--to"), QStringLiteral("10:00")}};
    const QStringList onFolder = {QStringLiteral("--db"), folder.path()};
    const QStringList onServer = {QStringLiteral("--server"), m_cluster.conninfo()};
    for (const QStringList &step : steps) {
        const Result there = run(onFolder + book + step, "geheim\n");
        const Result here = run(onServer + book + step, "geheim\n");
        QCOMPARE(here.exitCode, there.exitCode);
        QCOMPARE(here.err, there.err);
    }
    // The time of entry may differ by a minute: all fields but the last.
    auto listed = [this](const QStringList &where) {
        QStringList rows;
        for (const QByteArray &line : run(where + QStringList{QStringLiteral("list")}).out.split('\n'))
            rows.append(QString::fromUtf8(line).section(QLatin1Char('\t'), 0, 10));
        return rows;
    };
    const QStringList rows = listed(onServer);
    QCOMPARE(rows, listed(onFolder));
    QCOMPARE(rows.size(), 2); // one booking and the end of the last line
}

void TestServerStore::changeBehindTheStoresBackIsFound()
{
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    for (const char *employee : {"Anna", "Bernd"}) {
        DbfRecord record = booking(*pc, QLatin1String(employee), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                                   QStringLiteral("12:00"));
        QCOMPARE(pc->appendBooking(record, std::nullopt, false).kind, WorkTimeStore::Appended::Stored);
    }
    QTemporaryDir clean;
    QVERIFY2(pc->exportTo(clean.path()), qPrintable(pc->errorString()));
    QCOMPARE(runOnFolder(clean.path(), {QStringLiteral("verify")}).exitCode, 0);

    QCOMPARE(sql(QStringLiteral("UPDATE arbeitszeit SET zeit_bis = '18:00' WHERE satz = 2"),
                 QLatin1String(TestCluster::WorkingRole)),
             QString());
    QTemporaryDir changed;
    QVERIFY2(pc->exportTo(changed.path()), qPrintable(pc->errorString()));
    const Result verified = runOnFolder(changed.path(), {QStringLiteral("verify")});
    QCOMPARE(verified.exitCode, 1);
    QVERIFY2(verified.out.contains("2"), verified.out.constData());
    // An export never writes over a table.
    QVERIFY(!pc->exportTo(changed.path()));
}

void TestServerStore::unreachableServerSaysSo()
{
    const QString nowhere = QStringLiteral("host=%1 port=1 dbname=x user=y").arg(m_cluster.socketDirectory());
    const Result result = run({QStringLiteral("--server"), nowhere, QStringLiteral("export"), QStringLiteral("/tmp/nowhere")});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains(m_cluster.socketDirectory().toUtf8()), result.err.constData());
    // A password never stands in the CONNINFO.
    const Result withPassword = run({QStringLiteral("--server"), m_cluster.conninfo() + QStringLiteral(" password=geheim"),
                                     QStringLiteral("init")});
    QCOMPARE(withPassword.exitCode, 2);
}

// The server stopped and started again under a running store: the action
// in between says it was not stored, the next one connects anew.
void TestServerStore::restartedServerIsReconnected()
{
    // A lost connection is said once, in the user's words, without Qt's
    // warnings about it.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("database not open")));
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    QVERIFY2(m_cluster.stopServer(), qPrintable(m_cluster.errorString()));
    DbfRecord lost = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                             QStringLiteral("12:00"));
    const auto refused = pc->appendBooking(lost, std::nullopt, false);
    const bool restarted = m_cluster.startServer();
    QVERIFY2(restarted, qPrintable(m_cluster.errorString()));
    QCOMPARE(refused.kind, WorkTimeStore::Appended::Failed);
    QVERIFY2(refused.error.startsWith(QLatin1String("Die Buchung wurde nicht gespeichert")), qPrintable(refused.error));
    QVERIFY(!pc->bookings().refresh() || pc->bookings().rowCount() == 0);

    DbfRecord record = booking(*pc, QStringLiteral("Anna"), QStringLiteral("05.03.2024"), QStringLiteral("08:00"),
                               QStringLiteral("12:00"));
    const auto stored = pc->appendBooking(record, std::nullopt, false);
    QVERIFY2(stored.kind == WorkTimeStore::Appended::Stored, qPrintable(stored.error));
    QCOMPARE(record.recordNumber(), 1u);
    QVERIFY(pc->bookings().refresh());
    QCOMPARE(pc->bookings().rowCount(), 1);
}

// A listing cut off by a server that stops is a failure, never a short
// listing that ends well; the next command, once the server is back, works.
void TestServerStore::stoppedServerEndsAListing()
{
    constexpr int Rows = 60000; // far more than the pipe and the socket hold
    sql(QStringLiteral("INSERT INTO arbeitszeit (satz, datum, arbeiter, ort, taetigkeit, zeit_von, zeit_bis, pause) "
                       "SELECT n, '01.02.2024', 'Anna', 'Bonn', 'Bau', '08:00', '09:00', '00:00' "
                       "FROM generate_series(1, %1) AS n")
            .arg(Rows));
    const QStringList list = {QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("list")};
    QProcess listing;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_programDir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_programDir->filePath(QStringLiteral("config")));
    listing.setProcessEnvironment(environment);
    listing.start(QStringLiteral(TAGWERK_CLI_PATH), list);
    // Unread, the output stalls the listing in the middle of its stream.
    QVERIFY(listing.waitForReadyRead(30000));
    QThread::msleep(200);
    QVERIFY2(m_cluster.stopServer(), qPrintable(m_cluster.errorString()));
    QVERIFY(listing.waitForFinished(60000));
    const QByteArray err = listing.readAllStandardError();
    const bool restarted = m_cluster.startServer();
    QVERIFY2(restarted, qPrintable(m_cluster.errorString()));
    QCOMPARE(listing.exitCode(), 2);
    QVERIFY2(err.contains("kann nicht gelesen werden"), err.constData());
    QVERIFY(listing.readAllStandardOutput().count('\n') < Rows);

    const Result again = run(list);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out.count('\n'), Rows);
}

void TestServerStore::passwordFromStandardInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("right") << QByteArray("geheim\n") << 0 << "ist in den Ordner";
    QTest::newRow("wrong") << QByteArray("falsch\n") << 2 << "hat das Passwort des Benutzers \"tagwerk_remote\" nicht angenommen";
    QTest::newRow("none") << QByteArray() << 2 << "fand keine Zeile auf der Standardeingabe";
}

void TestServerStore::passwordFromStandardInput()
{
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir target;
    const Result result = run({QStringLiteral("--server"), m_cluster.conninfo(QLatin1String(TestCluster::PasswordRole)),
                               QStringLiteral("--server-password"), QStringLiteral("-"), QStringLiteral("export"),
                               target.filePath(QStringLiteral("out"))},
                              input);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(result.out + result.err).contains(message), (result.out + result.err).constData());
}

QTEST_GUILESS_MAIN(TestServerStore)
// The account's commands, one after another, on a folder and on the server
// that imported it: every output the same to the byte, refusals included;
// then the server's history (through its export) checks as the folder's.
void TestServerStore::accountAgreesWithTheFolder()
{
    QTemporaryDir folder;
    makeFolder(folder.path(), 300, 11, true, false);
    UserListData users;
    users.adminPassword = users.adminPasswordRepeat = QStringLiteral("chef");
    QVERIFY(UserListStore::save(QDir(folder.path()).filePath(QLatin1String(UserListStore::FileName)), users));
    const Result imported = run({QStringLiteral("--server"), m_cluster.conninfo(QLatin1String(TestCluster::OwnerRole)),
                                 QStringLiteral("import"), folder.path()});
    QVERIFY2(imported.exitCode == 0, imported.err.constData());

    const QString admin = QStringLiteral(";--admin-password;-");
    const QString week = QStringLiteral(";--week;8:00 8:00 8:00 8:00 8:00 0:00 0:00");
    const QString steps[] = {
        QStringLiteral("holidays;set-state;NW") + admin,
        QStringLiteral("holidays;add-day;04.03.2024;Brückentag") + admin,
        QStringLiteral("target;set;--employee;Anna;--valid-from;01.02.2024;--vacation-days;30;--opening-balance;-2:15")
            + week + admin,
        // A contract change in the middle of the month.
        QStringLiteral("target;set;--employee;Anna;--valid-from;15.03.2024;--week;6:00 6:00 6:00 6:00 0:00 0:00 0:00")
            + admin,
        QStringLiteral("target;set;--employee;Jürgen Groß;--valid-from;01.03.2024;--vacation-days;24,5") + week + admin,
        QStringLiteral("target;set;--employee;Bernd;--valid-from;01.03.2024") + week + admin,
        QStringLiteral("target;remove;--employee;Bernd;--valid-from;01.03.2024") + admin,
        QStringLiteral("target;remove;--employee;Bernd;--valid-from;01.03.2024") + admin,
        QStringLiteral("absence;add;--employee;Anna;--from;11.03.2024;--to;13.03.2024;--kind;vacation") + admin,
        QStringLiteral("absence;add;--employee;Anna;--from;18.03.2024;--to;18.03.2024;--kind;vacation;--half-day") + admin,
        QStringLiteral("absence;add;--employee;Jürgen Groß;--from;20.03.2024;--to;21.03.2024;--kind;unpaid") + admin,
        QStringLiteral("absence;add;--employee;Jürgen Groß;--from;25.03.2024;--to;25.03.2024;--kind;sick") + admin,
        QStringLiteral("absence;add;--employee;Anna;--from;27.03.2024;--to;27.03.2024;--kind;leave") + admin,
        QStringLiteral("absence;remove;--employee;Anna;--from;27.03.2024;--to;27.03.2024") + admin,
        QStringLiteral("target;list"),
        QStringLiteral("absence;list"),
        QStringLiteral("holidays;--year;2024"),
        QStringLiteral("report;account;--from;01.02.2024;--to;31.03.2024"),
        QStringLiteral("--lang;en;report;account;--from;01.03.2024;--to;31.03.2024;--format;csv"),
        QStringLiteral("report;missing;--from;01.03.2024;--to;31.03.2024"),
        // The law check counts the firm's state and days as holidays.
        QStringLiteral("report;worktime-law;--from;01.03.2024;--to;31.03.2024;--no-hours-only"),
        QStringLiteral("close-period;--until;15.03.2024") + admin,
        // Refused in the closed period.
        QStringLiteral("absence;add;--employee;Anna;--from;14.03.2024;--to;14.03.2024;--kind;sick") + admin,
        QStringLiteral("target;remove;--employee;Anna;--valid-from;15.03.2024") + admin,
        QStringLiteral("holidays;remove-day;04.03.2024") + admin,
        QStringLiteral("report;account;--from;01.03.2024;--to;31.03.2024"),
    };
    for (const QString &step : steps) {
        const QStringList arguments = step.split(QLatin1Char(';'));
        const Result onFolder = run(QStringList{QStringLiteral("--db"), folder.path()} + arguments, "chef\n");
        const Result onServer = run(QStringList{QStringLiteral("--server"), m_cluster.conninfo()} + arguments, "chef\n");
        QVERIFY2(onFolder.exitCode == onServer.exitCode && onFolder.out == onServer.out && onFolder.err == onServer.err,
                 qPrintable(QStringLiteral("%1\nfolder: %2 %3%4\nserver: %5 %6%7")
                                .arg(step)
                                .arg(onFolder.exitCode)
                                .arg(QString::fromUtf8(onFolder.out), QString::fromUtf8(onFolder.err))
                                .arg(onServer.exitCode)
                                .arg(QString::fromUtf8(onServer.out), QString::fromUtf8(onServer.err))));
    }
    const Result verified = run({QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("verify")});
    QVERIFY2(verified.exitCode == 0, verified.out.constData());
    QVERIFY(verified.out.contains("Einträge: "));
    // The export holds the account's files as the folder holds them.
    QTemporaryDir exported;
    const Result written = run({QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("export"),
                                exported.filePath(QStringLiteral("out"))});
    QVERIFY2(written.exitCode == 0, written.err.constData());
    for (const char *name : {"sollzeit.dbf", "abwesenheit.dbf", "feiertag.dbf", "bundesland.dbf"}) {
        QFile original(QDir(folder.path()).filePath(QLatin1String(name)));
        QFile copy(QDir(exported.filePath(QStringLiteral("out"))).filePath(QLatin1String(name)));
        QVERIFY(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
        // The date of the last update (bytes 1 to 3) and the folder's count
        // of its writes (16 to 19) aside.
        const auto pinned = [](QByteArray bytes) { return bytes.remove(16, 4).remove(1, 3); };
        QCOMPARE(pinned(copy.readAll()), pinned(original.readAll()));
    }
}

// A server made before the account's tables: the PCs' role is told to have
// it upgraded, the owner's "init" adds them and grants them to the roles
// that work on it already.
void TestServerStore::olderServerIsUpgraded()
{
    const std::unique_ptr<ServerStore> pc = store();
    QVERIFY2(pc->open(), qPrintable(pc->errorString()));
    const QString owner = QLatin1String(TestCluster::OwnerRole);
    const QString dropped = sql(QStringLiteral("DROP TABLE sollzeit, abwesenheit, feiertag, bundesland; "
                                               "REVOKE INSERT ON tabellenkopf FROM %1; UPDATE tagwerk_schema SET version = 1")
                                    .arg(QLatin1String(TestCluster::WorkingRole)),
                                owner);
    QVERIFY2(!dropped.startsWith(QLatin1String("ERROR")), qPrintable(dropped));
    const QStringList state = {QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("holidays"),
                               QStringLiteral("set-state"), QStringLiteral("BY"), QStringLiteral("--admin-password"),
                               QStringLiteral("-")};
    // The PCs work on meanwhile: the account reads empty.
    const Result listed = run({QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("target"),
                               QStringLiteral("list")});
    QVERIFY2(listed.exitCode == 0 && listed.out.isEmpty(), listed.err.constData());
    const Result refused = run(state, "\n");
    QVERIFY2(refused.exitCode != 0 && refused.err.contains("init"), refused.err.constData());
    const Result upgraded = run({QStringLiteral("--server"), m_cluster.conninfo(owner), QStringLiteral("init")});
    QVERIFY2(upgraded.exitCode == 0, upgraded.err.constData());
    QCOMPARE(sql(QStringLiteral("SELECT version FROM tagwerk_schema")), QString::number(ServerSchema::Version));
    const Result done = run(state, "\n");
    QVERIFY2(done.exitCode == 0, done.err.constData());
    QCOMPARE(run({QStringLiteral("--server"), m_cluster.conninfo(), QStringLiteral("verify")}).exitCode, 0);
}

#include "tst_serverstore.moc"
