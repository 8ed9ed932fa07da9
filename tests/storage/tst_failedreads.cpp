#include <QBuffer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "evaluation/EvaluationReport.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "gui/widgets/WorkTimeTableModel.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogVerifier.h"
#include "recording/ClashIndex.h"
#include "recording/PresetTexts.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "translation/ProgramTexts.h"

using EvaluationReport::Kind;

namespace {

// Three blocks of the table's read cache, so that a failed read can fall in
// the middle of a pass.
constexpr int Records = 4500;

QString programText(int number) { return ProgramTexts::german(number); }

// What a reader made of the table: whether it said it failed, and why.
struct Result
{
    bool failed = false;
    QString reason;
};

Result reportResult(DbfTable &table, Kind kind, const QString &choice)
{
    EvaluationReport::Options options;
    options.kind = kind;
    options.choice = choice;
    options.from = QDate(2024, 1, 1);
    options.to = QDate(2024, 12, 31);
    const EvaluationReport::Report report = EvaluationReport::build(table, options, &programText);
    return {!report.error.isEmpty() && report.cancelled, report.error};
}

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliResult runUnderStrace(const QString &home, const QStringList &straceArguments, const QStringList &cliArguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), home + QStringLiteral("/program"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    QDir(home).mkpath(QStringLiteral("program"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("strace"),
                  straceArguments + QStringList{QStringLiteral(TAGWERK_CLI_PATH)} + cliArguments);
    CliResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

// Every reader of the work-time table treats a read that fails (a disk or
// network share answering EIO) as an error: none hands on part of the
// table as if it were all of it.
class TestFailedReads : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void everyReaderFails_data();
    void everyReaderFails();
    void refreshReadsAgainAfterAFailure();
    void cliExitsTwoOnAnInjectedError_data();
    void cliExitsTwoOnAnInjectedError();

private:
    QString directory() const { return m_dir->path() + QLatin1Char('/'); }
    QString tablePath() const { return directory() + QStringLiteral("arbeitszeit.dbf"); }
    void appendRecords(DbfTable &table, int count, int start);

    FixedClock m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFailedReads::appendRecords(DbfTable &table, int count, int start)
{
    for (int i = start; i < start + count; ++i) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QDate(2024, 1, 1).addDays(i % 300).toString(QStringLiteral("dd.MM.yyyy")));
        record.setText(WorkTimeTables::Arbeiter, i % 3 ? QStringLiteral("Anna") : QStringLiteral("Bernd"));
        record.setText(WorkTimeTables::Ort, QStringLiteral("Ort %1").arg(i % 7));
        record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
        record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
        record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
        QVERIFY2(table.append(record), qPrintable(table.errorString()));
    }
}

void TestFailedReads::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    DbfTable table(m_clock);
    QVERIFY(table.create(tablePath(), WorkTimeTables::fieldDefinitions(&programText)));
    QVERIFY(table.open(tablePath()));
    appendRecords(table, Records, 0);
}

void TestFailedReads::everyReaderFails_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<int>("failingRead"); // counted from the reader's first read
    QTest::addColumn<bool>("appendedMeanwhile"); // another instance appended: the reader refreshes first

    const QStringList readers = {QStringLiteral("report period"),   QStringLiteral("report employee"),
                                 QStringLiteral("report by place"), QStringLiteral("choice list"),
                                 QStringLiteral("preset texts"),    QStringLiteral("law check"),
                                 QStringLiteral("verify"),          QStringLiteral("clash index"),
                                 QStringLiteral("history start"),   QStringLiteral("record list filter"),
                                 QStringLiteral("grid")};
    for (const QString &reader : readers) {
        for (const int read : {1, 2, 3}) {
            QTest::addRow("%s, read %d", qPrintable(reader), read) << reader << read << false;
        }
        QTest::addRow("%s, after another's append", qPrintable(reader)) << reader << 1 << true;
    }
    // The second pass of a report: its first pass measured everything.
    QTest::addRow("report period, listing pass") << QStringLiteral("report period") << 5 << false;
}

