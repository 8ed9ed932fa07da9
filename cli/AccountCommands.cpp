#include "AccountCommands.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "AbsenceCommand.h"
#include "AccountReportCommand.h"
#include "CliCommand.h"
#include "HolidaysCommand.h"
#include "PasswordInput.h"
#include "ServerCommands.h"
#include "TargetCommand.h"
#include "base/Clock.h"
#include "session/AppContext.h"
#include "storage/AccountTables.h"
#include "translation/translateunit.h"

namespace {

const char *const HelpText =
    "Usage: tagwerk-cli [--db DIR | --server CONNINFO] [--lang de|en|es] COMMAND [OPTIONS]\n"
    "\n"
    "The working-time account (a help, not legal or payroll advice). Every\n"
    "change asks for --admin-password - (read from standard input).\n"
    "\n"
    "  holidays --year YYYY [--state XX]\n"
    "      The holidays of a year, DD.MM.YYYY<TAB>name a line, in date order:\n"
    "      those of the firm's state (or of XX) and the firm's own days.\n"
    "      States: BW BY BE BB HB HH HE MV NI NW RP SL SN ST SH TH.\n"
    "  holidays set-state XX | add-day DATE NAME | remove-day DATE\n"
    "  target set --employee NAME --valid-from DATE --week \"H:MM x7\"\n"
    "       [--vacation-days N] [--opening-balance [-]H:MM]\n"
    "      The target week Monday to Sunday from DATE on; the days of vacation\n"
    "      a year and the balance at the first row's date.\n"
    "  target remove --employee NAME --valid-from DATE\n"
    "      Removes the employee's target week of that valid-from date.\n"
    "  target list [--employee NAME]\n"
    "  absence add --employee NAME --from DATE --to DATE\n"
    "       --kind vacation|sick|leave|unpaid [--half-day]\n"
    "  absence remove --employee NAME --from DATE --to DATE\n"
    "  absence list [--employee NAME] [--from DATE --to DATE]\n"
    "  report account --from DATE --to DATE [--choice NAME]\n"
    "       [--format text|csv|pdf] [--output FILE]\n"
    "      Per employee and month: target, worked, credited absence,\n"
    "      difference, balance at the month's end, vacation days taken and left.\n"
    "  report missing --from DATE --to DATE [--format text|csv|pdf] [--output FILE]\n"
    "      Days up to yesterday with a target, no booking, absence or holiday.\n";

struct CommandForm
{
    const char *command;
    const char *sub; // empty: none
    QStringList options;
    int maxPositional; // after command and sub
};

const QList<CommandForm> &forms()
{
    static const QList<CommandForm> list = {
        {"holidays", "", {QStringLiteral("year"), QStringLiteral("state")}, 0},
        {"holidays", "set-state", {QStringLiteral("admin-password")}, 1},
        {"holidays", "add-day", {QStringLiteral("admin-password")}, 2},
        {"holidays", "remove-day", {QStringLiteral("admin-password")}, 1},
        {"target", "set", {QStringLiteral("employee"), QStringLiteral("valid-from"), QStringLiteral("week"),
                           QStringLiteral("vacation-days"), QStringLiteral("opening-balance"),
                           QStringLiteral("admin-password")}, 0},
        {"target", "remove", {QStringLiteral("employee"), QStringLiteral("valid-from"), QStringLiteral("admin-password")}, 0},
        {"target", "list", {QStringLiteral("employee")}, 0},
        {"absence", "add", {QStringLiteral("employee"), QStringLiteral("from"), QStringLiteral("to"),
                            QStringLiteral("kind"), QStringLiteral("half-day"), QStringLiteral("admin-password")}, 0},
        {"absence", "remove", {QStringLiteral("employee"), QStringLiteral("from"), QStringLiteral("to"),
                               QStringLiteral("admin-password")}, 0},
        {"absence", "list", {QStringLiteral("employee"), QStringLiteral("from"), QStringLiteral("to")}, 0},
        {"report", "account", {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("choice"),
                               QStringLiteral("format"), QStringLiteral("output")}, 0},
        {"report", "missing", {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("format"),
                               QStringLiteral("output")}, 0},
    };
    return list;
}

// The command's words among the arguments: the first that is no option or
// an option's value. Nothing for a command of the other kind.
std::optional<QStringList> commandWords(const QStringList &arguments)
{
    static const QStringList withValue = {QStringLiteral("--db"), QStringLiteral("--lang"), QStringLiteral("--server"),
                                          QStringLiteral("--server-password")};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (withValue.contains(argument)) {
            ++i;
            continue;
        }
        if (argument.startsWith(QLatin1String("--db=")) || argument.startsWith(QLatin1String("--lang="))
            || argument.startsWith(QLatin1String("--server=")) || argument.startsWith(QLatin1String("--server-password=")))
            continue;
        if (argument.startsWith(QLatin1Char('-')))
            return std::nullopt; // the other commands' options come after their word
        if (argument == QLatin1String("holidays") || argument == QLatin1String("target")
            || argument == QLatin1String("absence"))
            return QStringList{argument};
        if (argument == QLatin1String("report") && i + 1 < arguments.size()
            && (arguments.at(i + 1) == QLatin1String("account") || arguments.at(i + 1) == QLatin1String("missing")))
            return QStringList{argument, arguments.at(i + 1)};
        return std::nullopt;
    }
    return std::nullopt;
}

