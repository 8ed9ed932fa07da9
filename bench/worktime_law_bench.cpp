// Measures the working-time law check beside the period evaluation:
//   worktime_law_bench [ROWS]
// writes two work-time tables of ROWS records (1,000,000 by default): the
// benchmarks' sample table (five employees, many bookings a day) and one
// shaped like a firm's years (a hundred employees, two bookings a working
// day, Sundays and long days among them). Over each it runs the period
// evaluation and the check, each in a process of its own so that its peak
// memory is its own, and prints time, lines and peak memory.
#include <cstdio>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "base/Clock.h"
#include "evaluation/EvaluationReport.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"

namespace {

constexpr quint32 Employees = 100;
constexpr quint32 BookingsPerDay = 2;

double peakMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Row i: employee (i / 2) % 100, on day i / 200 from 01.01.2010, morning or
// afternoon; every ninth afternoon runs long, every thirteenth morning starts
// early after a late day.
void fillFirmRecord(DbfRecord &record, quint32 i)
{
    BenchTables::fillRecord(record, i);
    const quint32 employee = (i / BookingsPerDay) % Employees;
    const QDate date = QDate(2010, 1, 1).addDays(i / (BookingsPerDay * Employees));
    const bool morning = i % BookingsPerDay == 0;
    record.setText(WorkTimeTables::Datum, date.toString(QStringLiteral("dd.MM.yyyy")));
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Mitarbeiter %1").arg(employee, 3, 10, QLatin1Char('0')));
    const quint32 slot = i / BookingsPerDay;
    if (morning) {
        record.setText(WorkTimeTables::ZeitVon, slot % 13 == 0 ? QStringLiteral("05:30") : QStringLiteral("07:00"));
        record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
        record.setText(WorkTimeTables::Pause, QString());
    } else {
        record.setText(WorkTimeTables::ZeitVon, QStringLiteral("12:30"));
        record.setText(WorkTimeTables::ZeitBis, slot % 9 == 0 ? QStringLiteral("20:15") : QStringLiteral("16:00"));
        record.setText(WorkTimeTables::Pause, QStringLiteral("00:15"));
    }
}

int measure(const QString &what, const QString &path)
{
    SystemClock clock;
    DbfTable table(clock);
    if (!table.open(path, DbfTable::OpenMode::ReadOnly))
        return 1;
    const double before = peakMegabytes();
    const QDate from(2000, 1, 1);
    const QDate to(2100, 1, 1);
    qint64 lines = 0;
    const auto start = Stopwatch::now();
    if (what == QLatin1String("period")) {
        EvaluationReport::Options options;
        options.kind = EvaluationReport::Kind::Period;
        options.from = from;
        options.to = to;
        options.showBreaks = true;
        lines = EvaluationReport::build(table, options, &ProgramTexts::german).lines.size();
    } else {
        WorkingTimeLawCheck::Options options;
        options.from = from;
        options.to = to;
        options.locale = QLocale(QLocale::German, QLocale::Germany);
        WorkingTimeLawCheck check(options, {&ProgramTexts::german, [](const QString &german) { return german; }});
        check.read(table);
        qint64 characters = 0;
        check.writeReport([&lines, &characters](const QString &line) {
            ++lines;
            characters += line.size();
        });
        Q_UNUSED(characters);
    }
    std::printf("    %-22s %9.1f ms  %8lld lines  peak %7.1f MB (%.1f MB before)\n",
                what == QLatin1String("period") ? "period evaluation" : "working-time law check",
                millisecondsSince(start), static_cast<long long>(lines), peakMegabytes(), before);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--measure"))
        return measure(arguments.at(2), arguments.at(3));

    const quint32 rows = arguments.size() > 1 ? arguments.at(1).toUInt() : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    SystemClock clock;
    const struct {
        const char *name;
        BenchTables::Filler fill;
    } tables[] = {{"sample table (5 employees, 84 dates)", &BenchTables::fillRecord},
                  {"a firm's years (100 employees, 2 bookings a day)", &fillFirmRecord}};
    for (const auto &shape : tables) {
        if (!BenchTables::writeWorkTimeTable(path, rows, clock, shape.fill))
            return 1;
        std::printf("  %u rows, %s:\n", rows, shape.name);
        std::fflush(stdout);
        for (const char *what : {"period", "law"}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(app.applicationFilePath(), {QStringLiteral("--measure"), QLatin1String(what), path});
            if (!child.waitForFinished(-1) || child.exitCode() != 0)
                return 1;
        }
    }
    return 0;
}
