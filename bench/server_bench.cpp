// The server store on a running server:   server_bench CONNINFO FOLDER
// FOLDER holds a work-time table (make_table); the server's database is
// set up and must be empty. Prints the import of the folder, a whole-table
// scan through the store's stream (time, peak memory), the record list's
// open and jump to its last row, and bookings with their clash search and
// history entry (time and round trips each).
#include <cstdio>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QSqlQuery>

#include "Stopwatch.h"
#include "base/Clock.h"
#include "serverstore/ServerStore.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: server_bench CONNINFO FOLDER\n", stderr);
        return 2;
    }
    SystemClock clock;
    QString error;
    const auto settings = ServerConnection::parse(QString::fromLocal8Bit(argv[1]), &error);
    if (!settings) {
        std::fprintf(stderr, "server_bench: %s\n", qPrintable(error));
        return 2;
    }
    ServerStore store(*settings, clock);
    if (!store.initialize(WorkTimeTables::fieldDefinitions(&ProgramTexts::german), QString())) {
        std::fprintf(stderr, "server_bench: %s\n", qPrintable(store.errorString()));
        return 1;
    }
    const long baseKilobytes = peakKilobytes();
    auto start = Stopwatch::now();
    // "-" for a server that holds the records already: only opened.
    const bool importing = QByteArray(argv[2]) != "-";
    if (importing ? !store.importFrom(QString::fromLocal8Bit(argv[2])) : !store.open()) {
        std::fprintf(stderr, "server_bench: %s\n", qPrintable(store.errorString()));
        return 1;
    }
    const double importMs = millisecondsSince(start);
    RecordTable &table = store.bookings();
    std::printf("  %s of %d rows: %.1f s, peak memory %ld MB\n", importing ? "import" : "open", table.rowCount(),
                importMs / 1000, peakKilobytes() / 1024);

    start = Stopwatch::now();
    quint64 rows = 0;
    qint64 characters = 0;
    const bool scanned = table.scan([&](const DbfRecord &record) {
        ++rows;
        characters += record.textLength(WorkTimeTables::Ort);
        return true;
    });
    std::printf("  whole-table scan through the stream: %.2f s for %llu rows (%s), peak memory %ld MB (%ld MB at "
                "start)\n",
                millisecondsSince(start) / 1000, static_cast<unsigned long long>(rows), scanned ? "ok" : "FAILED",
                peakKilobytes() / 1024, baseKilobytes / 1024);

    ServerTable grid(store.connection(), clock);
    quint64 before = store.connection().statementCount();
    start = Stopwatch::now();
    grid.open();
    const double openMs = millisecondsSince(start);
    const quint64 openTrips = store.connection().statementCount() - before;
    DbfRecord record;
    before = store.connection().statementCount();
    start = Stopwatch::now();
    grid.readRow(grid.rowCount() - 1, record);
    std::printf("  record list: open %.0f ms (%llu round trips), jump to the last row %.1f ms (%llu round trip)\n",
                openMs, static_cast<unsigned long long>(openTrips), millisecondsSince(start),
                static_cast<unsigned long long>(store.connection().statementCount() - before));

    constexpr int Bookings = 1000;
    before = store.connection().statementCount();
    start = Stopwatch::now();
    for (int i = 0; i < Bookings; ++i) {
        DbfRecord booking = table.newRecord();
        const QDate date = QDate(2030, 1, 1).addDays(i / 10);
        booking.setText(WorkTimeTables::Datum, date.toString(QStringLiteral("dd.MM.yyyy")));
        booking.setText(WorkTimeTables::Arbeiter, QStringLiteral("Bench"));
        booking.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
        booking.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Bau"));
        const int hour = i % 10 * 2;
        booking.setText(WorkTimeTables::ZeitVon, QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')));
        booking.setText(WorkTimeTables::ZeitBis, QStringLiteral("%1:00").arg(hour + 1, 2, 10, QLatin1Char('0')));
        const auto appended = store.appendBooking(
            booking, WorkTimeStore::Span{QStringLiteral("Bench"), date, hour * 3600, (hour + 1) * 3600}, false);
        if (appended.kind != WorkTimeStore::Appended::Stored) {
            std::fprintf(stderr, "server_bench: booking %d not stored: %s\n", i, qPrintable(appended.error));
            return 1;
        }
    }
    const double perBooking = millisecondsSince(start) / Bookings;
    std::printf("  a booking with clash search and history entry: %.2f ms, %.1f round trips\n", perBooking,
                double(store.connection().statementCount() - before) / Bookings);
    return 0;
}