int dispatch(AccountCommandInput &input)
{
    const QString word = input.command.section(QLatin1Char(' '), 0, 0);
    if (word == QLatin1String("holidays"))
        return runHolidays(input);
    if (word == QLatin1String("target"))
        return runTarget(input);
    if (word == QLatin1String("absence"))
        return runAbsence(input);
    return runAccountReport(input);
}

} // namespace

std::optional<int> runAccountCommand(AppContext &context, const Clock &clock, const QStringList &arguments)
{
    const auto words = commandWords(arguments);
    if (!words)
        return std::nullopt;

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const char *name : {"db", "lang", "year", "state", "employee", "valid-from", "week", "vacation-days",
                             "opening-balance", "from", "to", "kind", "choice", "format", "output", "admin-password", "server",
                             "server-password"})
        parser.addOption(QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value")));
    parser.addOption(QCommandLineOption(QStringLiteral("half-day")));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    if (!parser.parse(arguments))
        return usageError(parseError(parser));
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(HelpText, stdout);
        return CliExit::Ok;
    }

    // The command and its sub-command: "holidays" alone lists.
    QStringList positional = parser.positionalArguments();
    QString command = positional.takeFirst();
    QString sub;
    if (!positional.isEmpty())
        sub = positional.takeFirst();
    const CommandForm *form = nullptr;
    for (const CommandForm &each : forms()) {
        if (command == QLatin1String(each.command) && sub == QLatin1String(each.sub))
            form = &each;
    }
    if (!form)
        return usageError(sub.isEmpty() ? TranslateText(QStringLiteral("%1 braucht einen Unterbefehl")).arg(command)
                                        : TranslateText(QStringLiteral("Unbekannter Befehl '%1'")).arg(command + QLatin1Char(' ') + sub));
    if (positional.size() > form->maxPositional)
        return usageError(TranslateText(QStringLiteral("Unerwartetes Argument '%1'")).arg(positional.last()));
    const QString fullCommand = sub.isEmpty() ? command : command + QLatin1Char(' ') + sub;
    static const QStringList everywhere = {QStringLiteral("db"), QStringLiteral("lang"), QStringLiteral("server"),
                                           QStringLiteral("server-password")};
    for (const QString &name : parser.optionNames()) {
        if (!everywhere.contains(name) && !form->options.contains(name))
            return usageError(doesNotGoWith(name, fullCommand));
    }
    std::optional<int> language;
    if (parser.isSet(QStringLiteral("lang"))) {
        const QString code = parser.value(QStringLiteral("lang"));
        language = code == QLatin1String("de")   ? std::optional<int>(TranslationDictionary::German)
                 : code == QLatin1String("en") ? std::optional<int>(TranslationDictionary::English)
                 : code == QLatin1String("es") ? std::optional<int>(TranslationDictionary::Spanish)
                                               : std::nullopt;
        if (!language)
            return usageError(TranslateText(QStringLiteral("--lang nimmt de, en oder es")));
    }
    if (parser.isSet(QStringLiteral("server"))) {
        if (parser.isSet(QStringLiteral("db")))
            return usageError(TranslateText(QStringLiteral("--%1 und --%2 schließen einander aus"))
                                  .arg(QStringLiteral("db"), QStringLiteral("server")));
        const int used = useServer(context, parser.value(QStringLiteral("server")),
                                   parser.isSet(QStringLiteral("server-password")),
                                   parser.value(QStringLiteral("server-password")));
        if (used != CliExit::Ok)
            return used;
    }
    if (parser.isSet(QStringLiteral("db"))) {
        const QString directory = parser.value(QStringLiteral("db"));
        if (!QFileInfo(directory).isDir())
            return usageError(TranslateText(QStringLiteral("Das Verzeichnis '%1' existiert nicht")).arg(directory));
        context.setDatabaseDirectoryOverride(directory);
    } else {
        context.directories().restoreSettings();
    }
    context.LoadBenutzer();
    context.LoadOptions();
    SetCurrentLanguage(language.value_or(context.languagesetto));
    // Listing and reports create nothing; a change makes its table.
    context.setTableDirectories(form->options.contains(QStringLiteral("admin-password")));

    AccountCommandInput input{context, parser, fullCommand, positional, clock.now().date()};
    return dispatch(input);
}

