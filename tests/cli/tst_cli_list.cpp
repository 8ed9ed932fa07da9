#include <QtGlobal>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"
#include "translation/translateunit.h"

namespace {

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The program directory (for "translate.dat"), the settings and the
// application-data folder all lie in `home`, never in the user's own.
CliResult runCli(const QString &home, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), home + QStringLiteral("/program"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    QDir(home).mkpath(QStringLiteral("program"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH), arguments);
    CliResult result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// A booking whose login fails: it opens (and so creates) the table first,
// as the program does at start-up, and then stores nothing.
QStringList refusedBooking()
{
    return {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("niemand"), QStringLiteral("--password"),
            QStringLiteral("x"), QStringLiteral("--place"), QStringLiteral("Halle"), QStringLiteral("--activity"),
            QStringLiteral("Montage"), QStringLiteral("--date"), QStringLiteral("01.03.2024"), QStringLiteral("--from"),
            QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")};
}

// The commands that only read, with the arguments each needs.
QList<QStringList> readOnlyCommands()
{
    return {{QStringLiteral("list")},
            {QStringLiteral("report"), QStringLiteral("worktime-law"), QStringLiteral("--from"), QStringLiteral("01.03.2024"),
             QStringLiteral("--to"), QStringLiteral("31.03.2024")},
            {QStringLiteral("verify")},
            {QStringLiteral("history")}};
}

} // namespace

class TestCliList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void usageErrors_data();
    void usageErrors();
    void helpExitsZero();
    void readOnlyCommandsCreateNothing_data();
    void readOnlyCommandsCreateNothing();
    void listsForeignTables_data();
    void listsForeignTables();
    void employeeFilterIsExact_data();
    void employeeFilterIsExact();
    void damagedTableExitsTwoAndStaysUnchanged();
    void twoInstancesCreatingTheTableAtOnce();
    void withoutDbUsesTheProgramsDirectory_data();
    void withoutDbUsesTheProgramsDirectory();
    void languageNamesNewTables_data();
    void languageNamesNewTables();
    void oldLayoutIsReadNotUpgraded_data();
    void oldLayoutIsReadNotUpgraded();
    void fieldsAreEscapedToOneLine();
    void databaseDirectoryMessagesSayWhatIsWrong_data();
    void databaseDirectoryMessagesSayWhatIsWrong();

private:
    QString dbDir() const { return m_dir->path(); }
    void installFixture(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_home;
};

void TestCliList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestCliList::installFixture(const QString &name)
{
    const QString target = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(TestFiles::writeAll(target, TestFiles::readAll(TestFiles::dataPath(QStringLiteral("dbf/") + name))));
}

void TestCliList::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{QStringLiteral("--db"), QStringLiteral("."), QStringLiteral("frobnicate")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--db"), QStringLiteral("."), QStringLiteral("list"),
                                                   QStringLiteral("--colour")};
    QTest::newRow("unknown language") << QStringList{QStringLiteral("--lang"), QStringLiteral("fr"), QStringLiteral("list")};
    QTest::newRow("--db without value") << QStringList{QStringLiteral("list"), QStringLiteral("--db")};
    QTest::newRow("missing directory") << QStringList{QStringLiteral("--db"), QStringLiteral("/no/such/dir"),
                                                      QStringLiteral("list")};
    QTest::newRow("extra argument") << QStringList{QStringLiteral("--db"), QStringLiteral("."), QStringLiteral("list"),
                                                   QStringLiteral("more")};
}

void TestCliList::usageErrors()
{
    QFETCH(QStringList, arguments);
    const CliResult result = runCli(m_home.path(), arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY(!result.err.isEmpty());
}

void TestCliList::helpExitsZero()
{
    const CliResult result = runCli(m_home.path(), {QStringLiteral("--help")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.contains("list [--employee NAME]"));
}

void TestCliList::readOnlyCommandsCreateNothing_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<bool>("withDb");
    for (const QStringList &command : readOnlyCommands()) {
        QTest::addRow("%s, empty --db directory", qPrintable(command.first())) << command << true;
        QTest::addRow("%s, no Database directory yet", qPrintable(command.first())) << command << false;
    }
}

void TestCliList::readOnlyCommandsCreateNothing()
{
    QFETCH(QStringList, command);
    QFETCH(bool, withDb);
    const QString defaultDirectory = m_home.filePath(QStringLiteral("data/Korvald/Tagwerk"));
    QDir(m_home.filePath(QStringLiteral("data/Korvald"))).removeRecursively();
    const QString directory = withDb ? dbDir() : defaultDirectory;
    const CliResult result = runCli(m_home.path(), (withDb ? QStringList{QStringLiteral("--db"), dbDir()} : QStringList()) + command);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.contains(directory.toUtf8()) && result.err.contains("arbeitszeit.dbf"), result.err.constData());
    QCOMPARE(QDir(dbDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("data/Korvald"))));
}

