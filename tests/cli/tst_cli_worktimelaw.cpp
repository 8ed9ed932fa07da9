#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/AccountTables.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

// `tagwerk-cli report worktime-law`: the check's text and CSV on standard
// output or in a file, its choice of employees, and its exit codes.
class TestCliWorkingTimeLaw : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void textReport_data();
    void textReport();
    void refusedArguments_data();
    void refusedArguments();
    void csvHasTheListedColumns();
    void csvGuardsCellsAgainstFormulas();
    void outputNeverGoesOverTheTable();
    void writesFiles();
    void hoursOnlyFollowsTheAdministratorsOption();
    void readingCanBeChosen_data();
    void readingCanBeChosen();
    void periodMustNotEndBeforeItStarts_data();
    void periodMustNotEndBeforeItStarts();
    void emptyTableIsNoError();

private:
    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Result run(const QStringList &arguments) const;
    void addRows();
    static QStringList period();

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
};

namespace {

// The heading and totals as worked out by hand: date 10, employee 25,
// paragraph 8 ("Paragraf"), found 12 ("Festgestellt"), limit 9 ("Grenzwert").
const char *const TimesRead = "Mit Uhrzeiten von bis gelesen: geprüft werden § 3, § 4, § 5 und § 9.\n";
const char *const Heading =
    "Datum      Mitarbeiter               Paragraf Festgestellt Grenzwert Erläuterung\n";
const char *const AnnaLongDay =
    "04.03.2024 Anna                      § 3      10:01        10:00     Arbeitszeit über 10 Stunden\n";
const char *const BerndSunday =
    "10.03.2024 Bernd                     § 9      3:00         0:00      Sonntagsarbeit\n";

} // namespace

void TestCliWorkingTimeLaw::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QStringList TestCliWorkingTimeLaw::period()
{
    return {QStringLiteral("report"), QStringLiteral("worktime-law"), QStringLiteral("--from"), QStringLiteral("04.03.2024"),
            QStringLiteral("--to"), QStringLiteral("2024-03-10")};
}

TestCliWorkingTimeLaw::Result TestCliWorkingTimeLaw::run(const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH), QStringList{QStringLiteral("--db"), m_dir->path()} + arguments);
    Result result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
    }
    return result;
}

void TestCliWorkingTimeLaw::addRows()
{
    DbfTable table(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    // Anna: 10:46 less 0:45 is 10:01 on Monday; Bernd works on Sunday.
    const char *const rows[][5] = {{"04.03.2024", "Anna", "07:00", "17:46", "00:45"},
                                   {"10.03.2024", "Bernd", "09:00", "12:00", ""},
                                   {"05.03.2024", "Anna", "08:00", "12:00", ""}};
    for (const auto &row : rows) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QString::fromUtf8(row[0]));
        record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(row[1]));
        record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(row[2]));
        record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(row[3]));
        record.setText(WorkTimeTables::Pause, QString::fromUtf8(row[4]));
        QVERIFY(table.append(record));
    }
}

void TestCliWorkingTimeLaw::textReport_data()
{
    QTest::addColumn<QStringList>("choice");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QDate>("firmDayOff"); // invalid: none
    const QByteArray totals31 = "\nVerstöße gegen § 3: 1\nVerstöße gegen § 4: 0\nVerstöße gegen § 5: 0\nVerstöße gegen § 9: 1\n"
                                "Geprüfte Mitarbeitertage: 3\n";
    const QByteArray all = QByteArray("Auswertung Arbeitszeitgesetz (alle Mitarbeiter)\n") + TimesRead
                           + "Zeitraum von: 04.03.2024 bis: 10.03.2024\n\n"
                           + Heading + AnnaLongDay + BerndSunday + totals31;
    QTest::newRow("all employees by default") << QStringList{} << all << QDate();
    QTest::newRow("the choice window's first entry")
        << QStringList{QStringLiteral("--choice"), QStringLiteral("(alle Mitarbeiter)")} << all << QDate();
    QTest::newRow("a day off of the firm is a holiday")
        << QStringList{QStringLiteral("--choice"), QStringLiteral("Anna")}
        << QByteArray("Auswertung Arbeitszeitgesetz Anna\n") + TimesRead + "Zeitraum von: 04.03.2024 bis: 10.03.2024\n\n" + Heading
               + AnnaLongDay
               + "05.03.2024 Anna                      § 9      4:00         0:00      Feiertagsarbeit\n"
                 "\nVerstöße gegen § 3: 1\nVerstöße gegen § 4: 0\nVerstöße gegen § 5: 0\nVerstöße gegen § 9: 1\n"
                 "Geprüfte Mitarbeitertage: 2\n"
        << QDate(2024, 3, 5);
    QTest::newRow("one employee")
        << QStringList{QStringLiteral("--choice"), QStringLiteral("Anna")}
        << QByteArray("Auswertung Arbeitszeitgesetz Anna\n") + TimesRead + "Zeitraum von: 04.03.2024 bis: 10.03.2024\n\n" + Heading
               + AnnaLongDay
               + "\nVerstöße gegen § 3: 1\nVerstöße gegen § 4: 0\nVerstöße gegen § 5: 0\nVerstöße gegen § 9: 0\n"
                 "Geprüfte Mitarbeitertage: 2\n"
        << QDate();
}

