// Measures saving a booking on work-time tables of a given size:
//   save_bench ROWS
// prints the time to build the clash index when the table opens, the time of
// one save ("Okay, erfassen": checks, clash search, append) averaged over 100
// saves, the time of a save after another instance edited a record (the
// index is then read anew from the file), and for comparison one clash search
// by walking the whole file.
#include <cstdio>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "base/Clock.h"
#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ClashIndex.h"
#include "storage/DateTimeText.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

namespace {

bool walkFindsClash(DbfTable &table, const QString &employee, QDate date, int from, int to)
{
    DbfRecord record;
    QString text;
    for (int row = 0; row < table.rowCount(); ++row) {
        table.readRow(row, record);
        record.text(WorkTimeTables::Arbeiter, text);
        if (text != employee)
            continue;
        const auto d = DateTimeText::parseDate(record.text(WorkTimeTables::Datum));
        const auto rs = DateTimeText::parseTime(record.text(WorkTimeTables::ZeitVon));
        const auto re = DateTimeText::parseTime(record.text(WorkTimeTables::ZeitBis));
        if (d && rs && re && *d == date
            && BookingRules::clashes(from, to, BookingRules::secondsOf(*rs), BookingRules::secondsOf(*re)))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint32 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toUInt() : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(path, rows, clock))
        return 1;
    DbfTable table(clock);
    if (!table.open(path))
        return 1;
    ClashIndex index(table);

    auto start = Stopwatch::now();
    index.rebuild();
    const double indexMs = millisecondsSince(start);

    OpenTableStore store(table, index);
    BookingService service(store, clock);
    BookingInput input;
    input.place = QStringLiteral("Köln");
    input.activity = QStringLiteral("Montage");
    input.from = QTime(18, 0);
    input.to = QTime(19, 0);
    input.date = QDate(2024, 3, 15);
    constexpr int Saves = 100;
    start = Stopwatch::now();
    for (int i = 0; i < Saves; ++i) {
        input.date = QDate(2024, 3, 15).addDays(i);
        if (service.book(input, QStringLiteral("Müller, Jürgen"), [] { return true; }).kind
            != BookingService::Outcome::Stored)
            return 1;
    }
    const double saveMs = millisecondsSince(start) / Saves;

    // Another instance rewrites a record between our saves: the file's stamp
    // tells, and the index is built anew.
    DbfTable other(clock);
    if (!other.open(path))
        return 1;
    constexpr int ForeignSaves = 3;
    double foreignMs = 0;
    for (int i = 0; i < ForeignSaves; ++i) {
        other.refresh();
        DbfRecord record;
        if (!other.readRecord(1 + quint32(i), record))
            return 1;
        record.setText(WorkTimeTables::Bemerkungen, QStringLiteral("geändert"));
        if (!other.update(record))
            return 1;
        input.date = QDate(2025, 3, 15).addDays(i);
        start = Stopwatch::now();
        if (service.book(input, QStringLiteral("Müller, Jürgen"), [] { return true; }).kind
            != BookingService::Outcome::Stored)
            return 1;
        foreignMs += millisecondsSince(start);
    }
    foreignMs /= ForeignSaves;

    start = Stopwatch::now();
    // A booking that clashes with nothing: the walk reads every row.
    const bool clash = walkFindsClash(table, QStringLiteral("Müller, Jürgen"), QDate(2030, 1, 1), 7 * 3600, 8 * 3600);
    const double walkMs = millisecondsSince(start);

    std::printf("%9u rows: index built in %8.1f ms; one save %7.3f ms; a save after another instance's edit %8.1f ms;"
                " one clash search by walking the file %8.1f ms\n",
                rows, indexMs, saveMs, foreignMs, walkMs);
    return clash ? 1 : 0;
}