namespace AccountCommand {

int usage(const AccountCommandInput &input, const QString &message)
{
    printError(QStringLiteral("tagwerk-cli ") + input.command + QStringLiteral(": ") + message);
    return CliExit::Usage;
}

std::optional<QString> adminPassword(const AccountCommandInput &input)
{
    if (!input.parser.isSet(QStringLiteral("admin-password"))) {
        usage(input, TranslateText(QStringLiteral("%1 braucht --%2")).arg(input.command, QStringLiteral("admin-password")));
        return std::nullopt;
    }
    const QString password = input.parser.value(QStringLiteral("admin-password"));
    if (password != QLatin1String(PasswordInput::FromStandardInput))
        return password;
    const auto typed = PasswordInput::readLine(TranslateText(QStringLiteral("Admin Passwort:")) + QLatin1Char(' '));
    if (!typed)
        usage(input, TranslateText(QStringLiteral("--%1 - fand keine Zeile auf der Standardeingabe"))
                         .arg(QStringLiteral("admin-password")));
    return typed;
}

std::optional<QDate> dateOption(const AccountCommandInput &input, const char *name)
{
    if (!input.parser.isSet(QLatin1String(name))) {
        usage(input, TranslateText(QStringLiteral("%1 braucht --%2")).arg(input.command, QLatin1String(name)));
        return std::nullopt;
    }
    const auto date = parseDateArgument(input.parser.value(QLatin1String(name)));
    if (!date)
        usage(input, takesDate(name));
    return date;
}

int changeResult(const AccountChanges::Result &result, const QString &doneMessage)
{
    switch (result.kind) {
    case AccountChanges::Result::Done: {
        CliOutput out;
        out.writeLine(doneMessage);
        return CliExit::Ok;
    }
    case AccountChanges::Result::WrongPassword:
    case AccountChanges::Result::Refused:
        printError(result.message);
        return CliExit::Refused;
    case AccountChanges::Result::Failed:
        break;
    }
    printError(result.message);
    return CliExit::Usage;
}

void enterChangesInHistory(AppContext &context, AccountTables &tables)
{
    FolderStore *folder = context.folderStore();
    if (!folder) {
        // The server's history begins when the store is first opened; its
        // step is the store's own, whatever the opening says.
        context.CreateandopenTables();
        context.store().placeAccount(tables);
        return;
    }
    // The table without its clash index: only the history needs it. A
    // history that cannot be opened is told once, by the change's refusal.
    if (folder->tables().CreateandopenTables())
        folder->changeLog().open(folder->directory());
    tables.setJournal(&folder->changeLog());
}

} // namespace AccountCommand
