#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

namespace {

#ifdef F_OFD_GETLK
// The first lock another open file holds that conflicts with a lock of
// `type` on the range; l_type is F_UNLCK when there is none.
struct flock conflictingLock(QFile &file, short type, qint64 start, qint64 length)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = off_t(start);
    lock.l_len = off_t(length);
    if (::fcntl(file.handle(), F_OFD_GETLK, &lock) != 0)
        lock.l_type = -1;
    return lock;
}
#endif

} // namespace

// Several program instances (several PCs on one shared folder) use one table
// at the same moment: no append may overwrite another, and no lock one
// instance holds may cover a byte another reads (Windows locks are mandatory:
// such a read would fail there).
class TestConcurrentAppend : public QObject
{
    Q_OBJECT

private slots:
    void fourProcessesAppendWithoutLoss();
    void locksCoverNoByteThatIsRead_data();
    void locksCoverNoByteThatIsRead();
};

void TestConcurrentAppend::fourProcessesAppendWithoutLoss()
{
    constexpr int Workers = 4;
    constexpr int PerWorker = 250;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FixedClock clock;
    const QString table = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    {
        DbfTable creator(clock);
        QVERIFY(creator.create(table, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    }
    const QString goFile = dir.filePath(QStringLiteral("go"));

    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < Workers; ++w) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(APPEND_WORKER_PATH),
                       {table, QStringLiteral("worker%1").arg(w), QString::number(PerWorker), goFile});
        QVERIFY(process->waitForStarted());
        workers.push_back(std::move(process));
    }
    QVERIFY(TestFiles::writeAll(goFile, "go"));
    for (auto &process : workers) {
        QVERIFY(process->waitForFinished(120000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }

    const QByteArray bytes = TestFiles::readAll(table);
    QCOMPARE(bytes.size(), 417 + Workers * PerWorker * 278 + 1);
    QCOMPARE(bytes.mid(4, 4), TestFiles::le32(Workers * PerWorker));
    QCOMPARE(bytes.back(), '\x1A');

    DbfTable reader(clock);
    QVERIFY(reader.open(table, DbfTable::OpenMode::ReadOnly));
    QCOMPARE(reader.rowCount(), Workers * PerWorker);
    // Each worker's records are all there, and in its own order.
    QList<int> nextIndex(Workers, 0);
    for (bool ok = reader.first(); ok; ok = reader.next()) {
        const QString tag = reader.text(WorkTimeTables::Arbeiter);
        QVERIFY2(tag.startsWith(QLatin1String("worker")), qPrintable(tag));
        const int w = tag.mid(6).toInt();
        QCOMPARE(reader.text(WorkTimeTables::Bemerkungen).toInt(), nextIndex[w]);
        ++nextIndex[w];
    }
    QCOMPARE(nextIndex, QList<int>(Workers, PerWorker));
}

void TestConcurrentAppend::locksCoverNoByteThatIsRead_data()
{
    QTest::addColumn<QString>("held");
    QTest::newRow("header") << QStringLiteral("header");
    QTest::newRow("first record") << QStringLiteral("1");
    QTest::newRow("last record") << QStringLiteral("3");
}

void TestConcurrentAppend::locksCoverNoByteThatIsRead()
{
#ifndef F_OFD_GETLK
    QSKIP("needs open-file-description locks (Linux) to ask for another process's locks");
#else
    QFETCH(QString, held);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FixedClock clock;
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    DbfTable table(clock);
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    for (int i = 0; i < 3; ++i) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
        QVERIFY(table.append(record));
    }

    QProcess other;
    other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    other.start(QStringLiteral(APPEND_WORKER_PATH), {path, QStringLiteral("hold"), held});
    QVERIFY(other.waitForStarted());
    QVERIFY(other.waitForReadyRead(30000));
    QCOMPARE(other.readLine().trimmed(), QByteArray("held"));

    // Everything this instance reads: the header, the descriptors, every record.
    DbfTable reader(clock);
    QVERIFY(reader.open(path));
    QVERIFY(reader.reload());
    QCOMPARE(reader.rowCount(), 3);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const qint64 size = file.size();
    QCOMPARE(conflictingLock(file, F_RDLCK, 0, size).l_type, short(F_UNLCK));
    // The other instance does hold its lock: beyond the data.
    const struct flock lock = conflictingLock(file, F_RDLCK, 0, 0);
    QCOMPARE(lock.l_type, short(F_WRLCK));
    QVERIFY(lock.l_start >= size);
    QVERIFY(conflictingLock(file, F_WRLCK, 0, 0).l_start >= size);

    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(10000));
    QCOMPARE(other.exitCode(), 0);
#endif
}

QTEST_GUILESS_MAIN(TestConcurrentAppend)
#include "tst_concurrentappend.moc"
