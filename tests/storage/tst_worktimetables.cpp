#include <QTemporaryDir>
#include <QtTest>

#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

class TestWorkTimeTables : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyDirectoryGetsEmptyTable();
    void olderTableIsUpgraded();
    void secondUpgradeKeepsOlderBackup();
    void damagedTableIsLeftAlone();
    void failedUpgradeKeepsOldTable_data();
    void failedUpgradeKeepsOldTable();
    void upgradeWantsTheTableToItself_data();
    void upgradeWantsTheTableToItself();
    void tableInAnotherLanguageOpensUnchanged();
    void widerTableOpensAsItIs();

private:
    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    std::unique_ptr<WorkTimeTables> makeTables();
    void writeNineFieldTable();

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    RecordingReporter m_reporter;
};

void TestWorkTimeTables::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_reporter.clear();
}

std::unique_ptr<WorkTimeTables> TestWorkTimeTables::makeTables()
{
    auto tables = std::make_unique<WorkTimeTables>(m_clock, m_reporter, &ProgramTexts::german);
    tables->setDirectory(m_dir->path() + QLatin1Char('/'));
    return tables;
}

// A table of the first nine fields (through "Pause"), as older versions
// wrote it, with two live rows and a deleted one between them.
void TestWorkTimeTables::writeNineFieldTable()
{
    const QList<DbfFieldDef> nine = WorkTimeTables::fieldDefinitions(&ProgramTexts::german).mid(0, 9);
    DbfTable old(m_clock);
    QVERIFY(old.create(path("arbeitszeit.dbf"), nine));
    QVERIFY(old.open(path("arbeitszeit.dbf")));
    const char *employees[] = {"Müller", "Gelöscht", "Schäfer"};
    for (int i = 0; i < 3; ++i) {
        DbfRecord row = old.newRecord();
        row.setText(WorkTimeTables::Datum, QStringLiteral("0%1.02.2024").arg(i + 1));
        row.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(employees[i]));
        row.setText(WorkTimeTables::Ort, QStringLiteral("Köln"));
        row.setText(WorkTimeTables::Bemerkungen, QStringLiteral("Zeile %1").arg(i));
        row.setLogical(WorkTimeTables::Auswaerts, i == 0);
        row.setText(WorkTimeTables::Pause, QStringLiteral("00:30"));
        QVERIFY(old.append(row));
    }
    QVERIFY(old.markDeleted(2));
}

void TestWorkTimeTables::emptyDirectoryGetsEmptyTable()
{
    auto tables = makeTables();
    QVERIFY(tables->CreateandopenTables());
    QVERIFY(m_reporter.messages().isEmpty());
    QVERIFY(tables->Dbf1.isOpen());
    QCOMPARE(tables->Dbf1.fieldCount(), 12);
    QCOMPARE(tables->Dbf1.rowCount(), 0);
    QCOMPARE(QFileInfo(path("arbeitszeit.dbf")).size(), 418);
    QVERIFY(!QFileInfo::exists(path("temp.dbf")));
}

void TestWorkTimeTables::olderTableIsUpgraded()
{
    writeNineFieldTable();
    const QByteArray oldBytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    auto tables = makeTables();
    QVERIFY(tables->CreateandopenTables());
    QVERIFY2(m_reporter.messages().isEmpty(), qPrintable(m_reporter.errors().join(QLatin1Char('\n'))));

    DbfTable &table = tables->Dbf1;
    QCOMPARE(table.fieldCount(), 12);
    QCOMPARE(table.rowCount(), 2); // the deleted row is not carried over
    QVERIFY(table.first());
    QCOMPARE(table.text(WorkTimeTables::Arbeiter), QStringLiteral("Müller"));
    QCOMPARE(table.text(WorkTimeTables::Bemerkungen), QStringLiteral("Zeile 0"));
    QCOMPARE(table.logical(WorkTimeTables::Auswaerts), std::optional<bool>(true));
    QCOMPARE(table.text(WorkTimeTables::Pause), QStringLiteral("00:30"));
    QCOMPARE(table.logical(WorkTimeTables::Doppelt), std::nullopt);
    QCOMPARE(table.text(WorkTimeTables::DatumEintrag), QString());
    QCOMPARE(table.text(WorkTimeTables::ZeitEintrag), QString());
    QVERIFY(table.next());
    QCOMPARE(table.text(WorkTimeTables::Arbeiter), QStringLiteral("Schäfer"));
    QCOMPARE(table.logical(WorkTimeTables::Auswaerts), std::optional<bool>(false));

    QCOMPARE(TestFiles::readAll(path("arbeitszeit0.dbf")), oldBytes);
    QVERIFY(!QFileInfo::exists(path("temp.dbf")));
    QCOMPARE(QFileInfo(path("arbeitszeit.dbf")).size(), 418 + 2 * 278);
}

void TestWorkTimeTables::secondUpgradeKeepsOlderBackup()
{
    QVERIFY(TestFiles::writeAll(path("arbeitszeit0.dbf"), "an older backup"));
    writeNineFieldTable();
    auto tables = makeTables();
    QVERIFY(tables->CreateandopenTables());
    QCOMPARE(tables->Dbf1.fieldCount(), 12);
    QCOMPARE(tables->Dbf1.rowCount(), 2);
    QCOMPARE(TestFiles::readAll(path("arbeitszeit0.dbf")), QByteArray("an older backup"));
}

