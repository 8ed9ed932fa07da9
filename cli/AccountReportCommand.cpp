#include "AccountReportCommand.h"

#include <QFile>

#include "AccountCommands.h"
#include "CliCommand.h"
#include "evaluation/BookedWork.h"
#include "evaluation/ReportCsvWriter.h"
#include "evaluation/WorkingTimeAccount.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "session/AppContext.h"
#include "storage/AccountText.h"
#include "storage/DateTimeText.h"
#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/translateunit.h"

namespace {

// The bookings into the account: one pass over the work-time table's
// records in file order. False when a record could not be read (the
// table's errorString() says why): an account missing bookings is wrong.
bool readBookings(RecordTable &table, WorkingTimeAccount &account, QDate to)
{
    const int last = DateTimeText::dateNumber(to);
    QString employee;
    return table.refresh() && table.scan([&](const DbfRecord &record) {
        const QByteArrayView datum = record.rawText(WorkTimeTables::Datum);
        const auto number = DateTimeText::parseDateNumber(QLatin1String(datum.data(), datum.size()));
        if (!number || *number > last)
            return true;
        record.text(WorkTimeTables::Arbeiter, employee);
        if (account.hasTarget(employee))
            account.addBooking(employee, QDate(*number / 10000, *number / 100 % 100, *number % 100),
                               BookedWork::seconds(record));
        return true;
    });
}

// Columns padded to their widest cell; the first `leftAligned` to the left.
void writeText(const QString &title, const QStringList &titles, const QList<QStringList> &rows, int leftAligned)
{
    QList<qsizetype> widths;
    for (const QString &cell : titles)
        widths << cell.size();
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    CliOutput out;
    out.writeLine(title);
    out.writeLine(QString());
    const auto line = [&](const QStringList &cells) {
        QString text;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += QStringLiteral("  ");
            text += i < leftAligned ? cells.at(i).leftJustified(widths[i]) : cells.at(i).rightJustified(widths[i]);
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out.writeLine(text);
    };
    line(titles);
    for (const QStringList &row : rows)
        line(row);
}

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

QString time(qint64 seconds)
{
    return AccountText::formatMinutes(WorkingTimeAccount::minutes(seconds));
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

    AccountTables tables = AccountCommand::tablesOf(input.context);
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
    if (!readBookings(table, account, *to)) {
        printError(table.errorString());
        return CliExit::Usage;
    }

    const QString period = DateTimeText::formatDate(*from) + QStringLiteral(" - ") + DateTimeText::formatDate(*to);
    QStringList titles;
    QList<QStringList> rows;
    QString title;
    if (missing) {
        title = TranslateText(QStringLiteral("Fehlende Buchungen")) + QLatin1Char(' ') + period;
        titles = {TranslateText(QStringLiteral("Mitarbeiter")), TranslateText(QStringLiteral("Datum"))};
        for (const WorkingTimeAccount::MissingDay &day : account.missingDays(input.today))
            rows.append({day.employee, DateTimeText::formatDate(day.date)});
    } else {
        title = TranslateText(QStringLiteral("Arbeitszeitkonto")) + QLatin1Char(' ') + period;
        for (const char *column : {"Mitarbeiter", "Monat", "Soll", "Ist", "Angerechnete Abwesenheit", "Differenz",
                                   "Saldo am Monatsende", "Urlaubstage genommen", "Resturlaub am Monatsende"})
            titles << TranslateText(QString::fromUtf8(column));
        for (const WorkingTimeAccount::Month &month : account.months(choice))
            rows.append({month.employee, month.month.toString(QStringLiteral("MM.yyyy")), time(month.target),
                         time(month.worked), time(month.credit), time(month.difference()), time(month.balance),
                         AccountText::formatDays(month.vacationTaken), AccountText::formatDays(month.vacationRemaining)});
    }
    if (format == QLatin1String("csv")) {
        if (!writeCsv(titles, rows))
            return CliExit::Usage;
    } else {
        writeText(title, titles, rows, 2); // employee and month, or employee and date
    }
    return CliExit::Ok;
}
