#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

class TestCliReport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyTableRefusesChoiceKinds();
    void reports_data();
    void reports();
    void breakOptionDefaultsToTheStoredOne();
    void writesCsvAndPdf();
    void outputRefusesTheProgramsOwnFiles_data();
    void outputRefusesTheProgramsOwnFiles();

private:
    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Result run(const QStringList &arguments) const;
    void addRows();

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
};

void TestCliReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

TestCliReport::Result TestCliReport::run(const QStringList &arguments) const
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

void TestCliReport::addRows()
{
    DbfTable table(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    const char *const rows[][4] = {{"05.03.2024", "Anna", "Bonn", "01:00"}, {"06.03.2024", "Bernd", "Köln", "00:30"},
                                   {"07.03.2024", "Anna", "", "00:15"}};
    for (const auto &row : rows) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QString::fromUtf8(row[0]));
        record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(row[1]));
        record.setText(WorkTimeTables::Ort, QString::fromUtf8(row[2]));
        record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
        record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
        record.setText(WorkTimeTables::Pause, QString::fromUtf8(row[3]));
        QVERIFY(table.append(record));
    }
}

void TestCliReport::emptyTableRefusesChoiceKinds()
{
    const QStringList period = {QStringLiteral("--from"), QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024")};
    const Result employee = run(QStringList{QStringLiteral("report"), QStringLiteral("employee")} + period);
    QCOMPARE(employee.exitCode, 1);
    QCOMPARE(QString::fromUtf8(employee.err).trimmed(), QStringLiteral("Es gibt noch keine Buchungen von irgendeinem Mitarbeiter."));
    const Result place = run(QStringList{QStringLiteral("report"), QStringLiteral("place")} + period);
    QCOMPARE(QString::fromUtf8(place.err).trimmed(), QStringLiteral("Es gibt noch keine Buchungen von irgendeinem Ort."));
    const Result byPeriod = run(QStringList{QStringLiteral("report"), QStringLiteral("period")} + period);
    QCOMPARE(byPeriod.exitCode, 0);
    QVERIFY(byPeriod.out.startsWith("Auswertung Zeitraum\nZeitraum von: 01.03.2024 bis: 31.03.2024\n"));
}

void TestCliReport::reports_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine");
    const QStringList period = {QStringLiteral("--from"), QStringLiteral("2024-03-01"), QStringLiteral("--to"), QStringLiteral("31.03.2024")};
    QTest::newRow("first choice by default") << QStringList{QStringLiteral("report"), QStringLiteral("employee")} + period << 0
                                             << QStringLiteral("Auswertung Mitarbeiter Anna");
    QTest::newRow("named choice") << QStringList{QStringLiteral("report"), QStringLiteral("employee"), QStringLiteral("--choice"),
                                                 QStringLiteral("Bernd")} + period
                                  << 0 << QStringLiteral("Auswertung Mitarbeiter Bernd");
    QTest::newRow("the empty place is a choice") << QStringList{QStringLiteral("report"), QStringLiteral("place"),
                                                                QStringLiteral("--choice"), QString()} + period
                                                 << 0 << QStringLiteral("Auswertung Ort/Baustelle/Kunde ");
    QTest::newRow("unknown choice") << QStringList{QStringLiteral("report"), QStringLiteral("employee"), QStringLiteral("--choice"),
                                                   QStringLiteral("anna")} + period
                                    << 2 << QString();
    QTest::newRow("unknown kind") << QStringList{QStringLiteral("report"), QStringLiteral("month")} + period << 2 << QString();
    QTest::newRow("no dates") << QStringList{QStringLiteral("report"), QStringLiteral("period")} << 2 << QString();
    QTest::newRow("choice for a period") << QStringList{QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--choice"),
                                                        QStringLiteral("x")} + period
                                         << 2 << QString();
    QTest::newRow("pdf to stdout") << QStringList{QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--format"),
                                                  QStringLiteral("pdf")} + period
                                   << 2 << QString();
}

void TestCliReport::reports()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    addRows();
    const Result result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    if (exitCode == 0)
        QCOMPARE(QString::fromUtf8(result.out).section(QLatin1Char('\n'), 0, 0), firstLine);
    else
        QVERIFY(!result.err.isEmpty());
}

