#include <QTemporaryDir>
#include <QtTest>

#include "storage/DbfTable.h"
#include "storage/NewFilePlacement.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

using TestFiles::le16;
using TestFiles::le32;

namespace {

QList<DbfFieldDef> germanFields()
{
    return WorkTimeTables::fieldDefinitions(&ProgramTexts::german);
}

// The header and descriptors of an empty work-time table, built by hand from
// the documented layout rather than by the code under test.
QByteArray expectedEmptyWorkTimeTable(quint8 year, quint8 month, quint8 day)
{
    struct Descriptor
    {
        QByteArray name;
        char type;
        quint8 width;
    };
    const Descriptor descriptors[] = {
        {"DATUM", 'C', 10},       {"ARBEITER", 'C', 45},   {"ORT", 'C', 45},
        {"T\xC4TIGKEIT", 'C', 45}, {"ZEIT VON", 'C', 5},    {"ZEIT BIS", 'C', 5},
        {"BEMERKUNGE", 'C', 100}, {"AUSWAERTS", 'L', 1},   {"PAUSE", 'C', 5},
        {"DOPPELT", 'L', 1},      {"DATUM EINT", 'C', 10}, {"ZEIT EINTR", 'C', 5},
    };
    QByteArray bytes;
    bytes += char(0x03);
    bytes += char(year);
    bytes += char(month);
    bytes += char(day);
    bytes += le32(0);
    bytes += le16(417);
    bytes += le16(278);
    bytes += QByteArray(16, '\0');
    bytes += char(0);    // no production index
    bytes += char(0x57); // Windows ANSI
    bytes += QByteArray(2, '\0');
    for (const Descriptor &d : descriptors) {
        QByteArray descriptor = d.name.leftJustified(11, '\0');
        descriptor += d.type;
        descriptor += QByteArray(4, '\0');
        descriptor += char(d.width);
        descriptor += char(0);
        descriptor += QByteArray(14, '\0');
        bytes += descriptor;
    }
    bytes += char(0x0D);
    bytes += char(0x1A);
    return bytes;
}

struct FixtureRow
{
    QString datum, arbeiter, ort, taetigkeit, von, bis;
    QString bemerkungPrefix;
    std::optional<bool> auswaerts;
    QString pause;
    std::optional<bool> doppelt;
    QString datumEintrag, zeitEintrag;
};

} // namespace

class TestDbfTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scratchCopiesAreEachInstancesOwn_data();
    void scratchCopiesAreEachInstancesOwn();
    void emptyWorkTimeTableIsExact();
    void appendWritesRecordHeaderAndEndMark();
    void characterFields_data();
    void characterFields();
    void logicalFields_data();
    void logicalFields();
    void deletedRecordsAreSkippedButKept();
    void countComesFromFileLength_data();
    void countComesFromFileLength();
    void readOnlyLeavesWrongCountAlone();
    void foreignTables_data();
    void foreignTables();
    void dosCodePageTable();
    void damagedFilesFailAndStayUnchanged_data();
    void damagedFilesFailAndStayUnchanged();
    void missingFileIsNotFound();
    void cursorWalk();
    void filterLimitsRows();
    void updateMergesChangedFields();
    void anotherInstancesAppendsAreSeen();
    void readOnlyRefusesWrites();
    void createOnlyIfMissingKeepsExistingTable();
    void lockHeldPastTheWait_data();
    void replacedFileIsReopenedBeforeWriting_data();
    void replacedFileIsReopenedBeforeWriting();
    void lockHeldPastTheWait();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString createWorkTimeTable(const QString &name = QStringLiteral("arbeitszeit.dbf"));
    void appendRow(DbfTable &table, const QString &date, const QString &employee);

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
};

void TestDbfTable::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_clock.set(QDateTime(QDate(2024, 3, 15), QTime(9, 30)));
}

QString TestDbfTable::createWorkTimeTable(const QString &name)
{
    DbfTable table(m_clock);
    const QString file = path(name);
    if (!table.create(file, germanFields()))
        qWarning() << table.errorString();
    return file;
}

void TestDbfTable::appendRow(DbfTable &table, const QString &date, const QString &employee)
{
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, date);
    record.setText(WorkTimeTables::Arbeiter, employee);
    QVERIFY2(table.append(record), qPrintable(table.errorString()));
}

