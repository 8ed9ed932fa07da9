// Measures whether memory comes back after a result window:   memory_bench [ROWS]
// writes a work-time table of ROWS records (1,000,000 by default) into a
// scratch Database directory, starts the whole program on it, and five times
// runs the whole-table period evaluation and the working-time law check, each
// through the choice window and the result window, which is closed at once.
// Prints the process's own resident memory (not the mapped table) before and after each; the target is that every
// closing returns to within 50 MB of the memory before the first evaluation.
#include <cstdio>
#include <cstring>
#include <functional>

#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QDir>

#include "BenchTables.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "evaluation/EvaluationReport.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "session/AppContext.h"

namespace {

class SilentReporter : public Reporter
{
public:
    void error(const QString &, const QString &) override {}
    void information(const QString &, const QString &) override {}
    Answer question(const QString &, const QString &, Buttons) override { return Answer::No; }
};

// The process's own memory: resident pages that are not the table file's
// (the table is mapped, and its pages are the page cache's, shared and
// dropped by the system as it needs).
double statusMegabytes(const char *field);

double residentMegabytes()
{
    return statusMegabytes("RssAnon:");
}

double statusMegabytes(const char *field)
{
    double kilobytes = 0;
    if (FILE *status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            long value = 0;
            if (std::strncmp(line, field, std::strlen(field)) == 0 && std::sscanf(line + std::strlen(field), "%ld", &value) == 1)
                kilobytes = double(value);
        }
        std::fclose(status);
    }
    return kilobytes / 1024.0;
}

// Answers the choice window with the whole period and closes the result
// window as soon as it shows, from inside their event loops.
void answerWindows(ApplicationForms &forms, QTimer &timer)
{
    QObject::connect(&timer, &QTimer::timeout, [&forms] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == forms.MitarbeiterAussuchenForm) {
            forms.MitarbeiterAussuchenForm->DateTimePicker1->setDate(QDate(2000, 1, 1));
            forms.MitarbeiterAussuchenForm->DateTimePicker2->setDate(QDate(2099, 12, 31));
            forms.MitarbeiterAussuchenForm->OkayBtn->click();
        } else if (modal == forms.AuswertenForm) {
            forms.AuswertenForm->BitBtn1->click();
        }
    });
    timer.start(10);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const quint32 rows = argc > 1 ? quint32(QString::fromLocal8Bit(argv[1]).toUInt()) : 1000000;
    QTemporaryDir home;
    const QString dataDir = home.filePath(QStringLiteral("appdata/Korvald/Tagwerk"));
    QDir().mkpath(dataDir);
    QDir().mkpath(home.filePath(QStringLiteral("program")));
    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(dataDir + QStringLiteral("/arbeitszeit.dbf"), rows, clock))
        return 1;
    SilentReporter reporter;
    AppContext context(reporter, clock, home.filePath(QStringLiteral("program")), home.filePath(QStringLiteral("appdata")),
                       std::make_unique<WindowSettingsStore>(home.filePath(QStringLiteral("settings.ini"))));
    ApplicationForms forms(context);
    forms.EinloggenForm->show();
    QApplication::processEvents();
    forms.EinloggenForm->hide();
    QTimer answering;
    answerWindows(forms, answering);

    const double before = residentMegabytes();
    double worst = 0;
    std::printf("%u rows: %.1f MB resident before the first evaluation\n", rows, before);
    const std::pair<const char *, std::function<void()>> steps[] = {
        {"period evaluation", [&] { forms.MainForm->runEvaluation(int(EvaluationReport::Kind::Period)); }},
        {"working-time law check", [&] { forms.MainForm->Arbeitszeitgesetzprfen1Click(); }},
    };
    for (int round = 1; round <= 5; ++round) {
        for (const auto &[name, run] : steps) {
            run();
            const double after = residentMegabytes();
            worst = std::max(worst, after - before);
            std::printf("  round %d, %s closed: %.1f MB (%+.1f MB)\n", round, name, after, after - before);
        }
    }
    std::printf("%u rows: at most %+.1f MB after a result window closed (target: within 50 MB): %s; "
                "peak while open %.1f MB\n",
                rows, worst, worst <= 50 ? "met" : "NOT met", statusMegabytes("VmHWM:"));
    return worst <= 50 ? 0 : 1;
}
