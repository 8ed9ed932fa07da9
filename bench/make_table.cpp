// Writes a work-time table of generated bookings:   make_table PATH ROWS
// for the whole-process benchmarks, which time tagwerk-cli on it.
#include <cstdio>

#include <QCoreApplication>

#include "BenchTables.h"
#include "base/Clock.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: make_table PATH ROWS\n", stderr);
        return 2;
    }
    bool ok = false;
    const quint32 rows = QString::fromLocal8Bit(argv[2]).toUInt(&ok);
    SystemClock clock;
    if (!ok || !BenchTables::writeWorkTimeTable(QString::fromLocal8Bit(argv[1]), rows, clock)) {
        std::fputs("make_table: cannot write the table\n", stderr);
        return 1;
    }
    return 0;
}
