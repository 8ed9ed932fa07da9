// Measures the result window on a whole-table report:   result_window_bench [ROWS]
// writes a work-time table of ROWS records (1,000,000 by default), then times
// what follows "OK" in the choice window of "Auswertung nach Zeitraum": the
// report made into the result window, the window shown with its first page
// painted; and prints the peak memory.
#include <cstdio>

#include <QApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "session/AppContext.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "storage/DbfTable.h"
#include "translation/ProgramTexts.h"

namespace {

class SilentReporter : public Reporter
{
public:
    void error(const QString &, const QString &) override {}
    void information(const QString &, const QString &) override {}
    Answer question(const QString &, const QString &, Buttons) override { return Answer::No; }
};

double peakMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const quint32 rows = argc > 1 ? quint32(QString::fromLocal8Bit(argv[1]).toUInt()) : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(path, rows, clock))
        return 1;
    SilentReporter reporter;
    AppContext context(reporter, clock, dir.path(), dir.path(),
                       std::make_unique<WindowSettingsStore>(dir.filePath(QStringLiteral("settings.ini"))));
    TAuswertenForm form(context);
    DbfTable table(clock);
    if (!table.open(path))
        return 1;
    const double beforeReport = peakMegabytes();

    EvaluationReport::Options options;
    options.kind = EvaluationReport::Kind::Period;
    options.from = QDate(2000, 1, 1);
    options.to = QDate(2100, 1, 1);
    options.showBreaks = true;
    options.keepGoing = [](double) {
        QApplication::processEvents(); // as the progress dialog does
        return true;
    };
    const auto start = Stopwatch::now();
    form.beginReport();
    EvaluationReport::write(table, options, &ProgramTexts::german, form);
    form.endReport();
    const double madeMs = millisecondsSince(start);
    form.show();
    form.repaint();
    QApplication::processEvents();
    const double shownMs = millisecondsSince(start);
    const double peak = peakMegabytes();
    std::printf("%u rows: report into the result window %.1f ms, first page shown %.1f ms after OK, %s; "
                "peak memory %.1f MB (%.1f MB before the report)\n",
                rows, madeMs, shownMs, form.isEditable() ? "in the editor" : "in the line view", peak, beforeReport);
    return 0;
}
