#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "session/LanguageOptions.h"
#include "storage/UserListStore.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/translateunit.h"

// The program replaces "translate.dat", "benutzer.dat" and "options.dat" whole
// on every save. A process killed at any moment of a save must leave either
// the old file or the new one, never a truncated one.
class TestCrashSafeSave : public QObject
{
    Q_OBJECT

private slots:
    void killedWriterLeavesWholeFile_data();
    void killedWriterLeavesWholeFile();
};

void TestCrashSafeSave::killedWriterLeavesWholeFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("translate.dat") << QStringLiteral("translate");
    QTest::newRow("benutzer.dat") << QStringLiteral("benutzer");
    QTest::newRow("options.dat") << QStringLiteral("options");
}

void TestCrashSafeSave::killedWriterLeavesWholeFile()
{
    QFETCH(QString, kind);
    constexpr int Rounds = 6;
    constexpr int Rows = 20000; // as the worker writes
    for (int round = 0; round < Rounds; ++round) {
        QTemporaryDir dir;
        QProcess worker;
        worker.start(QStringLiteral(SAVE_WORKER_PATH), {kind, dir.path()});
        QVERIFY(worker.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.filePath(QStringLiteral("ready"))), 60000);
        QTest::qSleep(int(QRandomGenerator::global()->bounded(1, 80)));
        worker.kill();
        QVERIFY(worker.waitForFinished());

        if (kind == QLatin1String("translate")) {
            RecordingReporter reporter;
            TranslationDictionary dictionary(reporter, dir.filePath(QStringLiteral("translate.dat")));
            dictionary.BuildTranslationIndex();
            QVERIFY2(reporter.messages().isEmpty(), "the file was left damaged");
            QVERIFY(dictionary.rowCount() == Rows || dictionary.rowCount() == Rows + 1);
        } else if (kind == QLatin1String("benutzer")) {
            UserListData data;
            QCOMPARE(UserListStore::load(dir.filePath(QStringLiteral("benutzer.dat")), data), UserListStore::LoadResult::Loaded);
            QVERIFY(data.users.size() == Rows || data.users.size() == Rows + 1);
        } else {
            const QByteArray bytes = TestFiles::readAll(dir.filePath(QStringLiteral("options.dat")));
            QVERIFY(bytes == TestFiles::le32(1) || bytes == TestFiles::le32(2));
        }
    }
}

QTEST_GUILESS_MAIN(TestCrashSafeSave)
#include "tst_crashsafesave.moc"
