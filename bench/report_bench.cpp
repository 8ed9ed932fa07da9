// Measures the evaluations on a work-time table:   report_bench [ROWS]
// writes a table of ROWS records (1,000,000 by default) and times each of the
// four unsorted evaluations over the whole table, then the sorted one over
// periods that list 1,000, 10,000 and 50,000 records.
#include <cstdio>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "base/Clock.h"
#include "evaluation/EvaluationReport.h"
#include "storage/DbfTable.h"
#include "translation/ProgramTexts.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint32 rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toUInt() : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(path, rows, clock))
        return 1;
    DbfTable table(clock);
    if (!table.open(path))
        return 1;

    using EvaluationReport::Kind;
    const struct {
        const char *name;
        Kind kind;
        const char *choice;
    } unsorted[] = {{"employee", Kind::Employee, "Müller, Jürgen"},
                    {"place", Kind::Place, "Werkstatt"},
                    {"activity", Kind::Activity, "Montage"},
                    {"period", Kind::Period, ""}};
    std::printf("%u rows, the whole table:\n", rows);
    for (const auto &run : unsorted) {
        EvaluationReport::Options options;
        options.kind = run.kind;
        options.choice = QString::fromUtf8(run.choice);
        options.from = QDate(2000, 1, 1);
        options.to = QDate(2100, 1, 1);
        options.showBreaks = true;
        const auto start = Stopwatch::now();
        const auto report = EvaluationReport::build(table, options, &ProgramTexts::german);
        std::printf("  %-10s %9.1f ms, %lld lines\n", run.name, millisecondsSince(start),
                    static_cast<long long>(report.lines.size()));
    }
    // The sample table spreads its records evenly over 28 days of 12 months.
    for (int listed : {1000, 10000, 50000}) {
        EvaluationReport::Options options;
        options.kind = Kind::PeriodByPlace;
        options.from = QDate(2024, 1, 1);
        options.to = QDate(2024, 12, 31);
        options.showBreaks = true;
        // Fewer rows than the table: a table of just that many rows.
        QTemporaryDir small;
        const QString smallPath = small.filePath(QStringLiteral("arbeitszeit.dbf"));
        BenchTables::writeWorkTimeTable(smallPath, quint32(listed), clock);
        DbfTable smallTable(clock);
        smallTable.open(smallPath);
        const auto start = Stopwatch::now();
        const auto report = EvaluationReport::build(smallTable, options, &ProgramTexts::german);
        std::printf("  period sorted by place, %6d listed records: %8.1f ms\n", listed, millisecondsSince(start));
        Q_UNUSED(report);
    }
    return 0;
}
