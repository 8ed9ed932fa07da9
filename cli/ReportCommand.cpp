#include "ReportCommand.h"

#include <cstdio>

#include <QFile>
#include <QSaveFile>

#include "CliCommand.h"
#include "WorkingTimeLawCommand.h"
#include "app/AppContext.h"
#include "evaluation/EvaluationReport.h"
#include "evaluation/ReportPainter.h"
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

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty()) {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
               && std::fflush(stdout) == 0;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

int runReport(AppContext &context, const ReportCommandOptions &options)
{
    if (options.kind == QLatin1String("worktime-law"))
        return runWorkingTimeLawReport(context, options);
    const auto kind = kindNamed(options.kind);
    if (!kind)
        return usage(QStringLiteral("KIND is employee, place, activity, period, period-by-place or worktime-law"));
    const auto from = parseDateArgument(options.from);
    const auto to = parseDateArgument(options.to);
    if (!from || !to)
        return usage(QStringLiteral("--from and --to take DD.MM.YYYY or YYYY-MM-DD"));
    if (options.format != QLatin1String("text") && options.format != QLatin1String("csv")
        && options.format != QLatin1String("pdf"))
        return usage(QStringLiteral("--format takes text, csv or pdf"));
    if (options.format == QLatin1String("pdf") && options.output.isEmpty())
        return usage(QStringLiteral("a PDF needs --output FILE"));

    DbfTable &table = context.tables().Dbf1;
    EvaluationReport::Options report;
    report.kind = *kind;
    report.from = *from;
    report.to = *to;
    report.showBreaks = options.breaks.value_or(context.userList().listBreakTime);
    report.locale = QLocale::system();
    report.withValues = options.format == QLatin1String("csv");
    if (EvaluationReport::hasChoiceList(*kind)) {
        const QStringList choices = EvaluationReport::choiceList(
            table, *kind, options.hideDeleted.value_or(context.hideDeletedEmployees), context.userList().users);
        if (choices.isEmpty()) {
            printError(ProgramText(EvaluationReport::emptyChoiceProgramText(*kind)));
            return CliExit::Refused;
        }
        if (options.choice && !choices.contains(*options.choice))
            return usage(QStringLiteral("'%1' is not among the choices of this evaluation").arg(*options.choice));
        report.choice = options.choice.value_or(choices.first());
    } else if (options.choice) {
        return usage(QStringLiteral("--choice does not go with %1").arg(options.kind));
    }

    const EvaluationReport::Report built = EvaluationReport::build(table, report, &ProgramText);
    bool written = false;
    if (options.format == QLatin1String("text"))
        written = writeBytes(options.output, (built.lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    else if (options.format == QLatin1String("csv"))
        written = writeBytes(options.output, EvaluationReport::toCsv(built));
    else
        written = ReportPainter::writePdf(options.output, built.lines, ProgramText(6));
    if (!written) {
        printError(QStringLiteral("tagwerk-cli report: cannot write '%1'").arg(options.output));
        return CliExit::Usage;
    }
    return CliExit::Ok;
}