void TestCliReport::breakOptionDefaultsToTheStoredOne()
{
    addRows();
    const QStringList arguments = {QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                                   QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024")};
    QVERIFY(!run(arguments).out.contains(" Pause "));
    UserListData users;
    users.listBreakTime = true;
    QVERIFY(UserListStore::save(m_dir->filePath(QStringLiteral("benutzer.dat")), users));
    const Result stored = run(arguments);
    QVERIFY(stored.out.contains(" Pause "));
    QVERIFY(stored.out.contains("Abgezogene Pausenzeit in Stunden: 1.75 / 1:45\n")); // the C locale's point
    QVERIFY(!run(arguments + QStringList{QStringLiteral("--no-breaks")}).out.contains(" Pause "));
}

void TestCliReport::writesCsvAndPdf()
{
    addRows();
    const QStringList period = {QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                                QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024")};
    const Result csv = run(period + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(csv.exitCode, 0);
    QVERIFY(csv.out.startsWith("\xEF\xBB\xBF" "Datum;Mitarbeiter;Ort;T\xC3\xA4tigkeit;Von;Bis;\xC3\x9C" "bernachtung;Bemerkungen\r\n"));
    QCOMPARE(csv.out.count("\r\n"), 4);
    const QString pdf = m_dir->filePath(QStringLiteral("out.pdf"));
    const Result written = run(period + QStringList{QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), pdf});
    QCOMPARE(written.exitCode, 0);
    QVERIFY(TestFiles::readAll(pdf).startsWith("%PDF"));
}

void TestCliReport::outputRefusesTheProgramsOwnFiles_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("output"); // below the Database directory, which is also the program's here
    QTest::addColumn<QString>("link");   // "symbolic" or "hard": output is made a link to the table first
    QTest::newRow("the table") << QStringLiteral("text") << QStringLiteral("arbeitszeit.dbf") << QString();
    QTest::newRow("the table, spelt another way") << QStringLiteral("csv") << QStringLiteral("sub/.././/arbeitszeit.dbf")
                                                  << QString();
    QTest::newRow("a symbolic link to the table") << QStringLiteral("text") << QStringLiteral("report.txt")
                                                  << QStringLiteral("symbolic");
    QTest::newRow("a hard link to the table") << QStringLiteral("pdf") << QStringLiteral("report.pdf")
                                              << QStringLiteral("hard");
    QTest::newRow("the user list") << QStringLiteral("text") << QStringLiteral("benutzer.dat") << QString();
    QTest::newRow("options.dat, not there yet") << QStringLiteral("csv") << QStringLiteral("options.dat") << QString();
    QTest::newRow("the dictionary") << QStringLiteral("text") << QStringLiteral("translate.dat") << QString();
    QTest::newRow("the upgrade's backup") << QStringLiteral("text") << QStringLiteral("arbeitszeit0.dbf") << QString();
}

void TestCliReport::outputRefusesTheProgramsOwnFiles()
{
    QFETCH(QString, format);
    QFETCH(QString, output);
    QFETCH(QString, link);
    addRows();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    UserListData users;
    users.users = {{QStringLiteral("Anna"), QStringLiteral("anna"), QStringLiteral("1")}};
    QVERIFY(UserListStore::save(m_dir->filePath(QStringLiteral("benutzer.dat")), users));
    const QString table = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    const QString path = m_dir->filePath(output);
    if (link == QLatin1String("symbolic"))
        QVERIFY(QFile::link(table, path));
    else if (link == QLatin1String("hard"))
        QVERIFY(::link(QFile::encodeName(table).constData(), QFile::encodeName(path).constData()) == 0);
    // The program's own start-up writes what it writes (the dictionary, for one).
    QCOMPARE(run({QStringLiteral("list")}).exitCode, 0);
    const QByteArray tableBefore = TestFiles::readAll(table);
    const bool existed = QFileInfo::exists(path);
    const QByteArray before = TestFiles::readAll(path);
    const Result result = run({QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                               QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024"),
                               QStringLiteral("--format"), format, QStringLiteral("--output"), path});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("nicht \xC3\xBC" "berschrieben"));
    QCOMPARE(QFileInfo::exists(path), existed);
    if (output == QLatin1String("translate.dat")) {
        // The refusal's own text is new to the dictionary and added to it.
        const QByteArray after = TestFiles::readAll(path);
        QVERIFY(after.startsWith(TestFiles::le32(30)));
        QVERIFY(!after.contains("Auswertung Zeitraum"));
    } else {
        QCOMPARE(TestFiles::readAll(path), before);
    }
    QCOMPARE(TestFiles::readAll(table), tableBefore);
}

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_cli_report.moc"