void TestCliWorkingTimeLaw::textReport()
{
    QFETCH(QStringList, choice);
    QFETCH(QByteArray, expected);
    QFETCH(QDate, firmDayOff);
    addRows();
    if (firmDayOff.isValid()) {
        AccountTables tables(m_clock);
        tables.setDirectory(m_dir->path() + QLatin1Char('/'));
        QVERIFY(tables.setFirmDay({firmDayOff, QStringLiteral("Betriebsausflug")}));
    }
    const Result result = run(period() + choice);
    QCOMPARE(result.exitCode, 0); // violations are the report, not an error
    QCOMPARE(result.out, expected);
    QVERIFY(result.err.isEmpty());
}

void TestCliWorkingTimeLaw::refusedArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("an unknown employee") << QStringList{QStringLiteral("--choice"), QStringLiteral("anna")};
    QTest::newRow("the break column") << QStringList{QStringLiteral("--breaks")};
    QTest::newRow("no break column") << QStringList{QStringLiteral("--no-breaks")};
    QTest::newRow("an unknown format") << QStringList{QStringLiteral("--format"), QStringLiteral("html")};
    QTest::newRow("pdf to standard output") << QStringList{QStringLiteral("--format"), QStringLiteral("pdf")};
    QTest::newRow("an unwritable file")
        << QStringList{QStringLiteral("--output"), QStringLiteral("/nonexistent-directory/report.txt")};
}

