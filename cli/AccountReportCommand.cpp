#include "AccountReportCommand.h"

#include <QFile>

#include "AccountCommands.h"
#include "CliCommand.h"
#include "evaluation/AccountReport.h"
#include "evaluation/ReportCsvWriter.h"
#include "evaluation/WorkingTimeAccount.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "session/AppContext.h"
#include "storage/RecordTable.h"
#include "translation/translateunit.h"

namespace {

bool writeCsv(const QStringList &titles, const QList<QStringList> &rows)
{
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return false;
    ReportCsvWriter writer(&out);
    writer.writeColumnTitles(titles);
    for (const QStringList &row : rows)
        writer.writeRecord(row);
    return writer.finish();
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
    if (format != QLatin1String("text") && format != QLatin1String("csv"))
        return AccountCommand::usage(input, TranslateText(QStringLiteral("--format nimmt text oder csv")));

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
    if (format == QLatin1String("csv")) {
        if (!writeCsv(report.columnTitles, report.rows))
            return CliExit::Usage;
    } else {
        CliOutput out;
        for (const QString &line : report.textLines())
            out.writeLine(line);
    }
    return CliExit::Ok;
}
