#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

// Several program instances (several PCs on one shared folder) append to one
// table at the same moment: no append may overwrite another.
class TestConcurrentAppend : public QObject
{
    Q_OBJECT

private slots:
    void fourProcessesAppendWithoutLoss();
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

QTEST_GUILESS_MAIN(TestConcurrentAppend)
#include "tst_concurrentappend.moc"
