#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

// Address space for the report command in the memory test: what the program
// needs to start, and a little more.
constexpr int MemoryLimitKilobytes = 600000;

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
    void csvCellsAreGuardedAgainstFormulas();
    void pdfHoldsEveryWordInsideTheMargins();
    void memoryDoesNotGrowWithTheTable_data();
    void memoryDoesNotGrowWithTheTable();

private:
    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Result run(const QStringList &arguments, const QString &shellPrefix = QString()) const;
    void addRows();
    void addRecord(const QStringList &texts);

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
};

void TestCliReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

// With a shell prefix ("ulimit -v ..."), the command runs under sh after it.
TestCliReport::Result TestCliReport::run(const QStringList &arguments, const QString &shellPrefix) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    const QStringList command = QStringList{QStringLiteral("--db"), m_dir->path()} + arguments;
    if (shellPrefix.isEmpty()) {
        process.start(QStringLiteral(TAGWERK_CLI_PATH), command);
    } else {
        process.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), shellPrefix + QStringLiteral("; exec \"$0\" \"$@\""),
                                                             QStringLiteral(TAGWERK_CLI_PATH)} + command);
    }
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

// Appends one record: date, employee, place, activity, from, to, remark, break.
void TestCliReport::addRecord(const QStringList &texts)
{
    DbfTable table(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    if (!QFile::exists(path))
        QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    DbfRecord record = table.newRecord();
    const int fields[] = {WorkTimeTables::Datum, WorkTimeTables::Arbeiter, WorkTimeTables::Ort, WorkTimeTables::Taetigkeit,
                          WorkTimeTables::ZeitVon, WorkTimeTables::ZeitBis, WorkTimeTables::Bemerkungen, WorkTimeTables::Pause};
    for (int i = 0; i < texts.size(); ++i)
        record.setText(fields[i], texts.at(i));
    QVERIFY(table.append(record));
}

void TestCliReport::emptyTableRefusesChoiceKinds()
{
    DbfTable table(m_clock);
    QVERIFY(table.create(m_dir->filePath(QStringLiteral("arbeitszeit.dbf")), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
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
    QTest::newRow("hours-only reading for an evaluation")
        << QStringList{QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--hours-only")} + period << 2
        << QString();
    // Only the working-time law check refuses it; the evaluations list nothing.
    QTest::newRow("a period that starts after its end")
        << QStringList{QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                       QStringLiteral("31.03.2024"), QStringLiteral("--to"), QStringLiteral("01.03.2024")}
        << 0 << QStringLiteral("Auswertung Zeitraum");
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
    // Standard output takes the bytes as they are: no "\r\r\n" from a text mode.
    QCOMPARE(csv.out.count("\r\r\n"), 0);
    QCOMPARE(csv.out.count('\n'), 4);
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
    // The program's own start-up writes what it writes (the dictionary, for
    // one): a booking refused at the login runs it.
    QCOMPARE(run({QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("niemand"), QStringLiteral("--password"),
                  QStringLiteral("x"), QStringLiteral("--place"), QStringLiteral("Halle"), QStringLiteral("--activity"),
                  QStringLiteral("Montage"), QStringLiteral("--date"), QStringLiteral("01.03.2024"), QStringLiteral("--from"),
                  QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")})
                 .exitCode,
             1);
    const QByteArray tableBefore = TestFiles::readAll(table);
    const bool existed = QFileInfo::exists(path);
    const QByteArray before = TestFiles::readAll(path);
    const Result result = run({QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                               QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024"),
                               QStringLiteral("--format"), format, QStringLiteral("--output"), path});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("nicht \xC3\xBC" "berschrieben"));
    QCOMPARE(QFileInfo::exists(path), existed);
    // The dictionary too: a run of tagwerk-cli reads it, never writes it.
    QCOMPARE(TestFiles::readAll(path), before);
    QCOMPARE(TestFiles::readAll(table), tableBefore);
}

void TestCliReport::csvCellsAreGuardedAgainstFormulas()
{
    const QStringList remarks = {QStringLiteral("=HYPERLINK(\"http://x\";\"y\")"), QStringLiteral("+49 221 123"),
                                 QStringLiteral("-5 min"), QStringLiteral("@SUM(A1)"), QStringLiteral("gut = besser")};
    for (const QString &remark : remarks) {
        addRecord({QStringLiteral("05.03.2024"), QStringLiteral("Anna"), QStringLiteral("=Ort"), QStringLiteral("Bau"),
                   QStringLiteral("08:00"), QStringLiteral("12:00"), remark, QStringLiteral("00:30")});
    }
    const Result csv = run({QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"), QStringLiteral("01.03.2024"),
                            QStringLiteral("--to"), QStringLiteral("31.03.2024"), QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(csv.exitCode, 0);
    const QList<QByteArray> rows = csv.out.split('\n');
    QCOMPARE(rows.size(), 1 + remarks.size() + 1);
    QVERIFY(rows.at(1).contains(";'=Ort;"));
    QVERIFY(rows.at(1).endsWith(";\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\"\r"));
    QVERIFY(rows.at(2).endsWith(";'+49 221 123\r"));
    QVERIFY(rows.at(3).endsWith(";'-5 min\r"));
    QVERIFY(rows.at(4).endsWith(";'@SUM(A1)\r"));
    QVERIFY(rows.at(5).endsWith(";gut = besser\r"));
}

namespace {

QStringList words(const QByteArray &text)
{
    return QString::fromUtf8(text).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

} // namespace

// A period report with breaks whose lines reach 230 characters: its PDF holds
// every word of the text report, and every word lies inside the half-inch
// margins of its page.
void TestCliReport::pdfHoldsEveryWordInsideTheMargins()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    for (int i = 0; i < 60; ++i) {
        QString remark;
        for (int w = 0; remark.size() < 100; ++w)
            remark += QStringLiteral("Wort%1x%2 ").arg(i).arg(w);
        addRecord({QStringLiteral("%1.03.2024").arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                   QStringLiteral("Schmidt-Überlingen, Marie"), QStringLiteral("Köln, Baustelle am Dom 1"),
                   QStringLiteral("Heizungsmontage im Obergeschoss"), QStringLiteral("07:15"), QStringLiteral("16:45"),
                   remark.left(100), QStringLiteral("00:45")});
    }
    const QStringList arguments = {QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                                   QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024"),
                                   QStringLiteral("--breaks")};
    const Result text = run(arguments);
    QCOMPARE(text.exitCode, 0);
    qsizetype longest = 0;
    for (const QString &line : QString::fromUtf8(text.out).split(QLatin1Char('\n')))
        longest = std::max(longest, line.size());
    QCOMPARE(longest, 230);

    const QString pdf = m_dir->filePath(QStringLiteral("long.pdf"));
    QCOMPARE(run(arguments + QStringList{QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), pdf}).exitCode, 0);
    QProcess toText;
    toText.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    QVERIFY(toText.waitForFinished(60000));
    QStringList printed = words(toText.readAllStandardOutput());
    for (const QString &word : words(text.out))
        QVERIFY2(printed.removeOne(word), qPrintable(word));
    // What is left are the page numbers (a number of the text may have
    // matched one of them, so their order is not checked).
    const int pages = int(printed.size());
    QVERIFY(pages >= 2);
    for (const QString &left : std::as_const(printed)) {
        const int number = left.toInt();
        QVERIFY2(number >= 1 && number <= pages, qPrintable(left));
    }

    // Every word's box inside the page less half an inch (36 points) on each side.
    QProcess boxes;
    boxes.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QVERIFY(boxes.waitForFinished(60000));
    const QString html = QString::fromUtf8(boxes.readAllStandardOutput());
    const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
    const auto pageMatch = page.match(html);
    QVERIFY(pageMatch.hasMatch());
    const double width = pageMatch.captured(1).toDouble();
    const double height = pageMatch.captured(2).toDouble();
    QVERIFY(width > height); // landscape
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)<"));
    int checked = 0;
    for (const auto &match : word.globalMatch(html)) { // the word itself, in a failure message
        const QString what = match.captured(0);
        QVERIFY2(match.captured(1).toDouble() >= 36.0 && match.captured(3).toDouble() <= width - 36.0, qPrintable(what));
        QVERIFY2(match.captured(2).toDouble() >= 36.0 && match.captured(4).toDouble() <= height - 36.0, qPrintable(what));
        ++checked;
    }
    QVERIFY(checked > 1000);
}

void TestCliReport::memoryDoesNotGrowWithTheTable_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << QStringLiteral("text");
    QTest::newRow("csv") << QStringLiteral("csv");
}

// The report of a table of some hundred thousand rows runs in an address
// space that could not hold the report itself: lines go out as they are made.
void TestCliReport::memoryDoesNotGrowWithTheTable()
{
#ifdef TAGWERK_SANITIZE_BUILD
    QSKIP("AddressSanitizer's shadow memory does not fit under a ulimit -v");
#endif
#ifndef Q_OS_UNIX
    QSKIP("the memory limit is set by a POSIX shell's ulimit");
#endif
    QFETCH(QString, format);
    constexpr int Rows = 300000;
    addRecord({QStringLiteral("05.03.2024"), QStringLiteral("Müller, Jürgen"), QStringLiteral("Köln, Baustelle Schloßplatz 3"),
               QStringLiteral("Störungsbeseitigung"), QStringLiteral("07:00"), QStringLiteral("16:30"),
               QStringLiteral("Material nachbestellt, Kunde informiert, Rechnung folgt mit der nächsten Lieferung"),
               QStringLiteral("00:30")});
    // The one record copied in bulk: the same bytes, the count in the header.
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QByteArray bytes = TestFiles::readAll(path);
    const int headerLength = qFromLittleEndian<quint16>(bytes.constData() + 8);
    const int recordLength = qFromLittleEndian<quint16>(bytes.constData() + 10);
    const QByteArray record = bytes.mid(headerLength, recordLength);
    bytes.truncate(headerLength);
    bytes.reserve(headerLength + qsizetype(Rows) * recordLength + 1);
    for (int i = 0; i < Rows; ++i)
        bytes += record;
    bytes += '\x1A';
    qToLittleEndian<quint32>(Rows, bytes.data() + 4);
    QVERIFY(TestFiles::writeAll(path, bytes));
    bytes = QByteArray();

    // About 200 MB of address space over what the program needs to start:
    // the report alone takes more than that as lines in memory.
    const QString output = m_dir->filePath(QStringLiteral("report.out"));
    const Result result = run({QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                               QStringLiteral("01.01.2024"), QStringLiteral("--to"), QStringLiteral("31.12.2024"),
                               QStringLiteral("--format"), format, QStringLiteral("--output"), output},
                              QStringLiteral("ulimit -v %1").arg(MemoryLimitKilobytes));
    QVERIFY2(result.exitCode == 0, result.err.constData());
    const QByteArray written = TestFiles::readAll(output);
    QCOMPARE(written.count('\n'), format == QLatin1String("csv") ? Rows + 1 : Rows + 8);
}

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_cli_report.moc"
