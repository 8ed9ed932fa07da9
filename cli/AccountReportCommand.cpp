#include "AccountReportCommand.h"

#include "AccountCommands.h"
#include "CliCommand.h"
#include "StreamedReport.h"
#include "evaluation/AccountReport.h"
#include "evaluation/ReportCsvWriter.h"
#include "evaluation/ReportTextWriter.h"
#include "evaluation/WorkingTimeAccount.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "print/ReportPainter.h"
#include "session/AppContext.h"
#include "storage/RecordTable.h"
#include "translation/translateunit.h"

namespace {

bool write(const AccountReport &report, const QString &format, const QString &path, AppContext &context)
{
    if (format == QLatin1String("pdf"))
        return ReportPainter::writePdf(path, report.textLines(), report.title, context.historyChecksumLine());
    const auto produce = [&report](ReportSink &sink) {
        if (sink.wantsRecords()) {
            sink.writeColumnTitles(report.columnTitles);
            for (const QStringList &row : report.rows)
                sink.writeRecord(row);
        } else {
            for (const QString &line : report.textLines())
                sink.writeLine(line);
        }
        return true;
    };
    return format == QLatin1String("csv") ? writeStreamed<ReportCsvWriter>(path, produce)
                                          : writeStreamed<ReportTextWriter>(path, produce);
}

} // namespace

int runAccountReport(const AccountCommandInput &input)
{
    const QCommandLineParser &parser = input.parser;
    const bool missing = input.command.endsWith(QLatin1String(" missing"));
    const auto from = AccountCommand::dateOption(input, "from");
    const auto to = from ? AccountCommand::dateOption(input, "to") : std::nullopt;
    if (!from || !to)
        return CliExit::Usage;
    if (*from > *to)
        return AccountCommand::usage(input, TranslateText(WorkingTimeLawCheck::reversedPeriodText()));
    const QString format = parser.isSet(QStringLiteral("format")) ? parser.value(QStringLiteral("format")) : QStringLiteral("text");
    if (format != QLatin1String("text") && format != QLatin1String("csv") && format != QLatin1String("pdf"))
        return AccountCommand::usage(input, TranslateText(QStringLiteral("--format nimmt text, csv oder pdf")));
    const QString output = parser.value(QStringLiteral("output"));
    if (format == QLatin1String("pdf") && output.isEmpty())
        return AccountCommand::usage(input, TranslateText(QStringLiteral("Ein PDF braucht --output DATEI")));

    AccountTables tables = input.context.accountTables();
    AccountData data;
    if (!tables.read(data)) {
        printError(tables.errorString());
        return CliExit::Usage;
    }
    WorkingTimeAccount account(data, *from, *to);
    std::optional<QString> choice;
    if (parser.isSet(QStringLiteral("choice"))) {
        choice = parser.value(QStringLiteral("choice"));
        if (!account.hasTarget(*choice))
            return AccountCommand::usage(input, TranslateText(QStringLiteral("'%1' hat keine Sollzeit")).arg(*choice));
    }
    if (!input.context.openForReading())
        return CliExit::Usage; // the reason is reported
    RecordTable &table = input.context.store().bookings();
    if (!AccountReport::readBookings(table, account, *to)) {
        printError(table.errorString());
        return CliExit::Usage;
    }

    const AccountReport report(missing ? AccountReport::Kind::Missing : AccountReport::Kind::Account, account, *from,
                               *to, input.today, choice);
    if (!write(report, format, output, input.context)) {
        printError(QStringLiteral("tagwerk-cli report: ")
                   + TranslateText(QStringLiteral("'%1' kann nicht geschrieben werden")).arg(output));
        return CliExit::Usage;
    }
    return CliExit::Ok;
}