void TestDbfTable::emptyWorkTimeTableIsExact()
{
    const QString file = createWorkTimeTable();
    const QByteArray bytes = TestFiles::readAll(file);
    QCOMPARE(bytes.size(), 418);
    QCOMPARE(bytes, expectedEmptyWorkTimeTable(124, 3, 15));

    DbfTable table(m_clock);
    QVERIFY(table.open(file));
    QCOMPARE(table.fieldCount(), 12);
    QCOMPARE(table.fields().at(3).name, QStringLiteral("TÄTIGKEIT"));
    QCOMPARE(table.fields().at(11).offset, 273);
    QCOMPARE(table.rowCount(), 0);
    QVERIFY(table.eof());
}

void TestDbfTable::appendWritesRecordHeaderAndEndMark()
{
    const QString file = createWorkTimeTable();
    m_clock.set(QDateTime(QDate(2025, 11, 2), QTime(12, 0)));
    {
        DbfTable table(m_clock);
        QVERIFY(table.open(file));
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QStringLiteral("02.11.2025"));
        record.setText(WorkTimeTables::Ort, QStringLiteral("Köln"));
        record.setLogical(WorkTimeTables::Auswaerts, true);
        QVERIFY(table.append(record));
        QCOMPARE(record.recordNumber(), 1u);
    }
    const QByteArray bytes = TestFiles::readAll(file);
    QCOMPARE(bytes.size(), 418 + 278);
    QCOMPARE(bytes.back(), '\x1A');
    QCOMPARE(bytes.mid(4, 4), le32(1));
    QCOMPARE(bytes.mid(1, 3), QByteArray("\x7D\x0B\x02")); // 2025-11-02
    QCOMPARE(bytes.mid(8, 8), TestFiles::readAll(createWorkTimeTable(QStringLiteral("new.dbf"))).mid(8, 8));
    QCOMPARE(bytes.mid(16, 4), le32(1)); // the change counter, 0 in a new table
    QByteArray expected(278, ' ');
    expected.replace(1, 10, "02.11.2025");
    expected.replace(56, 4, "K\xF6ln");
    expected[256] = 'T';
    QCOMPARE(bytes.mid(417, 278), expected);
}

void TestDbfTable::characterFields_data()
{
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("cut to width") << 0 << QStringLiteral("123456789012") << QByteArray("1234567890")
                                  << QStringLiteral("1234567890");
    QTest::newRow("padded with blanks") << 4 << QStringLiteral("abc") << QByteArray("abc  ") << QStringLiteral("abc");
    QTest::newRow("trailing blanks dropped") << 4 << QStringLiteral("ab  ") << QByteArray("ab   ") << QStringLiteral("ab");
    QTest::newRow("leading blanks kept") << 4 << QStringLiteral("  ab") << QByteArray("  ab ") << QStringLiteral("  ab");
    QTest::newRow("only blanks read empty") << 4 << QStringLiteral("   ") << QByteArray("     ") << QString();
    QTest::newRow("euro is one byte") << 4 << QStringLiteral("5 €") << QByteArray("5 \x80  ") << QStringLiteral("5 €");
    QTest::newRow("lacking character") << 4 << QStringLiteral("Łódź") << QByteArray("?\xF3" "d? ") << QStringLiteral("?ód?");
    QTest::newRow("cut counts bytes") << 4 << QStringLiteral("ÄÖÜäöü") << QByteArray("\xC4\xD6\xDC\xE4\xF6")
                                      << QStringLiteral("ÄÖÜäö");
}

void TestDbfTable::characterFields()
{
    QFETCH(int, pos);
    QFETCH(QString, written);
    QFETCH(QByteArray, stored);
    QFETCH(QString, readBack);
    DbfTable table(m_clock);
    QVERIFY(table.open(createWorkTimeTable()));
    DbfRecord record = table.newRecord();
    record.setText(pos, written);
    QVERIFY(table.append(record));
    const int offset = table.fields().at(pos).offset;
    QCOMPARE(TestFiles::readAll(table.fileName()).mid(417 + offset, stored.size()), stored);
    QVERIFY(table.first());
    QCOMPARE(table.text(pos), readBack);
}