void TestFailedReads::everyReaderFails()
{
    QFETCH(QString, reader);
    QFETCH(int, failingRead);
    QFETCH(bool, appendedMeanwhile);

    DbfTable table(m_clock);
    QVERIFY(table.open(tablePath()));
    ChangeLog log(table, m_clock);
    if (reader == QLatin1String("verify"))
        QVERIFY2(log.open(directory()), qPrintable(log.errorString()));
    if (appendedMeanwhile) {
        DbfTable other(m_clock);
        QVERIFY(other.open(tablePath()));
        appendRecords(other, 10, Records);
    }
    int reads = 0;
    table.setReadFault([&reads, failingRead] { return ++reads == failingRead; });

    Result result;
    if (reader == QLatin1String("report period")) {
        result = reportResult(table, Kind::Period, {});
    } else if (reader == QLatin1String("report employee")) {
        result = reportResult(table, Kind::Employee, QStringLiteral("Anna"));
    } else if (reader == QLatin1String("report by place")) {
        result = reportResult(table, Kind::PeriodByPlace, {});
    } else if (reader == QLatin1String("choice list")) {
        bool readOk = true;
        const QStringList choices = EvaluationReport::choiceList(table, Kind::Place, false, {}, &readOk);
        result = {!readOk, table.errorString()};
    } else if (reader == QLatin1String("preset texts")) {
        bool readOk = true;
        const QStringList texts = PresetTexts::generated(table, WorkTimeTables::Ort, &readOk);
        result = {!readOk && texts.isEmpty(), table.errorString()};
    } else if (reader == QLatin1String("law check")) {
        WorkingTimeLawCheck::Options options;
        options.from = QDate(2024, 1, 1);
        options.to = QDate(2024, 12, 31);
        WorkingTimeLawCheck check(options, {&programText, [](const QString &text) { return text; }});
        result = {!check.read(table), check.errorString()};
    } else if (reader == QLatin1String("verify")) {
        ChangeLogVerifier verifier(table, directory());
        result = {!verifier.run(), verifier.readError()};
    } else if (reader == QLatin1String("clash index")) {
        ClashIndex index(table);
        const auto clash = index.findClash(QStringLiteral("Anna"), QDate(2024, 1, 2), 9 * 3600, 10 * 3600);
        result = {!clash.has_value(), table.errorString()};
        // Read again once the disk answers: the clash is found after all.
        QCOMPARE(index.findClash(QStringLiteral("Anna"), QDate(2024, 1, 2), 9 * 3600, 10 * 3600), std::optional(true));
    } else if (reader == QLatin1String("history start")) {
        result = {!log.open(directory()), log.errorString()};
    } else if (reader == QLatin1String("record list filter")) {
        const bool refreshed = table.refresh();
        const bool filtered = table.setFilter([](const DbfRecord &) { return true; }) && table.setFiltered(true);
        result = {!(refreshed && filtered), table.errorString()};
    } else if (reader == QLatin1String("grid")) {
        WorkTimeTableModel model(table);
        QSignalSpy told(&model, &WorkTimeTableModel::readFailed);
        model.reread();
        for (int row = 0; row < model.rowCount(); row += 50)
            model.data(model.index(row, 0));
        QTRY_COMPARE(told.count(), 1);
        result = {true, told.at(0).at(0).toString()};
    }
    QVERIFY2(reads >= failingRead, "the failing read was never made");
    QVERIFY2(result.failed, qPrintable(reader));
    QVERIFY2(result.reason.contains(QStringLiteral("kann nicht gelesen werden")), qPrintable(result.reason));
}

// A refresh whose read failed leaves the rows as they were; the next one
// reads the new records after all, instead of taking the table as read.
void TestFailedReads::refreshReadsAgainAfterAFailure()
{
    DbfTable table(m_clock);
    QVERIFY(table.open(tablePath()));
    const int rows = table.rowCount();
    {
        DbfTable other(m_clock);
        QVERIFY(other.open(tablePath()));
        appendRecords(other, 10, Records);
    }
    bool failing = true;
    table.setReadFault([&failing] { return failing; });
    QVERIFY(!table.refresh());
    QCOMPARE(table.rowCount(), rows);
    failing = false;
    QVERIFY(table.refresh());
    QCOMPARE(table.rowCount(), rows + 10);
}

void TestFailedReads::cliExitsTwoOnAnInjectedError_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QStringList period = {QStringLiteral("--from"), QStringLiteral("01.01.2024"), QStringLiteral("--to"),
                                QStringLiteral("31.12.2024")};
    QTest::newRow("report period") << (QStringList{QStringLiteral("report"), QStringLiteral("period")} + period);
    QTest::newRow("report employee") << (QStringList{QStringLiteral("report"), QStringLiteral("employee")} + period);
    QTest::newRow("report period csv")
        << (QStringList{QStringLiteral("report"), QStringLiteral("period")} + period
            + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QTest::newRow("worktime-law csv")
        << (QStringList{QStringLiteral("report"), QStringLiteral("worktime-law")} + period
            + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QTest::newRow("list") << QStringList{QStringLiteral("list")};
    QTest::newRow("verify") << QStringList{QStringLiteral("verify")};
}

// The real thing: strace makes the kernel answer one read of the table with
// EIO, the last read the command makes of it (part of its last pass).
void TestFailedReads::cliExitsTwoOnAnInjectedError()
{
    QFETCH(QStringList, arguments);
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    {
        // A history to verify.
        DbfTable table(m_clock);
        QVERIFY(table.open(tablePath()));
        ChangeLog log(table, m_clock);
        QVERIFY2(log.open(directory()), qPrintable(log.errorString()));
    }
    QTemporaryDir home;
    const QStringList cli = QStringList{QStringLiteral("--db"), m_dir->path()} + arguments;
    const QString traced = QDir::cleanPath(tablePath());
    // The first run makes the history beside the table; the second, without
    // a fault, counts the command's reads of the table.
    const CliResult warmUp = runUnderStrace(home.path(), {QStringLiteral("-o"), QStringLiteral("/dev/null")},
                                            {QStringLiteral("--db"), m_dir->path(), QStringLiteral("list")});
    if (warmUp.exitCode == -1)
        QSKIP("strace cannot run here (no ptrace permission?)");
    QCOMPARE(warmUp.exitCode, 0);
    const QString trace = home.path() + QStringLiteral("/reads.txt");
    const CliResult counted = runUnderStrace(
        home.path(), {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-e"), QStringLiteral("trace=read"),
                      QStringLiteral("-P"), traced, QStringLiteral("-o"), trace},
        cli);
    if (counted.exitCode == -1)
        QSKIP("strace cannot trace here (no ptrace permission?)");
    QVERIFY2(counted.exitCode == 0, (counted.out + counted.err).constData());
    QFile traceFile(trace);
    QVERIFY(traceFile.open(QIODevice::ReadOnly));
    const int reads = int(traceFile.readAll().count("read("));
    if (reads == 0)
        QSKIP("strace saw no reads of the table here");

    const CliResult result = runUnderStrace(
        home.path(), {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                      QStringLiteral("-e"), QStringLiteral("inject=read:error=EIO:when=%1").arg(reads),
                      QStringLiteral("-P"), traced},
        cli);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("kann nicht gelesen werden"), result.err.constData());
}

QTEST_MAIN(TestFailedReads)
#include "tst_failedreads.moc"
