// Measures the change history on a work-time table of a given size:
//   changelog_bench ROWS
// prints the time to start the history on the existing table (the digest of
// every record and the start list), the size of what it wrote, the time of
// one save with logging ("Okay, erfassen": checks, clash search, append and
// its log entry) averaged over 100 saves beside the same save without a
// history, and the time of a full verify.
#include <cstdio>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "base/Clock.h"
#include "recording/BookingService.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogVerifier.h"
#include "recording/ClashIndex.h"
#include "storage/DbfTable.h"

namespace {

constexpr int Saves = 100;

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint32 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toUInt() : 100000;
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
    BookingService service(table, index, clock);
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
    return verified ? 0 : 1;
}