void TestDbfTable::logicalFields_data()
{
    QTest::addColumn<char>("byte");
    QTest::addColumn<int>("expected"); // -1 none, 0 false, 1 true
    QTest::addColumn<QString>("text");
    QTest::newRow("T") << 'T' << 1 << QStringLiteral("True");
    QTest::newRow("t") << 't' << 1 << QStringLiteral("True");
    QTest::newRow("F") << 'F' << 0 << QStringLiteral("False");
    QTest::newRow("? of other tools") << '?' << 0 << QStringLiteral("False");
    QTest::newRow("Y is not T") << 'Y' << 0 << QStringLiteral("False");
    QTest::newRow("blank") << ' ' << -1 << QString();
}

void TestDbfTable::logicalFields()
{
    QFETCH(char, byte);
    QFETCH(int, expected);
    QFETCH(QString, text);
    const QString file = createWorkTimeTable();
    {
        DbfTable table(m_clock);
        QVERIFY(table.open(file));
        appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("A"));
    }
    QByteArray bytes = TestFiles::readAll(file);
    bytes[417 + 262] = byte; // Doppelt
    QVERIFY(TestFiles::writeAll(file, bytes));
    DbfTable table(m_clock);
    QVERIFY(table.open(file));
    QVERIFY(table.first());
    const auto value = table.logical(WorkTimeTables::Doppelt);
    QCOMPARE(value ? int(*value) : -1, expected);
    QCOMPARE(table.text(WorkTimeTables::Doppelt), text);
}

void TestDbfTable::deletedRecordsAreSkippedButKept()
{
    DbfTable table(m_clock);
    QVERIFY(table.open(createWorkTimeTable()));
    appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("Erster"));
    appendRow(table, QStringLiteral("02.01.2024"), QStringLiteral("Zweiter"));
    appendRow(table, QStringLiteral("03.01.2024"), QStringLiteral("Dritter"));
    const QByteArray before = TestFiles::readAll(table.fileName());
    QVERIFY(table.markDeleted(2));

    const QByteArray after = TestFiles::readAll(table.fileName());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.mid(4, 4), le32(3));
    QCOMPARE(after.at(417 + 278), '*');
    QCOMPARE(after.mid(417 + 278 + 1), before.mid(417 + 278 + 1));

    for (DbfTable *t : {&table}) {
        QStringList seen;
        for (bool ok = t->first(); ok; ok = t->next())
            seen << t->text(WorkTimeTables::Arbeiter);
        QCOMPARE(seen, (QStringList{QStringLiteral("Erster"), QStringLiteral("Dritter")}));
    }
    DbfTable reopened(m_clock);
    QVERIFY(reopened.open(table.fileName()));
    QCOMPARE(reopened.rowCount(), 2);
    QCOMPARE(reopened.recordCount(), 3u);
    QCOMPARE(reopened.recordNumberAt(1), 3u);
}

void TestDbfTable::countComesFromFileLength_data()
{
    QTest::addColumn<quint32>("headerCount");
    QTest::addColumn<QByteArray>("tail"); // replaces the final 0x1A
    QTest::addColumn<quint32>("expectedCount");
    QTest::newRow("count too high") << 7u << QByteArray("\x1A") << 2u;
    QTest::newRow("count too low") << 0u << QByteArray("\x1A") << 2u;
    QTest::newRow("no end mark") << 2u << QByteArray() << 2u;
    QTest::newRow("record cut short") << 3u << QByteArray(100, 'x') << 2u;
}

void TestDbfTable::countComesFromFileLength()
{
    QFETCH(quint32, headerCount);
    QFETCH(QByteArray, tail);
    QFETCH(quint32, expectedCount);
    const QString file = createWorkTimeTable();
    {
        DbfTable table(m_clock);
        QVERIFY(table.open(file));
        appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("A"));
        appendRow(table, QStringLiteral("02.01.2024"), QStringLiteral("B"));
    }
    QByteArray bytes = TestFiles::readAll(file);
    bytes.chop(1);
    bytes += tail;
    bytes.replace(4, 4, le32(headerCount));
    QVERIFY(TestFiles::writeAll(file, bytes));

    DbfTable table(m_clock);
    QVERIFY(table.open(file));
    QCOMPARE(table.recordCount(), expectedCount);
    QCOMPARE(TestFiles::readAll(file).mid(4, 4), le32(expectedCount));
    appendRow(table, QStringLiteral("03.01.2024"), QStringLiteral("C"));
    const QByteArray appended = TestFiles::readAll(file);
    QCOMPARE(appended.size(), 417 + 3 * 278 + 1);
    QCOMPARE(appended.back(), '\x1A');
    QCOMPARE(table.rowCount(), 3);
}

