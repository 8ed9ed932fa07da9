// Measures the dBase table layer on work-time tables of a given size:
//   dbf_bench ROWS [DIR]
// writes a table of ROWS records into DIR (a temporary folder by default) and
// prints one line: open time, a full scan reading all twelve fields of every
// row, 1,000 appends, the time of `cat` over the same file, and peak memory.
// Scan and cat are the best of three runs, both over the file in the page cache.
#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "BenchTables.h"
#include "Stopwatch.h"
#include "storage/WorkTimeTables.h"

namespace {

double scanAllFields(DbfTable &table, qint64 *checksum)
{
    const auto start = Stopwatch::now();
    DbfRecord record;
    QString text;
    qint64 sum = 0;
    const int fields = table.fieldCount();
    for (int row = 0; row < table.rowCount(); ++row) {
        table.readRow(row, record);
        for (int pos = 0; pos < fields; ++pos) {
            record.text(pos, text);
            sum += text.size();
        }
    }
    *checksum = sum;
    return millisecondsSince(start);
}

double catFile(const QString &path)
{
    const QByteArray command = "cat '" + QFile::encodeName(path) + "' > /dev/null";
    const auto start = Stopwatch::now();
    if (std::system(command.constData()) != 0)
        return -1;
    return millisecondsSince(start);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const quint32 rows = args.size() > 1 ? args.at(1).toUInt() : 10000;
    QTemporaryDir temporary;
    const QString directory = args.size() > 2 ? args.at(2) : temporary.path();
    const QString path = directory + QStringLiteral("/arbeitszeit.dbf");

    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(path, rows, clock)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const double catWarmUp = catFile(path); // brings the file into the page cache
    Q_UNUSED(catWarmUp);

    DbfTable table(clock);
    auto start = Stopwatch::now();
    if (!table.open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(table.errorString()));
        return 1;
    }
    const double openMs = millisecondsSince(start);

    double scanMs = 1e300;
    double catMs = 1e300;
    qint64 checksum = 0;
    for (int run = 0; run < 3; ++run) {
        scanMs = std::min(scanMs, scanAllFields(table, &checksum));
        catMs = std::min(catMs, catFile(path));
    }

    start = Stopwatch::now();
    for (int i = 0; i < 1000; ++i) {
        DbfRecord record = table.newRecord();
        BenchTables::fillRecord(record, quint32(i));
        if (!table.append(record)) {
            std::fprintf(stderr, "%s\n", qPrintable(table.errorString()));
            return 1;
        }
    }
    const double appendMs = millisecondsSince(start);

    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%9u rows  %7.1f MB  open %8.2f ms  scan %9.2f ms  cat %7.2f ms  scan/cat %5.1fx  "
                "1000 appends %8.2f ms  peak %6.1f MB  (checksum %lld)\n",
                rows, QFileInfo(path).size() / 1e6, openMs, scanMs, catMs, scanMs / catMs, appendMs,
                usage.ru_maxrss / 1024.0, static_cast<long long>(checksum));
    return 0;
}
