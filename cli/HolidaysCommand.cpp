#include "HolidaysCommand.h"

#include "AccountCommands.h"
#include "CliCommand.h"
#include "evaluation/HolidayCalendar.h"
#include "session/AppContext.h"
#include "storage/DateTimeText.h"
#include "translation/translateunit.h"

namespace {

constexpr int FirstYear = 1583; // the first whole year of the Gregorian calendar
constexpr int LastYear = 9999;

int list(const AccountCommandInput &input, const AccountData &data)
{
    bool ok = false;
    const int year = input.parser.value(QStringLiteral("year")).toInt(&ok);
    if (!input.parser.isSet(QStringLiteral("year")) || !ok || year < FirstYear || year > LastYear)
        return AccountCommand::usage(input, TranslateText(QStringLiteral("--year nimmt ein Jahr von %1 bis %2"))
                                                .arg(FirstYear)
                                                .arg(LastYear));
    QString state = data.state;
    QList<FirmDay> firmDays = data.firmDays;
    if (input.parser.isSet(QStringLiteral("state"))) {
        state = input.parser.value(QStringLiteral("state"));
        if (!PublicHolidays::isStateCode(state))
            return AccountCommand::usage(input, TranslateText(QStringLiteral("--state nimmt eines der Länderkürzel %1"))
                                                    .arg(PublicHolidays::stateCodes().join(QLatin1Char(' '))));
        // Another state's list is that state's alone.
        if (state != data.state)
            firmDays.clear();
    }
    CliOutput out;
    for (const Holiday &day : HolidayCalendar(state, firmDays).holidays(year))
        out.writeLine(DateTimeText::formatDate(day.date) + QLatin1Char('\t')
                      + (day.firmDay ? day.name : TranslateText(day.name)));
    return CliExit::Ok;
}

} // namespace

int runHolidays(const AccountCommandInput &input)
{
    AccountTables tables = input.context.accountTables();
    const QString sub = input.command.section(QLatin1Char(' '), 1);
    if (sub.isEmpty()) {
        AccountData data;
        if (!tables.read(data)) {
            printError(tables.errorString());
            return CliExit::Usage;
        }
        return list(input, data);
    }
    if (input.positional.isEmpty())
        return AccountCommand::usage(input, TranslateText(QStringLiteral("Es fehlt ein Argument")));
    const QString first = input.positional.first();
    std::optional<QDate> date;
    if (sub != QLatin1String("set-state")) {
        date = parseDateArgument(first);
        if (!date)
            return AccountCommand::usage(input, TranslateText(QStringLiteral("Das Datum nimmt DD.MM.YYYY oder YYYY-MM-DD")));
    } else if (!PublicHolidays::isStateCode(first)) {
        return AccountCommand::usage(input, TranslateText(QStringLiteral("Das Land ist eines der Kürzel %1"))
                                                .arg(PublicHolidays::stateCodes().join(QLatin1Char(' '))));
    }
    const QString name = input.positional.value(1).trimmed();
    if (sub == QLatin1String("add-day") && (name.isEmpty() || hasControlCharacter(name)))
        return AccountCommand::usage(input, TranslateText(QStringLiteral("add-day braucht einen Namen in einer Zeile")));
    const auto password = AccountCommand::adminPassword(input);
    if (!password)
        return CliExit::Usage;
    AccountCommand::enterChangesInHistory(input.context, tables);
    AccountChanges changes(tables, input.context.closedPeriod(), input.context.userList());
    if (sub == QLatin1String("set-state"))
        return AccountCommand::changeResult(changes.setState(first, *password),
                                            TranslateText(QStringLiteral("Bundesland der Firma: %1")).arg(first));
    if (sub == QLatin1String("add-day"))
        return AccountCommand::changeResult(changes.setFirmDay({*date, name}, *password),
                                            TranslateText(QStringLiteral("Tag der Firma gespeichert: %1 %2"))
                                                .arg(DateTimeText::formatDate(*date), name));
    return AccountCommand::changeResult(changes.removeFirmDay(*date, *password),
                                        TranslateText(QStringLiteral("Tag der Firma entfernt: %1")).arg(DateTimeText::formatDate(*date)));
}