void TestDbfTable::readOnlyLeavesWrongCountAlone()
{
    const QString file = createWorkTimeTable();
    QByteArray bytes = TestFiles::readAll(file);
    bytes.replace(4, 4, le32(5));
    QVERIFY(TestFiles::writeAll(file, bytes));
    DbfTable table(m_clock);
    QVERIFY(table.open(file, DbfTable::OpenMode::ReadOnly));
    QCOMPARE(table.recordCount(), 0u);
    QCOMPARE(TestFiles::readAll(file), bytes);
}

void TestDbfTable::foreignTables_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QList<int>>("rows"); // which of the four documented rows the file holds live
    QTest::newRow("python-dbf, dBase III, deleted row") << QStringLiteral("pydbf_db3_cp1252.dbf") << QList<int>{0, 2, 3};
    QTest::newRow("LibreOffice Calc export") << QStringLiteral("lo_calc_ansi.dbf") << QList<int>{0, 2, 3};
}

void TestDbfTable::foreignTables()
{
    QFETCH(QString, fixture);
    QFETCH(QList<int>, rows);
    const QString remark4 = QStringLiteral("Sehr lange Bemerkung: Gerüst abgebaut,");
    const FixtureRow documented[] = {
        {QStringLiteral("01.02.2024"), QStringLiteral("Müller, Jürgen"), QStringLiteral("Köln, Baustelle Schloßplatz 3"),
         QStringLiteral("Störungsbeseitigung"), QStringLiteral("22:00"), QStringLiteral("06:00"),
         QStringLiteral("Spesen 12,00 € – Größe ÄÖÜ äöü ß"), true, QStringLiteral("00:30"), false,
         QStringLiteral("02.02.2024"), QStringLiteral("07:13")},
        {},
        {QStringLiteral("02.02.2024"), QStringLiteral("Schäfer, Käthe"), QStringLiteral("Lübeck, Hauptstraße"),
         QStringLiteral("Übergabe"), QStringLiteral("07:15"), QStringLiteral("16:45"), QString(), std::nullopt, QString(),
         std::nullopt, QStringLiteral("05.02.2024"), QStringLiteral("18:40")},
        {QStringLiteral("03.02.2024"), QStringLiteral("Özdemir, Zoë"), QStringLiteral("Gießen, Praxis Dr. Größer"),
         QStringLiteral("Qualitätsprüfung"), QStringLiteral("06:00"), QStringLiteral("14:30"), remark4, false,
         QStringLiteral("00:45"), true, QStringLiteral("03.02.2024"), QStringLiteral("14:31")},
    };
    // Work on a copy: opening may put a header right, and fixtures stay as shipped.
    const QString file = path(fixture);
    QVERIFY(QFile::copy(TestFiles::dataPath(QStringLiteral("dbf/") + fixture), file));
    QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    DbfTable table(m_clock);
    QVERIFY2(table.open(file, DbfTable::OpenMode::ReadOnly), qPrintable(table.errorString()));
    QCOMPARE(table.fieldCount(), 12);
    QCOMPARE(table.rowCount(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QVERIFY(table.setCurrentRow(i));
        const FixtureRow &row = documented[rows.at(i)];
        QCOMPARE(table.text(0), row.datum);
        QCOMPARE(table.text(1), row.arbeiter);
        QCOMPARE(table.text(2), row.ort);
        QCOMPARE(table.text(3), row.taetigkeit);
        QCOMPARE(table.text(4), row.von);
        QCOMPARE(table.text(5), row.bis);
        QVERIFY2(table.text(6).startsWith(row.bemerkungPrefix), qPrintable(table.text(6)));
        if (fixture.startsWith(QLatin1String("lo_calc")) && !row.auswaerts)
            QCOMPARE(table.logical(7), std::optional<bool>(false)); // Calc writes blanks as F
        else if (!row.auswaerts)
            QCOMPARE(table.logical(7).value_or(false), false);    // '?' or blank
        else
            QCOMPARE(table.logical(7), row.auswaerts);
        QCOMPARE(table.text(8), row.pause);
        QCOMPARE(table.logical(9).value_or(false), row.doppelt.value_or(false));
        QCOMPARE(table.text(10), row.datumEintrag);
        QCOMPARE(table.text(11), row.zeitEintrag);
    }
    QVERIFY(table.setCurrentRow(rows.size() - 1));
    QCOMPARE(table.text(6).size(), 100);
    QVERIFY(table.text(6).endsWith(QStringLiteral("ÜxxxxxxxxÜ")));
}

void TestDbfTable::dosCodePageTable()
{
    const QString file = path(QStringLiteral("dos.dbf"));
    DbfTable table(m_clock);
    QVERIFY(table.create(file, germanFields(), DbfTable::CreateMode::Replace, 0x01));
    QVERIFY(table.open(file));
    QCOMPARE(table.codePage(), 437);
    appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("Müller €"));
    // 437 has ü at 0x81 and no euro sign.
    QCOMPARE(TestFiles::readAll(file).mid(417 + 11, 8), QByteArray("M\x81ller ?"));
    QVERIFY(table.first());
    QCOMPARE(table.text(1), QStringLiteral("Müller ?"));
}

