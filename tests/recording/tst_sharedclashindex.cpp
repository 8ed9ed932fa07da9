#include <QProcess>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <QTemporaryDir>
#include <QtTest>

#include "ClashScript.h"
#include "support/FixedClock.h"
#include "translation/ProgramTexts.h"

namespace {

// The reference: the clash search as a fresh walk over the file, the way a
// booking reads it when no index is kept.
QString walkAnswers(const QString &path, const Clock &clock)
{
    DbfTable table(clock);
    if (!table.open(path, DbfTable::OpenMode::ReadOnly))
        return QStringLiteral("error: ") + table.errorString();
    QString answers;
    for (const ClashScript::Query &q : ClashScript::queries()) {
        bool clash = false;
        for (bool ok = table.first(); ok && !clash; ok = table.next()) {
            const auto date = DateTimeText::parseDate(table.text(WorkTimeTables::Datum));
            const auto from = DateTimeText::parseTime(table.text(WorkTimeTables::ZeitVon));
            const auto to = DateTimeText::parseTime(table.text(WorkTimeTables::ZeitBis));
            clash = table.text(WorkTimeTables::Arbeiter) == q.employee && date && from && to && *date == q.date
                && BookingRules::clashes(q.from, q.to, BookingRules::secondsOf(*from), BookingRules::secondsOf(*to));
        }
        answers += clash ? u'1' : u'0';
    }
    return answers;
}

QStringList steps(std::initializer_list<const char *> lines)
{
    QStringList all;
    for (const char *line : lines)
        all.append(QString::fromLatin1(line));
    return all;
}

} // namespace

// Two instances of the program share one work-time table: this test and a
// worker process, each with its table open and its own clash index. Between
// each other's saves they append, edit and delete records; after every step
// the answers of both indexes must be those of a fresh walk over the file.
class TestSharedClashIndex : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bothIndexesAgreeWithAWalk_data();
    void bothIndexesAgreeWithAWalk();
    void writesWithinOneClockTickAreSeen();
    void writesKeepingSizeAndTimeAreSeen_data();
    void writesKeepingSizeAndTimeAreSeen();

private:
    QString tablePath() const { return m_dir->filePath(QStringLiteral("arbeitszeit.dbf")); }
    QString askWorker(const QString &line);

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    std::unique_ptr<QProcess> m_worker;
};