void TestCliList::listsForeignTables_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::newRow("python-dbf") << QStringLiteral("pydbf_db3_cp1252.dbf");
    QTest::newRow("LibreOffice Calc") << QStringLiteral("lo_calc_ansi.dbf");
}

void TestCliList::listsForeignTables()
{
    QFETCH(QString, fixture);
    installFixture(fixture);
    const CliResult result = runCli(m_home.path(), {QStringLiteral("--db"), dbDir(), QStringLiteral("list")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, TestFiles::readAll(TestFiles::dataPath(QStringLiteral("cli/list_fixture.txt"))));
}

void TestCliList::employeeFilterIsExact_data()
{
    QTest::addColumn<QString>("employee");
    QTest::addColumn<int>("lines");
    QTest::newRow("exact") << QStringLiteral("Schäfer, Käthe") << 1;
    QTest::newRow("other case") << QStringLiteral("schäfer, käthe") << 0;
    QTest::newRow("part of the name") << QStringLiteral("Schäfer") << 0;
    QTest::newRow("deleted record's employee") << QStringLiteral("Weiß, Björn") << 0;
}

void TestCliList::employeeFilterIsExact()
{
    QFETCH(QString, employee);
    QFETCH(int, lines);
    installFixture(QStringLiteral("pydbf_db3_cp1252.dbf"));
    const CliResult result = runCli(m_home.path(), {QStringLiteral("--db"), dbDir(), QStringLiteral("list"), QStringLiteral("--employee"),
                                     employee});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(int(result.out.count('\n')), lines);
    if (lines > 0)
        QVERIFY(result.out.startsWith(QStringLiteral("02.02.2024\tSchäfer, Käthe\t").toUtf8()));
}

void TestCliList::damagedTableExitsTwoAndStaysUnchanged()
{
    const QString table = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    const QByteArray garbage(300, '\x07');
    QVERIFY(TestFiles::writeAll(table, garbage));
    const CliResult result = runCli(m_home.path(), {QStringLiteral("--db"), dbDir(), QStringLiteral("list")});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("arbeitszeit.dbf"));
    QCOMPARE(TestFiles::readAll(table), garbage);
}

// Two PCs starting on an empty shared folder at the same moment: each finds
// the table missing; neither may see the other's table half written.
void TestCliList::twoInstancesCreatingTheTableAtOnce()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    for (int round = 0; round < 20; ++round) {
        QFile::remove(m_dir->filePath(QStringLiteral("arbeitszeit.dbf")));
        QProcess first;
        QProcess second;
        for (QProcess *process : {&first, &second}) {
            process->setProcessEnvironment(environment);
            process->start(QStringLiteral(TAGWERK_CLI_PATH), QStringList{QStringLiteral("--db"), dbDir()} + refusedBooking());
        }
        QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 1);
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(QFileInfo(m_dir->filePath(QStringLiteral("arbeitszeit.dbf"))).size(), 418);
    }
    // No scratch or half table is left (the change history lies beside it).
    QCOMPARE(QDir(dbDir()).entryList({QStringLiteral("arbeitszeit*"), QStringLiteral("temp*")}, QDir::Files),
             QStringList{QStringLiteral("arbeitszeit.dbf")});
}

void TestCliList::withoutDbUsesTheProgramsDirectory_data()
{
    QTest::addColumn<QString>("choice"); // what the settings hold
    QTest::addColumn<QString>("expectedDirectory");
    QTest::newRow("nothing stored: default folder") << QString() << QStringLiteral("data/Korvald/Tagwerk");
    QTest::newRow("own directory") << QStringLiteral("own") << QStringLiteral("own");
    QTest::newRow("program directory") << QStringLiteral("program") << QStringLiteral("program");
}