void TestDbfTable::damagedFilesFailAndStayUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = expectedEmptyWorkTimeTable(124, 1, 1);
    auto patched = [&](int offset, const QByteArray &with) {
        QByteArray b = good;
        b.replace(offset, with.size(), with);
        return b;
    };
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("ten bytes") << good.left(10);
    QTest::newRow("not a dBase table") << patched(0, QByteArray("\x30"));
    QTest::newRow("header cut short") << good.left(200);
    QTest::newRow("field without name") << patched(32, QByteArray(11, '\0'));
    QTest::newRow("memo field") << patched(32 + 11, QByteArray("M"));
    QTest::newRow("record length too small") << patched(10, le16(100));
    QTest::newRow("header length too small") << patched(8, le16(40));
    QTest::newRow("field of width 0") << patched(32 + 16, QByteArray(1, '\0'));
}

void TestDbfTable::damagedFilesFailAndStayUnchanged()
{
    QFETCH(QByteArray, bytes);
    const QString file = path(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(TestFiles::writeAll(file, bytes));
    DbfTable table(m_clock);
    QVERIFY(!table.open(file));
    QCOMPARE(table.status(), DbfTable::Status::Damaged);
    QVERIFY(table.errorString().contains(QStringLiteral("arbeitszeit.dbf")));
    QVERIFY(!table.isOpen());
    QCOMPARE(TestFiles::readAll(file), bytes);
}

void TestDbfTable::missingFileIsNotFound()
{
    DbfTable table(m_clock);
    QVERIFY(!table.open(path(QStringLiteral("nothing.dbf"))));
    QCOMPARE(table.status(), DbfTable::Status::NotFound);
}

void TestDbfTable::cursorWalk()
{
    DbfTable table(m_clock);
    QVERIFY(table.open(createWorkTimeTable()));
    QVERIFY(!table.first());
    QVERIFY(table.eof() && table.bof());
    for (const char *name : {"a", "b", "c"})
        appendRow(table, QStringLiteral("01.01.2024"), QString::fromLatin1(name));

    QStringList forward;
    for (table.first(); !table.eof(); table.next())
        forward << table.text(1);
    QCOMPARE(forward, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));

    QVERIFY(table.last());
    QCOMPARE(table.text(1), QStringLiteral("c"));
    QStringList backward;
    while (!table.bof()) {
        backward << table.text(1);
        table.prior();
    }
    QCOMPARE(backward, (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
}

void TestDbfTable::filterLimitsRows()
{
    DbfTable table(m_clock);
    QVERIFY(table.open(createWorkTimeTable()));
    appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("Anna"));
    appendRow(table, QStringLiteral("02.01.2024"), QStringLiteral("Bernd"));
    appendRow(table, QStringLiteral("03.01.2024"), QStringLiteral("Anna"));
    table.setFilter([](const DbfRecord &r) { return r.text(WorkTimeTables::Arbeiter) == QLatin1String("Anna"); });
    QCOMPARE(table.rowCount(), 3); // the hook is consulted only while filtering is on
    table.setFiltered(true);
    QCOMPARE(table.rowCount(), 2);
    QCOMPARE(table.recordNumberAt(1), 3u);
    appendRow(table, QStringLiteral("04.01.2024"), QStringLiteral("Bernd"));
    appendRow(table, QStringLiteral("05.01.2024"), QStringLiteral("Anna"));
    QCOMPARE(table.rowCount(), 3);
    table.setFiltered(false);
    QCOMPARE(table.rowCount(), 5);
}

void TestDbfTable::updateMergesChangedFields()
{
    const QString file = createWorkTimeTable();
    DbfTable first(m_clock);
    DbfTable second(m_clock);
    QVERIFY(first.open(file));
    appendRow(first, QStringLiteral("01.01.2024"), QStringLiteral("Anna"));
    QVERIFY(second.open(file));

    DbfRecord mine;
    DbfRecord theirs;
    QVERIFY(first.readRow(0, mine));
    QVERIFY(second.readRow(0, theirs));
    mine.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    theirs.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Malen"));
    QVERIFY(first.update(mine));
    QVERIFY(second.update(theirs));

    DbfTable check(m_clock);
    QVERIFY(check.open(file));
    QVERIFY(check.first());
    QCOMPARE(check.text(WorkTimeTables::Ort), QStringLiteral("Bonn"));
    QCOMPARE(check.text(WorkTimeTables::Taetigkeit), QStringLiteral("Malen"));
    QCOMPARE(check.text(WorkTimeTables::Arbeiter), QStringLiteral("Anna"));
    QCOMPARE(TestFiles::readAll(file).size(), 418 + 278);
}

void TestDbfTable::anotherInstancesAppendsAreSeen()
{
    const QString file = createWorkTimeTable();
    DbfTable reader(m_clock);
    DbfTable writer(m_clock);
    QVERIFY(reader.open(file));
    QVERIFY(writer.open(file));
    appendRow(writer, QStringLiteral("01.01.2024"), QStringLiteral("Anna"));
    QCOMPARE(reader.rowCount(), 0);
    QVERIFY(reader.first());
    QCOMPARE(reader.rowCount(), 1);
    QCOMPARE(reader.text(1), QStringLiteral("Anna"));
    // Appends interleave without overwriting each other.
    appendRow(reader, QStringLiteral("02.01.2024"), QStringLiteral("Bernd"));
    appendRow(writer, QStringLiteral("03.01.2024"), QStringLiteral("Clara"));
    QVERIFY(reader.last());
    QCOMPARE(reader.rowCount(), 3);
    QCOMPARE(reader.text(1), QStringLiteral("Clara"));
}

void TestDbfTable::readOnlyRefusesWrites()
{
    const QString file = createWorkTimeTable();
    const QByteArray before = TestFiles::readAll(file);
    DbfTable table(m_clock);
    QVERIFY(table.open(file, DbfTable::OpenMode::ReadOnly));
    DbfRecord record = table.newRecord();
    QVERIFY(!table.append(record));
    QCOMPARE(table.status(), DbfTable::Status::ReadOnly);
    QCOMPARE(TestFiles::readAll(file), before);
}

void TestDbfTable::createOnlyIfMissingKeepsExistingTable()
{
    const QString file = createWorkTimeTable();
    {
        DbfTable table(m_clock);
        QVERIFY(table.open(file));
        appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("Anna"));
    }
    const QByteArray before = TestFiles::readAll(file);
    DbfTable table(m_clock);
    QVERIFY(table.create(file, germanFields(), DbfTable::CreateMode::OnlyIfMissing));
    QCOMPARE(TestFiles::readAll(file), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("arbeitszeit.dbf")});
}

