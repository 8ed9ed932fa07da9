// Measures the booking grid over a large table:   grid_bench [ROWS]
// writes a work-time table of ROWS records (1,000,000 by default), then times
// opening it into the main window's grid (table, model, view shown) and
// scrolling to the last row, and prints the peak memory: the grid reads the
// rows it shows, never the whole file.
#include <cstdio>

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "BenchTables.h"
#include "Stopwatch.h"
#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/WorkTimeTableModel.h"

namespace {

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
    const double beforeOpen = peakMegabytes();

    auto start = Stopwatch::now();
    DbfTable table(clock);
    if (!table.open(path))
        return 1;
    WorkTimeTableModel model(table);
    DataGrid grid;
    grid.setModel(&model);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.resize(1000, 600);
    grid.show();
    QApplication::processEvents();
    const double openMs = millisecondsSince(start);

    start = Stopwatch::now();
    grid.setCurrentIndex(model.index(model.rowCount() - 1, 0));
    grid.scrollToBottom();
    QApplication::processEvents();
    const double scrollMs = millisecondsSince(start);

    start = Stopwatch::now();
    for (int step = 0; step < 100; ++step) {
        grid.setCurrentIndex(model.index(int(quint64(model.rowCount() - 1) * quint64(step) / 100), 0));
        grid.scrollTo(grid.currentIndex());
        grid.viewport()->repaint();
    }
    const double jumpsMs = millisecondsSince(start);

    std::printf("%u rows (%.1f MB): open into the grid %.1f ms; scroll to the last row %.1f ms; "
                "100 jumps with repaint %.1f ms (%.2f ms each); peak memory %.1f MB (%.1f MB before opening)\n",
                rows, QFileInfo(path).size() / 1e6, openMs, scrollMs, jumpsMs, jumpsMs / 100, peakMegabytes(),
                beforeOpen);
    return 0;
}