void TestCliList::withoutDbUsesTheProgramsDirectory()
{
    QFETCH(QString, choice);
    QFETCH(QString, expectedDirectory);
    const QString home = m_home.path();
    if (!choice.isEmpty()) {
        QDir(home).mkpath(choice);
        QSettings settings(home + QStringLiteral("/config/Korvald/tagwerk.ini"), QSettings::IniFormat);
        const bool own = choice == QLatin1String("own");
        settings.setValue(QStringLiteral("TSetDataBaseForm/RadioButton1_Checked"), QStringLiteral("False"));
        settings.setValue(QStringLiteral("TSetDataBaseForm/RadioButton2_Checked"), own ? QStringLiteral("True") : QStringLiteral("False"));
        settings.setValue(QStringLiteral("TSetDataBaseForm/RadioButton3_Checked"), own ? QStringLiteral("False") : QStringLiteral("True"));
        settings.setValue(QStringLiteral("TSetDataBaseForm/DirectoryEdit1_Text"), home + QStringLiteral("/own"));
    }
    const CliResult result = runCli(home, refusedBooking());
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QFileInfo(home + QLatin1Char('/') + expectedDirectory + QStringLiteral("/arbeitszeit.dbf")).size(), 418);
}

void TestCliList::languageNamesNewTables_data()
{
    QTest::addColumn<QStringList>("languageArguments");
    QTest::addColumn<QByteArray>("storedOption"); // contents of options.dat, if any
    QTest::addColumn<QString>("firstFieldName");
    QTest::newRow("German by default") << QStringList() << QByteArray() << QStringLiteral("DATUM");
    QTest::newRow("--lang en") << QStringList{QStringLiteral("--lang"), QStringLiteral("en")} << QByteArray() << QStringLiteral("DATE");
    QTest::newRow("stored English") << QStringList() << TestFiles::le32(1) << QStringLiteral("DATE");
    QTest::newRow("--lang de over stored English") << QStringList{QStringLiteral("--lang"), QStringLiteral("de")}
                                                   << TestFiles::le32(1) << QStringLiteral("DATUM");
    QTest::newRow("stored 0 is German") << QStringList() << TestFiles::le32(0) << QStringLiteral("DATUM");
}

void TestCliList::languageNamesNewTables()
{
    QFETCH(QStringList, languageArguments);
    QFETCH(QByteArray, storedOption);
    QFETCH(QString, firstFieldName);
    // A dictionary that knows one English field name.
    {
        RecordingReporter reporter;
        QDir(m_home.path()).mkpath(QStringLiteral("program"));
        TranslationDictionary dictionary(reporter, m_home.filePath(QStringLiteral("program/translate.dat")));
        dictionary.TranslateText(QStringLiteral("Datum"));
        dictionary.setText(0, TranslationDictionary::EnglishColumn, QStringLiteral("Date"));
        QVERIFY(dictionary.SaveTranslationFile());
    }
    if (!storedOption.isEmpty())
        QVERIFY(TestFiles::writeAll(m_dir->filePath(QStringLiteral("options.dat")), storedOption));
    const CliResult result = runCli(m_home.path(), languageArguments + QStringList{QStringLiteral("--db"), dbDir()} + refusedBooking());
    QCOMPARE(result.exitCode, 1);
    FixedClock clock;
    DbfTable table(clock);
    QVERIFY(table.open(m_dir->filePath(QStringLiteral("arbeitszeit.dbf"))));
    QCOMPARE(table.fields().at(0).name, firstFieldName);
    QCOMPARE(table.fields().at(1).name, QStringLiteral("ARBEITER"));
}

// An older table is the program's to upgrade, at its start: a command that
// only reads takes it as it is, or refuses it, and leaves it unchanged.
void TestCliList::oldLayoutIsReadNotUpgraded_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exitCode");
    const QList<QStringList> commands = readOnlyCommands();
    QTest::newRow("list") << commands.at(0) << 2;
    QTest::newRow("report") << commands.at(1) << 2;
    QTest::newRow("verify") << commands.at(2) << 1; // no history yet: a finding
    QTest::newRow("history") << commands.at(3) << 0;
}