// Where hard links are refused, a new file reaches its name through a copy
// beside it. Each instance's copy has a name of its own: a copy left by a
// crash, or one another PC is making, never blocks a creation and is never
// removed by anyone but its maker.
void TestDbfTable::scratchCopiesAreEachInstancesOwn_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("target missing") << false;
    QTest::newRow("target appeared meanwhile") << true;
}

void TestDbfTable::scratchCopiesAreEachInstancesOwn()
{
    QFETCH(bool, targetExists);
    const QString target = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    const QString from = target + QStringLiteral(".0000abcd.new");
    QVERIFY(TestFiles::writeAll(from, "new table"));
    // A crash's leftover under the old shared name, and another PC's copy.
    const QStringList others = {target + QStringLiteral(".copy"), target + QStringLiteral(".12345678.copy")};
    for (const QString &other : others)
        QVERIFY(TestFiles::writeAll(other, "someone else's"));
    if (targetExists)
        QVERIFY(TestFiles::writeAll(target, "their table"));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files);

    const QString why = NewFilePlacement::moveWithoutReplacing(from, target, NewFilePlacement::HardLinks::Refused);
    QCOMPARE(why, targetExists ? QStringLiteral("exists") : QString());
    QCOMPARE(TestFiles::readAll(target), targetExists ? QByteArray("their table") : QByteArray("new table"));
    for (const QString &other : others)
        QCOMPARE(TestFiles::readAll(other), QByteArray("someone else's"));
    QStringList expected = before;
    if (!targetExists)
        expected.append(QStringLiteral("arbeitszeit.dbf"));
    expected.sort();
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), expected); // no copy of ours left behind
}