void TestSharedClashIndex::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    DbfTable table(m_clock);
    QVERIFY(table.create(tablePath(), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
}

void TestSharedClashIndex::cleanup()
{
    if (m_worker) {
        m_worker->closeWriteChannel();
        m_worker->waitForFinished(10000);
        m_worker.reset();
    }
}

QString TestSharedClashIndex::askWorker(const QString &line)
{
    m_worker->write((line + u'\n').toUtf8());
    while (!m_worker->canReadLine()) {
        if (!m_worker->waitForReadyRead(30000))
            return QStringLiteral("error: the worker did not answer: ") + QString::fromLocal8Bit(m_worker->readAllStandardError());
    }
    return QString::fromUtf8(m_worker->readLine()).trimmed();
}

void TestSharedClashIndex::bothIndexesAgreeWithAWalk_data()
{
    // Each step: who acts ("A" this test, "B" the worker) and the command.
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("other edits the times") << steps({
        "A book Anna 05.03.2024 08:00 12:00", "A clashes", "B edit 1 4 13:00", "B edit 1 5 15:00",
        "A book Anna 05.03.2024 09:00 10:00"});
    QTest::newRow("other gives the row to another employee") << steps({
        "A book Anna 05.03.2024 08:00 12:00", "A clashes", "B edit 1 1 Bernd"});
    QTest::newRow("other moves a row into the day") << steps({
        "A book Anna 06.03.2024 08:00 12:00", "A book Anna 05.03.2024 13:00 14:00", "A clashes", "B edit 1 0 05.03.2024"});
    QTest::newRow("other makes the date unreadable") << steps({
        "A book Anna 05.03.2024 08:00 12:00", "A clashes", "B edit 1 0 31.02.2024"});
    QTest::newRow("other deletes") << steps({
        "A book Anna 05.03.2024 08:00 12:00", "B book Bernd 05.03.2024 08:00 12:00", "A clashes", "B delete 1"});
    QTest::newRow("other appends") << steps({
        "A book Anna 05.03.2024 08:00 12:00", "A clashes", "B book Anna 05.03.2024 14:00 16:00"});
    QTest::newRow("both in turns") << steps({
        "A book Anna 05.03.2024 08:00 12:00", "B book Anna 05.03.2024 13:00 15:00", "A edit 2 5 17:00",
        "B delete 1", "A book Bernd 06.03.2024 07:00 09:00", "B edit 3 1 Anna", "A delete 2",
        "B book Anna 06.03.2024 10:00 11:00", "A edit 4 4 06:00", "B edit 3 0 05.03.2024",
        "A book Anna 05.03.2024 11:00 12:00", "B delete 5"});
}

void TestSharedClashIndex::bothIndexesAgreeWithAWalk()
{
    QFETCH(QStringList, steps);
    DbfTable table(m_clock);
    QVERIFY(table.open(tablePath()));
    ClashIndex index(table);
    m_worker = std::make_unique<QProcess>();
    m_worker->start(QStringLiteral(CLASH_WORKER_PATH), {tablePath()});
    QVERIFY(m_worker->waitForStarted());
    // Both indexes are built before anyone writes, as in two windows left open.
    QCOMPARE(ClashScript::run(table, index, m_clock, QStringLiteral("clashes")), walkAnswers(tablePath(), m_clock));
    QCOMPARE(askWorker(QStringLiteral("clashes")), walkAnswers(tablePath(), m_clock));

    for (const QString &step : steps) {
        const QString command = step.mid(2);
        const QString reply = step.startsWith(u'A') ? ClashScript::run(table, index, m_clock, command) : askWorker(command);
        QVERIFY2(!reply.startsWith(QLatin1String("error")), qPrintable(step + QStringLiteral(": ") + reply));
        const QString walk = walkAnswers(tablePath(), m_clock);
        QVERIFY2(ClashScript::run(table, index, m_clock, QStringLiteral("clashes")) == walk,
                 qPrintable(QStringLiteral("this instance, after \"%1\"").arg(step)));
        QVERIFY2(askWorker(QStringLiteral("clashes")) == walk, qPrintable(QStringLiteral("the worker, after \"%1\"").arg(step)));
    }
}

// Two instances in one process write one right after the other, quicker
// than the file system's clock moves on: the length stays and the time would
// too. The second write still leaves a stamp of its own.
void TestSharedClashIndex::writesWithinOneClockTickAreSeen()
{
    DbfTable mine(m_clock);
    DbfTable other(m_clock);
    QVERIFY(mine.open(tablePath()));
    QVERIFY(other.open(tablePath()));
    ClashIndex index(mine);
    ClashIndex otherIndex(other);
    for (int round = 0; round < 50; ++round) {
        const QString own = QStringLiteral("book Anna 05.03.2024 %1:00 %1:30").arg(round % 24, 2, 10, QLatin1Char('0'));
        QCOMPARE(ClashScript::run(mine, index, m_clock, own), QStringLiteral("ok"));
        QCOMPARE(ClashScript::run(mine, index, m_clock, QStringLiteral("clashes")), walkAnswers(tablePath(), m_clock));
        // At once: the record just booked is moved to another day.
        QCOMPARE(ClashScript::run(other, otherIndex, m_clock, QStringLiteral("edit %1 0 06.03.2024").arg(round + 1)),
                 QStringLiteral("ok"));
        QCOMPARE(ClashScript::run(mine, index, m_clock, QStringLiteral("clashes")), walkAnswers(tablePath(), m_clock));
    }
}

void TestSharedClashIndex::writesKeepingSizeAndTimeAreSeen_data()
{
    QTest::addColumn<QString>("otherWrite");
    QTest::newRow("edit") << QStringLiteral("edit 1 0 06.03.2024");
    QTest::newRow("delete") << QStringLiteral("delete 1");
}

// What another PC wrote is told by the table, not by the file's size and
// time: a network client may serve those from its cache (SMB: seconds), FAT
// keeps times to two seconds. Here the other instance's write leaves both
// as they were.
void TestSharedClashIndex::writesKeepingSizeAndTimeAreSeen()
{
#ifndef Q_OS_UNIX
    QSKIP("sets a file's modification time to the nanosecond (POSIX)");
#else
    QFETCH(QString, otherWrite);
    DbfTable mine(m_clock);
    DbfTable other(m_clock);
    QVERIFY(mine.open(tablePath()));
    QVERIFY(other.open(tablePath()));
    ClashIndex index(mine);
    ClashIndex otherIndex(other);
    QCOMPARE(ClashScript::run(mine, index, m_clock, QStringLiteral("book Anna 05.03.2024 08:00 12:00")), QStringLiteral("ok"));
    QCOMPARE(ClashScript::run(mine, index, m_clock, QStringLiteral("clashes")), walkAnswers(tablePath(), m_clock));
    const QByteArray name = QFile::encodeName(tablePath());
    struct stat before = {};
    QCOMPARE(::stat(name.constData(), &before), 0);

    QCOMPARE(ClashScript::run(other, otherIndex, m_clock, otherWrite), QStringLiteral("ok"));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
    struct stat after = {};
    QCOMPARE(::stat(name.constData(), &after), 0);
    QCOMPARE(after.st_size, before.st_size);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    QCOMPARE(ClashScript::run(mine, index, m_clock, QStringLiteral("clashes")), walkAnswers(tablePath(), m_clock));
#endif
}

QTEST_GUILESS_MAIN(TestSharedClashIndex)
#include "tst_sharedclashindex.moc"