void TestCliWorkingTimeLaw::refusedArguments()
{
    QFETCH(QStringList, arguments);
    addRows();
    const Result result = run(period() + arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(!result.err.isEmpty());
    QVERIFY(result.out.isEmpty());
}

void TestCliWorkingTimeLaw::csvHasTheListedColumns()
{
    addRows();
    const Result result = run(period() + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray("\xEF\xBB\xBF"
                                    "Datum;Mitarbeiter;Paragraf;Festgestellt;Grenzwert;Erläuterung\r\n"
                                    "04.03.2024;Anna;§3;10:01;10:00;Arbeitszeit über 10 Stunden\r\n"
                                    "10.03.2024;Bernd;§9;3:00;0:00;Sonntagsarbeit\r\n"));
}

void TestCliWorkingTimeLaw::csvGuardsCellsAgainstFormulas()
{
    DbfTable table(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("10.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("=HYPERLINK(1)"));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("09:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    QVERIFY(table.append(record));
    const Result result = run(period() + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.endsWith("10.03.2024;'=HYPERLINK(1);§9;3:00;0:00;Sonntagsarbeit\r\n"));
}

void TestCliWorkingTimeLaw::outputNeverGoesOverTheTable()
{
    addRows();
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    const QByteArray before = TestFiles::readAll(path);
    const Result result = run(period() + QStringList{QStringLiteral("--output"), path});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(!result.err.isEmpty());
    QCOMPARE(TestFiles::readAll(path), before);
}

void TestCliWorkingTimeLaw::writesFiles()
{
    addRows();
    const QString text = m_dir->filePath(QStringLiteral("law.txt"));
    QCOMPARE(run(period() + QStringList{QStringLiteral("--output"), text}).exitCode, 0);
    QVERIFY(TestFiles::readAll(text).contains(BerndSunday));
    const QString csv = m_dir->filePath(QStringLiteral("law.csv"));
    QCOMPARE(run(period() + QStringList{QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--output"), csv}).exitCode, 0);
    QVERIFY(TestFiles::readAll(csv).endsWith("10.03.2024;Bernd;§9;3:00;0:00;Sonntagsarbeit\r\n"));
    const QString pdf = m_dir->filePath(QStringLiteral("law.pdf"));
    QCOMPARE(run(period() + QStringList{QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), pdf}).exitCode, 0);
    QVERIFY(TestFiles::readAll(pdf).startsWith("%PDF"));
}

void TestCliWorkingTimeLaw::hoursOnlyFollowsTheAdministratorsOption()
{
    addRows();
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("config/Korvald"))));
    QVERIFY(TestFiles::writeAll(m_dir->filePath(QStringLiteral("config/Korvald/tagwerk.ini")),
                                "[TAdminForm]\nCheckOnlyhoursCheck_Checked=True\n"));
    const Result result = run(period());
    QCOMPARE(result.exitCode, 0);
    const QList<QByteArray> lines = result.out.split('\n');
    QCOMPARE(lines.at(1), QByteArray("Nur Stundenanzahl erfasst: geprüft werden nur § 3 und § 9."));
    QVERIFY(result.out.endsWith("\nVerstöße gegen § 3: 1\nVerstöße gegen § 9: 1\nGeprüfte Mitarbeitertage: 3\n"));
}

void TestCliWorkingTimeLaw::readingCanBeChosen_data()
{
    QTest::addColumn<bool>("optionSet");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readAsHours");
    QTest::newRow("the option off") << false << QStringList{} << false;
    QTest::newRow("the option on") << true << QStringList{} << true;
    QTest::newRow("hours with the option off") << false << QStringList{QStringLiteral("--hours-only")} << true;
    QTest::newRow("times with the option on") << true << QStringList{QStringLiteral("--no-hours-only")} << false;
    QTest::newRow("hours with the option on") << true << QStringList{QStringLiteral("--hours-only")} << true;
}

// Bookings made in the hours-only mode read as times once the option is off:
// seven hours as 00:00-07:00 lack their break.
void TestCliWorkingTimeLaw::readingCanBeChosen()
{
    QFETCH(bool, optionSet);
    QFETCH(QStringList, arguments);
    QFETCH(bool, readAsHours);
    DbfTable table(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    const char *const rows[][3] = {{"04.03.2024", "00:00", "07:00"}, {"05.03.2024", "00:00", "02:00"}};
    for (const auto &row : rows) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QString::fromUtf8(row[0]));
        record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
        record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(row[1]));
        record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(row[2]));
        QVERIFY(table.append(record));
    }
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("config/Korvald"))));
    QVERIFY(TestFiles::writeAll(m_dir->filePath(QStringLiteral("config/Korvald/tagwerk.ini")),
                                optionSet ? "[TAdminForm]\nCheckOnlyhoursCheck_Checked=True\n"
                                          : "[TAdminForm]\nCheckOnlyhoursCheck_Checked=False\n"));
    const Result result = run(period() + arguments);
    QCOMPARE(result.exitCode, 0);
    const QList<QByteArray> lines = result.out.split('\n');
    if (readAsHours) {
        QCOMPARE(lines.at(1), QByteArray("Nur Stundenanzahl erfasst: geprüft werden nur § 3 und § 9."));
        QVERIFY(result.out.contains("Keine Verstöße gefunden."));
    } else {
        QCOMPARE(lines.at(1) + '\n', QByteArray(TimesRead));
        QVERIFY(result.out.contains("\n04.03.2024 Anna                      § 4      0:00         0:30      Pause zu kurz\n"));
    }
}

void TestCliWorkingTimeLaw::periodMustNotEndBeforeItStarts_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("one day") << QStringLiteral("10.03.2024") << QStringLiteral("10.03.2024") << 0;
    QTest::newRow("the end one day before the start") << QStringLiteral("11.03.2024") << QStringLiteral("10.03.2024") << 2;
    QTest::newRow("across the year, in both forms") << QStringLiteral("2025-01-01") << QStringLiteral("31.12.2024") << 2;
}

void TestCliWorkingTimeLaw::periodMustNotEndBeforeItStarts()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, exitCode);
    addRows();
    const Result result = run({QStringLiteral("report"), QStringLiteral("worktime-law"), QStringLiteral("--from"), from,
                               QStringLiteral("--to"), to});
    QCOMPARE(result.exitCode, exitCode);
    if (exitCode == 0)
        return;
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err, QByteArray("tagwerk-cli report: Der Zeitraum beginnt nach seinem Ende: bitte das Datum von und "
                                    "bis prüfen.\n"));
}

void TestCliWorkingTimeLaw::emptyTableIsNoError()
{
    DbfTable table(m_clock);
    QVERIFY(table.create(m_dir->filePath(QStringLiteral("arbeitszeit.dbf")), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    const Result result = run(period());
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.contains(QByteArray(Heading) + "Keine Verstöße gefunden.\n\n"));
    QVERIFY(result.out.endsWith("Geprüfte Mitarbeitertage: 0\n"));
}

QTEST_GUILESS_MAIN(TestCliWorkingTimeLaw)
#include "tst_cli_worktimelaw.moc"