void TestWorkTimeTables::damagedTableIsLeftAlone()
{
    const QByteArray garbage = "This is not a table at all, but a letter to the tax office.";
    QVERIFY(TestFiles::writeAll(path("arbeitszeit.dbf"), garbage));
    auto tables = makeTables();
    QVERIFY(!tables->CreateandopenTables());
    QVERIFY(!tables->Dbf1.isOpen());
    QCOMPARE(m_reporter.errors().size(), 1);
    QVERIFY(m_reporter.errors().first().contains(QStringLiteral("arbeitszeit.dbf")));
    QCOMPARE(TestFiles::readAll(path("arbeitszeit.dbf")), garbage);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("arbeitszeit.dbf")});
}

void TestWorkTimeTables::failedUpgradeKeepsOldTable_data()
{
    QTest::addColumn<bool>("oneField");
    QTest::newRow("nine fields, two rows") << false;
    // The smallest table a failed upgrade used to leave open: a reader of
    // field 4 ran past the end of its record.
    QTest::newRow("one field, one row") << true;
}

void TestWorkTimeTables::failedUpgradeKeepsOldTable()
{
    QFETCH(bool, oneField);
    if (oneField)
        QVERIFY(QFile::copy(TestFiles::dataPath(QStringLiteral("fuzz/table/short-one-field.dbf")), path("arbeitszeit.dbf")));
    else
        writeNineFieldTable();
    const QByteArray oldBytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    // A directory where the scratch table should go: creating it must fail.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("temp.dbf")));
    auto tables = makeTables();
    QVERIFY(!tables->CreateandopenTables());
    QCOMPARE(m_reporter.errors().size(), 1);
    QVERIFY(m_reporter.errors().first().contains(QStringLiteral("arbeitszeit.dbf")));
    QCOMPARE(TestFiles::readAll(path("arbeitszeit.dbf")), oldBytes);
    QVERIFY(!QFileInfo::exists(path("arbeitszeit0.dbf")));
    // The old table has not the fields a Work-time record has: the program
    // goes on without a table, as for a damaged one.
    QVERIFY(!tables->Dbf1.isOpen());
}

// The upgrade puts a new file in the old one's place: an instance that has
// the old one open would go on writing to a file nobody reads any more (on
// Windows the replacing fails). So it waits until it has the table to itself.
void TestWorkTimeTables::upgradeWantsTheTableToItself_data()
{
    QTest::addColumn<int>("otherInstance"); // -1 none, else its open mode
    QTest::newRow("nobody else") << -1;
    QTest::newRow("another instance writes") << int(DbfTable::OpenMode::ReadWrite);
    QTest::newRow("another instance reads") << int(DbfTable::OpenMode::ReadOnly);
}

void TestWorkTimeTables::upgradeWantsTheTableToItself()
{
    QFETCH(int, otherInstance);
    writeNineFieldTable();
    const QByteArray oldBytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    DbfTable other(m_clock);
    if (otherInstance >= 0)
        QVERIFY(other.open(path("arbeitszeit.dbf"), DbfTable::OpenMode(otherInstance)));
    auto tables = makeTables();
    const bool upgraded = tables->CreateandopenTables();
    QCOMPARE(upgraded, otherInstance < 0);
    if (upgraded) {
        QCOMPARE(tables->Dbf1.fieldCount(), 12);
        return;
    }
    QCOMPARE(m_reporter.errors().size(), 1);
    const QString error = m_reporter.errors().first();
    QVERIFY2(error.contains(QStringLiteral("arbeitszeit.dbf")) && error.contains(QStringLiteral("anderen Arbeitsplatz")),
             qPrintable(error));
    QCOMPARE(TestFiles::readAll(path("arbeitszeit.dbf")), oldBytes);
    QVERIFY(!QFileInfo::exists(path("arbeitszeit0.dbf")));
    QVERIFY(!QFileInfo::exists(path("temp.dbf")));
    QVERIFY(!tables->Dbf1.isOpen());
}

void TestWorkTimeTables::tableInAnotherLanguageOpensUnchanged()
{
    auto english = [](int n) {
        return n == 36 ? QStringLiteral("Date") : n == 44 ? QStringLiteral("Employee") : ProgramTexts::german(n);
    };
    {
        WorkTimeTables tables(m_clock, m_reporter, english);
        tables.setDirectory(m_dir->path() + QLatin1Char('/'));
        QVERIFY(tables.CreateandopenTables());
    }
    const QByteArray bytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    auto tables = makeTables();
    QVERIFY(tables->CreateandopenTables());
    QCOMPARE(tables->Dbf1.fields().at(0).name, QStringLiteral("DATE"));
    QCOMPARE(tables->Dbf1.fields().at(1).name, QStringLiteral("EMPLOYEE"));
    QCOMPARE(TestFiles::readAll(path("arbeitszeit.dbf")), bytes);
}

void TestWorkTimeTables::widerTableOpensAsItIs()
{
    QList<DbfFieldDef> thirteen = WorkTimeTables::fieldDefinitions(&ProgramTexts::german);
    thirteen.append({QStringLiteral("Extra"), DbfFieldType::Character, 20});
    DbfTable wide(m_clock);
    QVERIFY(wide.create(path("arbeitszeit.dbf"), thirteen));
    const QByteArray bytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    auto tables = makeTables();
    QVERIFY(tables->CreateandopenTables());
    QCOMPARE(tables->Dbf1.fieldCount(), 13);
    QCOMPARE(TestFiles::readAll(path("arbeitszeit.dbf")), bytes);
}

QTEST_GUILESS_MAIN(TestWorkTimeTables)
#include "tst_worktimetables.moc"
