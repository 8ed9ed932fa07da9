#include "ReportCommand.h"

#include <cstdio>

#include <QFile>

#include "CliCommand.h"
#include "StreamedReport.h"
#include "WorkingTimeLawCommand.h"
#include "session/AppContext.h"
#include "evaluation/EvaluationReport.h"
#include "evaluation/ReportCsvWriter.h"
#include "print/ReportPainter.h"
#include "evaluation/ReportTextWriter.h"
#include "recording/ChangeLog.h"
#include "storage/DateTimeText.h"
#include "translation/translateunit.h"

namespace {

using EvaluationReport::Kind;

std::optional<Kind> kindNamed(const QString &name)
{
    if (name == QLatin1String("employee"))
        return Kind::Employee;
    if (name == QLatin1String("place"))
        return Kind::Place;
    if (name == QLatin1String("activity"))
        return Kind::Activity;
    if (name == QLatin1String("period"))
        return Kind::Period;
    if (name == QLatin1String("period-by-place"))
        return Kind::PeriodByPlace;
    return std::nullopt;
}


int usage(const QString &message)
{
    printError(QStringLiteral("tagwerk-cli report: ") + message);
    return CliExit::Usage;
}

int unreadable(const RecordTable &table)
{
    printError(table.errorString());
    return CliExit::Usage;
}

} // namespace

int runReport(AppContext &context, const ReportCommandOptions &options)
{
    // Checked first, for every kind: a report never goes over the table or its companions.
    if (const auto refusal = context.ownFileRefusal(options.output))
        return usage(*refusal);
    if (options.kind == QLatin1String("worktime-law"))
        return runWorkingTimeLawReport(context, options);
    const auto kind = kindNamed(options.kind);
    if (!kind)
        return usage(TranslateText(QStringLiteral("KIND ist employee, place, activity, period, period-by-place oder worktime-law")));
    if (options.hoursOnly)
        return usage(TranslateText(QStringLiteral("--hours-only und --no-hours-only gelten nur für worktime-law")));
    const auto from = parseDateArgument(options.from);
    const auto to = parseDateArgument(options.to);
    if (!from || !to)
        return usage(TranslateText(QStringLiteral("--from und --to nehmen DD.MM.YYYY oder YYYY-MM-DD")));
    if (options.format != QLatin1String("text") && options.format != QLatin1String("csv")
        && options.format != QLatin1String("pdf"))
        return usage(TranslateText(QStringLiteral("--format nimmt text, csv oder pdf")));
    if (options.format == QLatin1String("pdf") && options.output.isEmpty())
        return usage(TranslateText(QStringLiteral("Ein PDF braucht --output DATEI")));

    RecordTable &table = context.store().bookings();
    EvaluationReport::Options report;
    report.kind = *kind;
    report.from = *from;
    report.to = *to;
    report.showBreaks = options.breaks.value_or(context.userList().listBreakTime);
    report.locale = QLocale::system();
    if (EvaluationReport::hasChoiceList(*kind)) {
        // Only as much of the choice list as the command needs: its first
        // entry, or the given choice's first appearance.
        const bool hideDeleted = options.hideDeleted.value_or(context.hideDeletedEmployees);
        const QList<UserRow> &users = context.userList().users;
        bool readOk = true;
        const auto first = EvaluationReport::firstChoice(table, *kind, hideDeleted, users, &readOk);
        if (!readOk)
            return unreadable(table);
        if (!first) {
            printError(ProgramText(EvaluationReport::emptyChoiceProgramText(*kind)));
            return CliExit::Refused;
        }
        if (options.choice && !EvaluationReport::isChoice(table, *kind, *options.choice, hideDeleted, users, &readOk))
            return readOk ? usage(TranslateText(QStringLiteral("'%1' ist keine der Auswahlmöglichkeiten dieser Auswertung"))
                                      .arg(*options.choice))
                          : unreadable(table);
        report.choice = options.choice.value_or(*first);
    } else if (options.choice) {
        return usage(doesNotGoWith(QStringLiteral("choice"), options.kind));
    }

    bool failed = false;
    const auto produce = [&](ReportSink &sink) {
        failed = EvaluationReport::write(table, report, &ProgramText, sink) == EvaluationReport::Outcome::Failed;
        return !failed;
    };
    bool written = false;
    if (options.format == QLatin1String("text")) {
        written = writeStreamed<ReportTextWriter>(options.output, produce);
    } else if (options.format == QLatin1String("csv")) {
        written = writeStreamed<ReportCsvWriter>(options.output, produce);
    } else {
        written = ReportPainter::writePdf(
            options.output, ProgramText(6),
            produce, context.historyChecksumLine(), {ProgramText(36), ProgramText(42)});
    }
    // What was written of a report whose table failed is no report.
    if (failed) {
        if (options.format == QLatin1String("pdf"))
            QFile::remove(options.output); // pages of part of a report
        return unreadable(table);
    }
    if (!written) {
        printError(QStringLiteral("tagwerk-cli report: ")
                   + TranslateText(QStringLiteral("'%1' kann nicht geschrieben werden")).arg(options.output));
        return CliExit::Usage;
    }
    return CliExit::Ok;
}