// Another instance (a PC that crashed, say) keeps the header locked: a write
// waits no longer than the wait, then asks whether to wait on, and without a
// yes fails with a message that names the file.
void TestDbfTable::lockHeldPastTheWait_data()
{
    QTest::addColumn<int>("noes");     // answers "no more" before the holder lets go; -1: no handler
    QTest::addColumn<bool>("stored");
    QTest::newRow("nobody to ask") << -1 << false;
    QTest::newRow("given up") << 0 << false;
    QTest::newRow("tried again, then free") << 1 << true;
}

void TestDbfTable::lockHeldPastTheWait()
{
    QFETCH(int, noes);
    QFETCH(bool, stored);
    const QString file = createWorkTimeTable();
    DbfTable holder(m_clock);
    QVERIFY(holder.open(file));
    QVERIFY(holder.lockHeader());
    const QByteArray before = TestFiles::readAll(file);

    DbfTable table(m_clock);
    QVERIFY(table.open(file));
    table.setLockWait(std::chrono::milliseconds(50));
    QStringList asked;
    if (noes >= 0) {
        table.setLockBusyHandler([&](const QString &message) {
            asked.append(message);
            if (asked.size() < noes + 1)
                return true;
            if (stored)
                holder.unlockHeader();
            return stored;
        });
    }
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    QCOMPARE(table.append(record), stored);
    QCOMPARE(asked.size(), noes < 0 ? 0 : noes + 1);
    if (stored) {
        QCOMPARE(TestFiles::readAll(file).size(), 418 + 278);
        return;
    }
    QCOMPARE(table.status(), DbfTable::Status::Locked);
    QVERIFY2(table.errorString().contains(QDir::toNativeSeparators(file)), qPrintable(table.errorString()));
    if (!asked.isEmpty())
        QCOMPARE(asked.last(), table.errorString());
    QCOMPARE(TestFiles::readAll(file), before);
}

// Another program put a new file in the table's place while this instance
// had the old one open: the next write goes to the new file, never to the
// old one that nobody reads any more. A write aimed at a record of the old
// file is refused: the number may name another record now.
void TestDbfTable::replacedFileIsReopenedBeforeWriting_data()
{
    QTest::addColumn<QString>("write");
    QTest::newRow("append") << QStringLiteral("append");
    QTest::newRow("update") << QStringLiteral("update");
    QTest::newRow("delete") << QStringLiteral("delete");
}

void TestDbfTable::replacedFileIsReopenedBeforeWriting()
{
    QFETCH(QString, write);
    const QString file = createWorkTimeTable();
    DbfTable table(m_clock);
    QVERIFY(table.open(file));
    appendRow(table, QStringLiteral("01.01.2024"), QStringLiteral("Anna"));
    DbfRecord anna;
    QVERIFY(table.readRecord(1, anna));

    const QString replacement = createWorkTimeTable(QStringLiteral("new.dbf"));
    {
        DbfTable other(m_clock);
        QVERIFY(other.open(replacement));
        appendRow(other, QStringLiteral("02.01.2024"), QStringLiteral("Bernd"));
    }
    QVERIFY(QFile::remove(file));
    QVERIFY(QFile::rename(replacement, file));
    const QByteArray replaced = TestFiles::readAll(file);

    if (write == QLatin1String("append")) {
        appendRow(table, QStringLiteral("03.01.2024"), QStringLiteral("Clara"));
        DbfTable check(m_clock);
        QVERIFY(check.open(file));
        QCOMPARE(check.rowCount(), 2);
        QVERIFY(check.last());
        QCOMPARE(check.text(WorkTimeTables::Arbeiter), QStringLiteral("Clara"));
        return;
    }
    anna.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    QVERIFY(!(write == QLatin1String("update") ? table.update(anna) : table.markDeleted(1)));
    QCOMPARE(table.status(), DbfTable::Status::BadRecord);
    QCOMPARE(TestFiles::readAll(file), replaced);
    // Open on the new file now.
    QCOMPARE(table.rowCount(), 1);
}

QTEST_GUILESS_MAIN(TestDbfTable)
#include "tst_dbftable.moc"
