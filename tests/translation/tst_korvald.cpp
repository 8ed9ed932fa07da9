#include <QBuffer>
#include <QtTest>

#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/korvald.h"

namespace {

struct Row
{
    quint32 id;
    char tag[12];
};

quint32 idAt(TDynaArray &array, quint32 index)
{
    return static_cast<Row *>(array.GetObject(index))->id;
}

void fill(TDynaArray &array, quint32 n)
{
    for (quint32 i = 0; i < n; ++i)
        static_cast<Row *>(array.Add())->id = i;
}

} // namespace

class TestKorvald : public QObject
{
    Q_OBJECT

private slots:
    void createLeavesMirrorAlone();
    void blocksGrowAndShrinkInWholeSteps();
    void addZeroesReusedBytes();
    void insertBounds_data();
    void insertBounds();
    void insertMovesTail();
    void deleteBounds_data();
    void deleteBounds();
    void deleteClearsCursorAndMirror();
    void changeSwapsAndMakesSecondCurrent();
    void whileNextLoop();
    void nextConventions();
    void allocationFailureIsReported();

    void stringsRoundTrip_data();
    void stringsRoundTrip();
    void exactBytes();
    void truncatedReadsThrow_data();
    void truncatedReadsThrow();
    void absurdLengthAllocatesNothing();
};

void TestKorvald::createLeavesMirrorAlone()
{
    Row sentinel{};
    Row *mirror = &sentinel;
    TDynaArray array(sizeof(Row), reinterpret_cast<void **>(&mirror));
    QCOMPARE(mirror, &sentinel);
    QCOMPARE(array.count, 0u);
    QCOMPARE(array.aobjnr, -1);
    QCOMPARE(array.buffersize, 100u);
    QCOMPARE(array.amemsize, 0u);
    QVERIFY(array.poi == nullptr);
}

void TestKorvald::blocksGrowAndShrinkInWholeSteps()
{
    TDynaArray array(sizeof(Row), nullptr);
    array.Add();
    QCOMPARE(array.amemsize, 100u * sizeof(Row));
    fill(array, 99);
    QCOMPARE(array.amemsize, 100u * sizeof(Row));
    array.Add(); // the 101st
    QCOMPARE(array.amemsize, 200u * sizeof(Row));
    array.Delete(0);
    QCOMPARE(array.count, 100u);
    QCOMPARE(array.amemsize, 100u * sizeof(Row));
    while (array.count > 0)
        array.Delete(qint32(array.count - 1));
    QCOMPARE(array.amemsize, 0u);
    QVERIFY(array.poi == nullptr);
}

void TestKorvald::addZeroesReusedBytes()
{
    Row *mirror = nullptr;
    TDynaArray array(sizeof(Row), reinterpret_cast<void **>(&mirror));
    fill(array, 3);
    for (quint32 i = 0; i < 3; ++i)
        std::memset(array.GetObject(i), 0xAB, sizeof(Row));
    array.Delete(2); // the block keeps the bytes of record 2
    Row *added = static_cast<Row *>(array.Add());
    QCOMPARE(mirror, added);
    const Row zero{};
    QVERIFY(std::memcmp(added, &zero, sizeof(Row)) == 0);
}

void TestKorvald::insertBounds_data()
{
    QTest::addColumn<quint32>("initial");
    QTest::addColumn<qint32>("position");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("at count on empty") << 0u << 0 << true;
    QTest::newRow("past count on empty") << 0u << 1 << false;
    QTest::newRow("negative") << 3u << -1 << false;
    QTest::newRow("at count appends") << 3u << 3 << true;
    QTest::newRow("past count") << 3u << 4 << false;
    QTest::newRow("middle") << 3u << 1 << true;
}

void TestKorvald::insertBounds()
{
    QFETCH(quint32, initial);
    QFETCH(qint32, position);
    QFETCH(bool, accepted);
    TDynaArray array(sizeof(Row), nullptr);
    fill(array, initial);
    void *result = array.Insert(position);
    QCOMPARE(result != nullptr, accepted);
    QCOMPARE(array.count, accepted ? initial + 1 : initial);
    if (accepted)
        QCOMPARE(array.aobjnr, position);
}

void TestKorvald::insertMovesTail()
{
    TDynaArray array(sizeof(Row), nullptr);
    fill(array, 4);
    static_cast<Row *>(array.Insert(1))->id = 99;
    const QList<quint32> expected{0, 99, 1, 2, 3};
    for (quint32 i = 0; i < array.count; ++i)
        QCOMPARE(idAt(array, i), expected.at(qsizetype(i)));
}

void TestKorvald::deleteBounds_data()
{
    QTest::addColumn<quint32>("initial");
    QTest::addColumn<qint32>("position");
    QTest::addColumn<quint32>("remaining");
    QTest::newRow("empty") << 0u << 0 << 0u;
    QTest::newRow("at count") << 3u << 3 << 3u;
    QTest::newRow("negative") << 3u << -1 << 3u;
    QTest::newRow("last") << 3u << 2 << 2u;
    QTest::newRow("first") << 3u << 0 << 2u;
}

void TestKorvald::deleteBounds()
{
    QFETCH(quint32, initial);
    QFETCH(qint32, position);
    QFETCH(quint32, remaining);
    TDynaArray array(sizeof(Row), nullptr);
    fill(array, initial);
    array.Delete(position);
    QCOMPARE(array.count, remaining);
}

