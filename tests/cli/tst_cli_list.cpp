#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/TestFiles.h"

namespace {

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliResult runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TAGWERK_CLI_PATH), arguments);
    CliResult result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
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
    void emptyDirectoryGetsTable();
    void listsForeignTables_data();
    void listsForeignTables();
    void employeeFilterIsExact_data();
    void employeeFilterIsExact();
    void damagedTableExitsTwoAndStaysUnchanged();

private:
    QString dbDir() const { return m_dir->path(); }
    void installFixture(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
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
    QTest::newRow("no --db") << QStringList{QStringLiteral("list")};
    QTest::newRow("--db without value") << QStringList{QStringLiteral("list"), QStringLiteral("--db")};
    QTest::newRow("missing directory") << QStringList{QStringLiteral("--db"), QStringLiteral("/no/such/dir"),
                                                      QStringLiteral("list")};
    QTest::newRow("extra argument") << QStringList{QStringLiteral("--db"), QStringLiteral("."), QStringLiteral("list"),
                                                   QStringLiteral("more")};
}

void TestCliList::usageErrors()
{
    QFETCH(QStringList, arguments);
    const CliResult result = runCli(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY(!result.err.isEmpty());
}

void TestCliList::helpExitsZero()
{
    const CliResult result = runCli({QStringLiteral("--help")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.contains("list [--employee NAME]"));
}

void TestCliList::emptyDirectoryGetsTable()
{
    const CliResult result = runCli({QStringLiteral("--db"), dbDir(), QStringLiteral("list")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(QFileInfo(m_dir->filePath(QStringLiteral("arbeitszeit.dbf"))).size(), 418);
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
    const CliResult result = runCli({QStringLiteral("--db"), dbDir(), QStringLiteral("list")});
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
    const CliResult result = runCli({QStringLiteral("--db"), dbDir(), QStringLiteral("list"), QStringLiteral("--employee"),
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
    const CliResult result = runCli({QStringLiteral("--db"), dbDir(), QStringLiteral("list")});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("arbeitszeit.dbf"));
    QCOMPARE(TestFiles::readAll(table), garbage);
}

QTEST_GUILESS_MAIN(TestCliList)
#include "tst_cli_list.moc"
