#include "AbsenceCommand.h"

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
    const QCommandLineParser &parser = input.parser;
    std::optional<QDate> from;
    std::optional<QDate> to;
    if (parser.isSet(QStringLiteral("from")) || parser.isSet(QStringLiteral("to"))) {
        from = AccountCommand::dateOption(input, "from");
        to = from ? AccountCommand::dateOption(input, "to") : std::nullopt;
        if (!from || !to)
            return CliExit::Usage;
    }
    QList<Absence> absences = data.absences;
    std::stable_sort(absences.begin(), absences.end(), [](const Absence &a, const Absence &b) {
        return a.employee != b.employee ? a.employee.localeAwareCompare(b.employee) < 0 : a.from < b.from;
    });
    const QString halfDay = TranslateText(QStringLiteral("halber Tag"));
    CliOutput out;
    for (const Absence &absence : std::as_const(absences)) {
        if (parser.isSet(QStringLiteral("employee")) && absence.employee != parser.value(QStringLiteral("employee")))
            continue;
        if (from && (absence.to < *from || absence.from > *to))
            continue;
        QString line;
        appendEscapedField(line, absence.employee);
        line += QLatin1Char('\t') + DateTimeText::formatDate(absence.from) + QLatin1Char('\t')
            + DateTimeText::formatDate(absence.to) + QLatin1Char('\t')
            + TranslateText(AccountText::kindTitle(absence.kind)) + QLatin1Char('\t')
            + (absence.halfDay ? halfDay : QString());
        out.writeLine(line);
    }
    return CliExit::Ok;
}

} // namespace

int runAbsence(const AccountCommandInput &input)
{
    AccountTables tables = input.context.accountTables();
    if (input.command.endsWith(QLatin1String(" list"))) {
        AccountData data;
        if (!tables.read(data)) {
            printError(tables.errorString());
            return CliExit::Usage;
        }
        return list(input, data);
    }
    const QCommandLineParser &parser = input.parser;
    const bool adding = input.command.endsWith(QLatin1String(" add"));
    for (const char *required : {"employee", "from", "to", "kind"}) {
        if ((adding || QLatin1String(required) != QLatin1String("kind")) && !parser.isSet(QLatin1String(required)))
            return AccountCommand::usage(input, TranslateText(QStringLiteral("%1 braucht --%2")).arg(input.command, QLatin1String(required)));
    }
    const QString employee = parser.value(QStringLiteral("employee"));
    const auto from = AccountCommand::dateOption(input, "from");
    const auto to = from ? AccountCommand::dateOption(input, "to") : std::nullopt;
    if (!from || !to)
        return CliExit::Usage;
    std::optional<AbsenceKind> kind;
    if (adding) {
        kind = AccountText::kindNamed(parser.value(QStringLiteral("kind")));
        if (!kind)
            return AccountCommand::usage(input, TranslateText(QStringLiteral("--kind nimmt vacation, sick, leave oder unpaid")));
    }
    const auto password = AccountCommand::adminPassword(input);
    if (!password)
        return CliExit::Usage;
    AccountCommand::enterChangesInHistory(input.context, tables);
    AccountChanges changes(tables, input.context.closedPeriod(), input.context.userList());
    const QString range = DateTimeText::formatDate(*from) + QStringLiteral("–") + DateTimeText::formatDate(*to);
    if (!adding)
        return AccountCommand::changeResult(changes.removeAbsence(employee, *from, *to, *password),
                                            TranslateText(QStringLiteral("Abwesenheit entfernt: %1 %2")).arg(employee, range));
    const Absence absence{employee, *from, *to, *kind, parser.isSet(QStringLiteral("half-day"))};
    return AccountCommand::changeResult(changes.addAbsence(absence, *password),
                                        TranslateText(QStringLiteral("Abwesenheit gespeichert: %1 %2")).arg(employee, range));
}