void TestKorvald::deleteClearsCursorAndMirror()
{
    Row *mirror = nullptr;
    TDynaArray array(sizeof(Row), reinterpret_cast<void **>(&mirror));
    fill(array, 3);
    array.Delete(0);
    QCOMPARE(array.aobjnr, -1);
    QVERIFY(mirror == nullptr);
    QVERIFY(array.Next()); // from no cursor to record 0
    QCOMPARE(array.aobjnr, 0);
    QCOMPARE(mirror->id, 1u);
}

void TestKorvald::changeSwapsAndMakesSecondCurrent()
{
    Row *mirror = nullptr;
    TDynaArray array(sizeof(Row), reinterpret_cast<void **>(&mirror));
    fill(array, 3);
    array.Change(0, 2);
    QCOMPARE(array.aobjnr, 2);
    QCOMPARE(mirror->id, 0u);
    QCOMPARE(idAt(array, 0), 2u);
    array.Change(1, 1);
    QCOMPARE(array.aobjnr, 1);
    QCOMPARE(mirror->id, 1u);
    array.Change(0, 3); // out of range: nothing happens
    QCOMPARE(idAt(array, 0), 2u);
}

void TestKorvald::whileNextLoop()
{
    Row *mirror = nullptr;
    TDynaArray array(sizeof(Row), reinterpret_cast<void **>(&mirror));
    fill(array, 3);
    QList<quint32> visited;
    QList<qint32> cursors;
    array.First();
    while (array.WhileNext()) {
        visited.append(mirror->id);
        cursors.append(array.aobjnr);
    }
    QCOMPARE(visited, (QList<quint32>{0, 1, 2}));
    QCOMPARE(cursors, (QList<qint32>{1, 2, 3}));
    QCOMPARE(array.aobjnr, 3);
    QVERIFY(!array.WhileNext());

    TDynaArray empty(sizeof(Row), nullptr);
    empty.First();
    QVERIFY(!empty.WhileNext());
    QCOMPARE(empty.aobjnr, -1);
}

void TestKorvald::nextConventions()
{
    TDynaArray array(sizeof(Row), nullptr);
    QVERIFY(!array.Next());
    fill(array, 2);
    QCOMPARE(array.aobjnr, 1); // Add leaves the cursor on the new record
    QVERIFY(!array.Next());    // on the last record: false, cursor stays
    QCOMPARE(array.aobjnr, 1);
    array.aobjnr = -2;
    QVERIFY(!array.Next());
}

void TestKorvald::allocationFailureIsReported()
{
    RecordingReporter reporter;
    Reporter::setGlobal(&reporter);
    // 2^31-byte records: the first block is larger than the 32-bit size the
    // array can hold, so taking it fails.
    TDynaArray array(0x80000000u, nullptr);
    array.buffersize = 2;
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, array.Add());
    Reporter::setGlobal(nullptr);
    QCOMPARE(array.count, 0u);
    QCOMPARE(reporter.errors(),
             QStringList{QStringLiteral("Error 1 while trying to allocate 4294967296 bytes of RAM. Not enough memory.")});
}

void TestKorvald::stringsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("umlauts") << QStringLiteral("Größe Äpfel");
    QTest::newRow("outside the BMP") << QStringLiteral("a\U0001F600b");
}

void TestKorvald::stringsRoundTrip()
{
    QFETCH(QString, text);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    WriteWideStr(&buffer, text);
    WriteAnsiStr(&buffer, text.toLatin1());
    buffer.seek(0);
    QString wide = QStringLiteral("old");
    QByteArray ansi = "old";
    ReadWideStr(&buffer, wide);
    ReadAnsiStr(&buffer, ansi);
    QCOMPARE(wide, text);
    QCOMPARE(ansi, text.toLatin1());
    QVERIFY(buffer.atEnd());
}

void TestKorvald::exactBytes()
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    WriteAnsiStr(&buffer, "abc");
    WriteWideStr(&buffer, QStringLiteral("Ü"));
    WriteWideStr(&buffer, QString());
    const QByteArray expected = TestFiles::le32(3) + "abc" + TestFiles::le32(1) + QByteArray("\xDC\x00", 2)
                                + TestFiles::le32(0);
    QCOMPARE(buffer.data(), expected);
}

void TestKorvald::truncatedReadsThrow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wide");
    QTest::newRow("no length") << QByteArray("\x02\x00", 2) << true;
    QTest::newRow("wide text cut") << TestFiles::le32(3) + QByteArray("a\0b", 3) << true;
    QTest::newRow("ansi text cut") << TestFiles::le32(5) + QByteArray("abc") << false;
    QTest::newRow("negative length") << TestFiles::le32(0xFFFFFFFFu) << false;
}

void TestKorvald::truncatedReadsThrow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, wide);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString text = QStringLiteral("kept");
    QByteArray ansi = "kept";
    if (wide)
        QVERIFY_THROWS_EXCEPTION(KorvaldIoError, ReadWideStr(&buffer, text));
    else
        QVERIFY_THROWS_EXCEPTION(KorvaldIoError, ReadAnsiStr(&buffer, ansi));
    // Assigned only after a complete read.
    QCOMPARE(text, QStringLiteral("kept"));
    QCOMPARE(ansi, QByteArray("kept"));
}

void TestKorvald::absurdLengthAllocatesNothing()
{
    QByteArray bytes = TestFiles::le32(2000000000u) + "xy";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QByteArray text;
    QVERIFY_THROWS_EXCEPTION(KorvaldIoError, ReadAnsiStr(&buffer, text));
}

QTEST_GUILESS_MAIN(TestKorvald)
#include "tst_korvald.moc"