void TestCliList::oldLayoutIsReadNotUpgraded()
{
    QFETCH(QStringList, command);
    QFETCH(int, exitCode);
    const QString table = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(QFile::copy(TestFiles::dataPath(QStringLiteral("fuzz/table/short-one-field.dbf")), table));
    const QByteArray before = TestFiles::readAll(table);
    const CliResult result = runCli(m_home.path(), QStringList{QStringLiteral("--db"), dbDir()} + command);
    QCOMPARE(result.exitCode, exitCode);
    if (exitCode == 2) {
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.contains("arbeitszeit.dbf"));
        QVERIFY(result.err.contains("Starten Sie Tagwerk einmal"));
    }
    QCOMPARE(TestFiles::readAll(table), before);
    QCOMPARE(QDir(dbDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("arbeitszeit.dbf")});
}

void TestCliList::fieldsAreEscapedToOneLine()
{
    FixedClock clock;
    DbfTable table(clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Halle\t3"));
    record.setText(WorkTimeTables::Bemerkungen, QStringLiteral("erste Zeile\r\nzweite C:\\Lager\\n"));
    QVERIFY(table.append(record));
    table.close();
    const CliResult result = runCli(m_home.path(), {QStringLiteral("--db"), dbDir(), QStringLiteral("list")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out.count('\n'), 1);
    const QList<QByteArray> fields = result.out.chopped(1).split('\t');
    QCOMPARE(fields.size(), 12);
    QCOMPARE(fields.at(WorkTimeTables::Ort), QByteArray("Halle\\t3"));
    QCOMPARE(fields.at(WorkTimeTables::Bemerkungen), QByteArray("erste Zeile\\r\\nzweite C:\\\\Lager\\\\n"));
}

void TestCliList::databaseDirectoryMessagesSayWhatIsWrong_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("says");
    QTest::addColumn<QByteArray>("mustNotSay");
    QTest::newRow("a file") << QStringLiteral("file") << QByteArray("ist eine Datei, kein Verzeichnis")
                            << QByteArray("existiert nicht");
    QTest::newRow("a name that is not UTF-8") << QStringLiteral("latin1") << QByteArray("kein UTF-8")
                                              << QByteArray("existiert nicht");
    QTest::newRow("a directory that may not be entered") << QStringLiteral("closed")
                                                         << QByteArray("besteht kein Zugriff")
                                                         << QByteArray("angelegt");
}

void TestCliList::databaseDirectoryMessagesSayWhatIsWrong()
{
#ifndef Q_OS_UNIX
    QSKIP("directory rights and the scripts that drop them are POSIX");
#else
    QFETCH(QString, kind);
    QFETCH(QByteArray, says);
    QFETCH(QByteArray, mustNotSay);
    // Through the shell, so that a name reaches the program as raw bytes:
    // $0 is the program, $1 the Database directory's parent or itself.
    QByteArray script = "\"$0\" --db \"$1\" list";
    QString directory = dbDir();
    const QByteArray latin1 = QFile::encodeName(dbDir()) + "/Caf\xE9";
    if (kind == QLatin1String("file")) {
        directory = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
        QVERIFY(TestFiles::writeAll(directory, "not a directory"));
    } else if (kind == QLatin1String("latin1")) {
        QCOMPARE(::mkdir(latin1.constData(), 0700), 0);
        script = "\"$0\" --db \"$(printf '%s/Caf\\351' \"$1\")\" list";
    } else {
        FixedClock clock;
        DbfTable table(clock);
        QVERIFY(table.create(m_dir->filePath(QStringLiteral("arbeitszeit.dbf")),
                             WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
        // Readable, but without the right to enter it.
        QVERIFY(QFile::setPermissions(dbDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        if (::geteuid() == 0) {
            // Root enters every directory: the program runs as nobody instead.
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                QSKIP("running as root, and setpriv is not there to drop that right");
            script = "setpriv --reuid=65534 --regid=65534 --clear-groups " + script;
        }
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_home.filePath(QStringLiteral("program")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromUtf8(script), QStringLiteral(TAGWERK_CLI_PATH),
                                         kind == QLatin1String("latin1") ? dbDir() : directory});
    QVERIFY(process.waitForFinished(60000));
    QFile::setPermissions(dbDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ::rmdir(latin1.constData()); // a name QDir cannot spell, so QTemporaryDir cannot remove it
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(process.exitCode() == 2, err.constData());
    QVERIFY2(err.contains(says), err.constData());
    QVERIFY2(!err.contains(mustNotSay), err.constData());
#endif
}

QTEST_GUILESS_MAIN(TestCliList)
#include "tst_cli_list.moc"
