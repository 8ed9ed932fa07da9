// Measures the change history on a work-time table of a given size:
//   changelog_bench ROWS [CHANGES]
// prints the time to start the history on the existing table (the digest of
// every record and the start list), the size of what it wrote, the time of
// one save with logging ("Okay, erfassen": checks, clash search, append and
// its log entry) averaged over 100 saves beside the same save without a
// history, and the time of a full verify. Then CHANGES records (default
// 20,000) are changed through the log, and verify is timed on that longer
// log once untouched and once after another program changed 100 of those
// records: the 100 findings may cost at most 20 % more than none.
#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QTemporaryDir>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "base/Clock.h"
#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogVerifier.h"
#include "recording/ClashIndex.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

namespace {

constexpr int Saves = 100;
constexpr int Findings = 100;

// The average time of one save, each on its own date so that none clashes.
double averageSave(BookingService &service, int firstDay)
{
    BookingInput input;
    input.place = QStringLiteral("Köln");
    input.activity = QStringLiteral("Montage");
    input.from = QTime(18, 0);
    input.to = QTime(19, 0);
    const auto start = Stopwatch::now();
    for (int i = 0; i < Saves; ++i) {
        input.date = QDate(2024, 3, 15).addDays(firstDay + i);
        if (service.book(input, QStringLiteral("Müller, Jürgen"), [] { return true; }).kind
            != BookingService::Outcome::Stored)
            return -1;
    }
    return millisecondsSince(start) / Saves;
}

// Changes the place of records 1..count through the table, each logged.
bool changeRecords(DbfTable &table, quint32 count)
{
    DbfRecord record = table.newRecord();
    for (quint32 number = 1; number <= count; ++number) {
        if (!table.readRecord(number, record))
            return false;
        record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn %1").arg(number));
        if (!table.update(record))
            return false;
    }
    return true;
}

// Another program overwrites the first byte of the place of `Findings`
// records spread over 1..count.
bool tamperRecords(const QString &path, quint32 count, int placeOffset)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray head = file.read(DbfFormat::HeaderSize);
    const int headerLength = qFromLittleEndian<quint16>(head.constData() + DbfFormat::HeaderLengthOffset);
    const int recordLength = qFromLittleEndian<quint16>(head.constData() + DbfFormat::RecordLengthOffset);
    for (int i = 0; i < Findings; ++i) {
        const quint32 number = 1 + quint32(qint64(i) * count / Findings);
        if (!file.seek(headerLength + qint64(number - 1) * recordLength + placeOffset) || !file.putChar('X'))
            return false;
    }
    return true;
}

// Verify on a fresh read-only open of the table, as tagwerk-cli verify runs;
// the best of three runs, so that the page cache and the machine's other
// work weigh alike on both sides of the comparison.
double timeVerify(const QString &directory, const Clock &clock, qsizetype &findings)
{
    double best = -1;
    for (int run = 0; run < 3; ++run) {
        DbfTable table(clock);
        if (!table.open(directory + QStringLiteral("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly))
            return -1;
        const auto start = Stopwatch::now();
        ChangeLogVerifier verifier(table, directory);
        verifier.run();
        const double ms = millisecondsSince(start);
        findings = verifier.findings().size();
        best = best < 0 ? ms : std::min(best, ms);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint32 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toUInt() : 100000;
    const quint32 changes = qMin(rows, argc > 2 ? QString::fromLocal8Bit(argv[2]).toUInt() : 20000u);
    QTemporaryDir dir;
    const QString directory = dir.path() + QLatin1Char('/');
    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(directory + QStringLiteral("arbeitszeit.dbf"), rows, clock))
        return 1;
    DbfTable table(clock);
    if (!table.open(directory + QStringLiteral("arbeitszeit.dbf")))
        return 1;
    ClashIndex index(table);
    index.rebuild();
    OpenTableStore store(table, index);
    BookingService service(store, clock);
    const double plainMs = averageSave(service, 0);

    ChangeLog log(table, clock);
    log.setAuthor(QStringLiteral("Müller, Jürgen"));
    auto start = Stopwatch::now();
    if (!log.open(directory)) {
        std::fprintf(stderr, "%s\n", qPrintable(log.errorString()));
        return 1;
    }
    const double startMs = millisecondsSince(start);
    const qint64 startBytes = QFileInfo(directory + QLatin1String(ChangeLog::StartListFileName)).size()
        + QFileInfo(directory + QLatin1String(ChangeLogEntry::FileName)).size();

    const double loggedMs = averageSave(service, 1000);
    if (plainMs < 0 || loggedMs < 0)
        return 1;

    start = Stopwatch::now();
    ChangeLogVerifier verifier(table, directory);
    const bool verified = verifier.run();
    const double verifyMs = millisecondsSince(start);

    std::printf("%9u rows: history started in %8.1f ms (%6.2f MB written); one save %7.3f ms without history,"
                " %7.3f ms with it; verify %8.1f ms (%s)\n",
                rows, startMs, double(startBytes) / 1e6, plainMs, loggedMs, verifyMs, verified ? "ok" : "FAILED");
    if (!verified || !changeRecords(table, changes))
        return 1;
    const quint32 entries = log.entryCount();
    const int placeOffset = table.fields().at(WorkTimeTables::Ort).offset;
    log.close();
    table.close();
    qsizetype cleanFindings = 0, tamperedFindings = 0;
    const double cleanMs = timeVerify(directory, clock, cleanFindings);
    if (cleanMs < 0 || cleanFindings != 0 || !tamperRecords(directory + QStringLiteral("arbeitszeit.dbf"), changes, placeOffset))
        return 1;
    const double tamperedMs = timeVerify(directory, clock, tamperedFindings);
    const double ratio = tamperedMs / cleanMs;
    std::printf("%9u rows, %7u log entries: verify %8.1f ms with no finding, %8.1f ms with %lld (%+.0f %%; at most +20 %%: %s)\n",
                rows, entries, cleanMs, tamperedMs, static_cast<long long>(tamperedFindings), (ratio - 1) * 100,
                ratio <= 1.2 ? "ok" : "TOO SLOW");
    return tamperedFindings == Findings ? 0 : 1;
}
