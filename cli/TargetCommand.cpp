#include "TargetCommand.h"

#include <algorithm>

#include "AccountCommands.h"
#include "CliCommand.h"
#include "session/AppContext.h"
#include "storage/AccountText.h"
#include "storage/DateTimeText.h"
#include "translation/translateunit.h"

namespace {

int list(const AccountCommandInput &input, const AccountData &data)
{
    QList<TargetWeek> rows = data.targets;
    std::stable_sort(rows.begin(), rows.end(), [](const TargetWeek &a, const TargetWeek &b) {
        return a.employee != b.employee ? a.employee.localeAwareCompare(b.employee) < 0 : a.validFrom < b.validFrom;
    });
    CliOutput out;
    for (const TargetWeek &row : std::as_const(rows)) {
        if (input.parser.isSet(QStringLiteral("employee")) && row.employee != input.parser.value(QStringLiteral("employee")))
            continue;
        QString line;
        appendEscapedField(line, row.employee);
        line += QLatin1Char('\t') + DateTimeText::formatDate(row.validFrom);
        for (const int minutes : row.minutes)
            line += QLatin1Char('\t') + AccountText::formatMinutes(minutes);
        line += QLatin1Char('\t') + AccountText::formatDays(row.vacationDays) + QLatin1Char('\t')
            + AccountText::formatMinutes(row.openingBalance);
        out.writeLine(line);
    }
    return CliExit::Ok;
}

// The row the new one follows, whose entitlement and balance it keeps
// unless told otherwise.
const TargetWeek *previousRow(const AccountData &data, const QString &employee, QDate validFrom)
{
    const TargetWeek *previous = nullptr;
    for (const TargetWeek &row : data.targets) {
        if (row.employee == employee && row.validFrom <= validFrom && (!previous || row.validFrom > previous->validFrom))
            previous = &row;
    }
    return previous;
}

int set(const AccountCommandInput &input, AccountTables &tables, const AccountData &data)
{
    const QCommandLineParser &parser = input.parser;
    for (const char *required : {"employee", "valid-from", "week"}) {
        if (!parser.isSet(QLatin1String(required)))
            return AccountCommand::usage(input, TranslateText(QStringLiteral("%1 braucht --%2")).arg(input.command, QLatin1String(required)));
    }
    TargetWeek row;
    row.employee = parser.value(QStringLiteral("employee"));
    if (row.employee.trimmed().isEmpty() || hasControlCharacter(row.employee))
        return AccountCommand::usage(input, TranslateText(QStringLiteral("--employee nimmt einen Namen in einer Zeile")));
    const auto validFrom = AccountCommand::dateOption(input, "valid-from");
    if (!validFrom)
        return CliExit::Usage;
    row.validFrom = *validFrom;
    const QStringList week = parser.value(QStringLiteral("week")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    constexpr int MinutesPerDay = 24 * 60;
    for (int day = 0; day < 7 && week.size() == 7; ++day) {
        const auto minutes = AccountText::parseMinutes(week.at(day));
        row.minutes[size_t(day)] = minutes && *minutes <= MinutesPerDay ? *minutes : -1;
    }
    if (week.size() != 7 || std::any_of(row.minutes.cbegin(), row.minutes.cend(), [](int m) { return m < 0; }))
        return AccountCommand::usage(input, TranslateText(QStringLiteral("--week nimmt sieben Zeiten H:MM von Montag bis Sonntag")));
    const TargetWeek *previous = previousRow(data, row.employee, row.validFrom);
    row.vacationDays = previous ? previous->vacationDays : 0;
    row.openingBalance = previous ? previous->openingBalance : 0;
    if (parser.isSet(QStringLiteral("vacation-days"))) {
        const auto days = AccountText::parseDays(parser.value(QStringLiteral("vacation-days")));
        if (!days)
            return AccountCommand::usage(input, TranslateText(QStringLiteral("--vacation-days nimmt ganze oder halbe Tage")));
        row.vacationDays = *days;
    }
    if (parser.isSet(QStringLiteral("opening-balance"))) {
        const auto balance = AccountText::parseMinutes(parser.value(QStringLiteral("opening-balance")), true);
        if (!balance)
            return AccountCommand::usage(input, TranslateText(QStringLiteral("--opening-balance nimmt [-]H:MM")));
        row.openingBalance = *balance;
    }
    const auto password = AccountCommand::adminPassword(input);
    if (!password)
        return CliExit::Usage;
    AccountCommand::enterChangesInHistory(input.context, tables);
    AccountChanges changes(tables, input.context.closedPeriod(), input.context.userList());
    return AccountCommand::changeResult(changes.setTarget(row, *password),
                                        TranslateText(QStringLiteral("Sollzeit gespeichert: %1 ab %2"))
                                            .arg(row.employee, DateTimeText::formatDate(row.validFrom)));
}

int remove(const AccountCommandInput &input, AccountTables &tables)
{
    if (!input.parser.isSet(QStringLiteral("employee")))
        return AccountCommand::usage(input, TranslateText(QStringLiteral("%1 braucht --%2")).arg(input.command, QStringLiteral("employee")));
    const QString employee = input.parser.value(QStringLiteral("employee"));
    const auto validFrom = AccountCommand::dateOption(input, "valid-from");
    if (!validFrom)
        return CliExit::Usage;
    const auto password = AccountCommand::adminPassword(input);
    if (!password)
        return CliExit::Usage;
    AccountCommand::enterChangesInHistory(input.context, tables);
    AccountChanges changes(tables, input.context.closedPeriod(), input.context.userList());
    return AccountCommand::changeResult(changes.removeTarget(employee, *validFrom, *password),
                                        TranslateText(QStringLiteral("Sollzeit gelöscht: %1 ab %2"))
                                            .arg(employee, DateTimeText::formatDate(*validFrom)));
}

} // namespace

int runTarget(const AccountCommandInput &input)
{
    AccountTables tables = input.context.accountTables();
    AccountData data;
    if (!tables.read(data)) {
        printError(tables.errorString());
        return CliExit::Usage;
    }
    if (input.command.endsWith(QLatin1String(" list")))
        return list(input, data);
    if (input.command.endsWith(QLatin1String(" remove")))
        return remove(input, tables);
    return set(input, tables, data);
}
