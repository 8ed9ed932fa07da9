#include "WorkingTimeLawCommand.h"

#include <cstdio>
#include <memory>

#include <QFile>
#include <QSaveFile>

#include "CliCommand.h"
#include "ReportCommand.h"
#include "session/AppContext.h"
#include "evaluation/EvaluationReport.h"
#include "evaluation/ReportCsvWriter.h"
#include "print/ReportPainter.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "recording/ChangeLog.h"
#include "translation/translateunit.h"

namespace {

int usage(const QString &message)
{
    printError(QStringLiteral("tagwerk-cli report: ") + message);
    return CliExit::Usage;
}

// Text and CSV go out line by line as the check writes them: to standard
// output, or to a file that replaces the old one only once it is complete.
bool writeStreamed(const WorkingTimeLawCheck &check, const ReportCommandOptions &options)
{
    const bool console = options.output.isEmpty();
    QFile standardOutput;
    QSaveFile file(options.output);
    QIODevice *device = console ? static_cast<QIODevice *>(&standardOutput) : &file;
    if (!(console ? standardOutput.open(stdout, QIODevice::WriteOnly) : file.open(QIODevice::WriteOnly)))
        return false;
    bool ok = true;
    if (options.format == QLatin1String("text")) {
        const auto write = [&ok, device](const QByteArray &bytes) { ok = ok && device->write(bytes) == bytes.size(); };
        check.writeReport([&write](const QString &line) { write(line.toUtf8() + '\n'); });
    } else {
        // The same CSV as the other evaluations, formula guard included; the
        // check's first row is the heading.
        ReportCsvWriter csv(device);
        check.writeCsv([&csv](const QStringList &row) { csv.writeRecord(row); });
        ok = csv.finish();
    }
    return ok && (console ? standardOutput.flush() : file.commit());
}

// The printout lays out pages from all lines at once.
bool writePdf(const WorkingTimeLawCheck &check, const QString &path, const QString &footer)
{
    QStringList lines;
    check.writeReport([&lines](const QString &line) { lines << line; });
    return ReportPainter::writePdf(path, lines, ProgramText(6), footer);
}

} // namespace

int runWorkingTimeLawReport(AppContext &context, const ReportCommandOptions &options)
{
    if (options.breaks)
        return usage(TranslateText(QStringLiteral("--breaks und --no-breaks passen nicht zu worktime-law")));
    const auto from = parseDateArgument(options.from);
    const auto to = parseDateArgument(options.to);
    if (!from || !to)
        return usage(TranslateText(QStringLiteral("--from und --to nehmen DD.MM.YYYY oder YYYY-MM-DD")));
    // Checked in the words of the choice window, which refuses it too.
    if (*from > *to)
        return usage(TranslateText(WorkingTimeLawCheck::reversedPeriodText()));
    if (options.format != QLatin1String("text") && options.format != QLatin1String("csv")
        && options.format != QLatin1String("pdf"))
        return usage(TranslateText(QStringLiteral("--format nimmt text, csv oder pdf")));
    if (options.format == QLatin1String("pdf") && options.output.isEmpty())
        return usage(TranslateText(QStringLiteral("Ein PDF braucht --output DATEI")));

    RecordTable &table = context.store().bookings();
    WorkingTimeLawCheck::Options check;
    check.from = *from;
    check.to = *to;
    // Bookings stored in the hours-only mode stay hours when the option has
    // been switched off since, so either reading can be asked for.
    check.hoursOnly = options.hoursOnly.value_or(context.onlyHours);
    check.locale = QLocale::system();
    const auto calendar = std::make_shared<HolidayCalendar>(context.holidayCalendar());
    check.isHoliday = [calendar](QDate date) { return calendar->isHoliday(date); };
    // The choice window's first entry, "(alle Mitarbeiter)", is all employees here too.
    if (options.choice && *options.choice != TranslateText(WorkingTimeLawCheck::allEmployeesText())) {
        bool readOk = true;
        const QStringList employees = EvaluationReport::choiceList(
            table, EvaluationReport::Kind::Employee, options.hideDeleted.value_or(context.hideDeletedEmployees),
            context.userList().users, &readOk);
        if (!readOk) {
            printError(table.errorString());
            return CliExit::Usage;
        }
        if (!employees.contains(*options.choice))
            return usage(TranslateText(QStringLiteral("'%1' ist keiner der Mitarbeiter")).arg(*options.choice));
        check.employee = *options.choice;
    }

    WorkingTimeLawCheck law(check, {&ProgramText, &TranslateText});
    if (!law.read(table)) {
        printError(law.errorString());
        return CliExit::Usage;
    }
    const bool written = options.format == QLatin1String("pdf") ? writePdf(law, options.output, context.historyChecksumLine()) : writeStreamed(law, options);
    if (!written) {
        printError(QStringLiteral("tagwerk-cli report: ")
                   + TranslateText(QStringLiteral("'%1' kann nicht geschrieben werden")).arg(options.output));
        return CliExit::Usage;
    }
    return CliExit::Ok;
}
