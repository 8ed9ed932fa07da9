#include <cstdio>
#include <memory>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include "AccountCommands.h"
#include "BookCommand.h"
#include "CliCommand.h"
#include "ClosePeriodCommand.h"
#include "ConsoleReporter.h"
#include "ConsoleText.h"
#include "HistoryCommand.h"
#include "ListCommand.h"
#include "PasswordInput.h"
#include "ReportCommand.h"
#include "ServerCommands.h"
#include "TranslationsCommand.h"
#include "VerifyCommand.h"
#include "session/AppContext.h"
#include "base/Clock.h"

namespace {

const char *const HelpText =
    "Usage: tagwerk-cli [--db DIR] [--lang de|en|es] COMMAND [OPTIONS]\n"
    "\n"
    "The command-line companion of Tagwerk: works on the tables of a Database\n"
    "directory through the same code as the program.\n"
    "\n"
    "Global options:\n"
    "  --db DIR             the Database directory that holds arbeitszeit.dbf;\n"
    "                       without it, the one the program has chosen\n"
    "  --lang de|en|es      the language of this run (texts and new field\n"
    "                       names); without it, the language the program stores\n"
    "  --server CONNINFO    a PostgreSQL server instead of a folder, as libpq\n"
    "                       takes it: \"host=H port=P dbname=D user=U\" or\n"
    "                       postgresql://U@H:P/D (sslmode and other libpq\n"
    "                       options pass through)\n"
    "  --server-password -  reads the server's password from standard input\n"
    "                       (otherwise libpq's ~/.pgpass or PGPASSFILE)\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Commands:\n"
    "  list [--employee NAME] [--month]\n"
    "      Prints every live record in file order, one line each: the twelve\n"
    "      fields separated by TAB, trailing blanks removed, logical fields as\n"
    "      T, F or empty. A backslash, TAB, CR or LF inside a field is written\n"
    "      as \\\\, \\t, \\r or \\n, so every record is one line of twelve fields.\n"
    "      --employee keeps the rows of that employee (exact); --month those of\n"
    "      the current month (and those whose date is no date).\n"
    "\n"
    "  book --user LOGIN --password - --place TEXT --activity TEXT --date DATE\n"
    "       (--from HH:MM --to HH:MM | --hours HH:MM) [--break HH:MM]\n"
    "       [--remark TEXT] [--away] [--same-time-ok] [--night-work]\n"
    "       [--if-double yes|no]\n"
    "      Logs in like the login window and books like \"Okay, erfassen\".\n"
    "      DATE is DD.MM.YYYY or YYYY-MM-DD; times are HH:MM, nothing else.\n"
    "      Place, activity and remark must not hold control characters (TAB,\n"
    "      line breaks) nor be longer than their fields (45, 45, 100\n"
    "      characters). A booking that overlaps one of the\n"
    "      same employee on the same date is stored, marked double, only with\n"
    "      --if-double yes.\n"
    "      --password - reads the password as one line from standard input,\n"
    "      without echo when that is a terminal. Prefer it: a password given\n"
    "      as --password PW can be read by every user of the machine in the\n"
    "      process list.\n"
    "\n"
    "  report KIND --from DATE --to DATE [--choice TEXT] [--breaks | --no-breaks]\n"
    "       [--hide-deleted | --show-deleted] [--hours-only | --no-hours-only]\n"
    "       [--format text|csv|pdf] [--output FILE]\n"
    "      One of the evaluations: KIND is employee, place, activity, period,\n"
    "      period-by-place or worktime-law. --choice names the employee, place\n"
    "      or activity (the first of the choice list by default). Text is the\n"
    "      result window's lines; csv the listed records; pdf the printout\n"
    "      (needs --output).\n"
    "      --output never writes over one of the program's own files (the\n"
    "      table, benutzer.dat, options.dat, abschluss.dat, translate.dat).\n"
    "      KIND worktime-law checks the Working Hours Act (Arbeitszeitgesetz:\n"
    "      daily maximum, breaks, rest, Sundays) for every employee, or the one\n"
    "      --choice names; its csv lists the violations. Finding violations is\n"
    "      no error: the exit status is 0. --hours-only reads the bookings as\n"
    "      numbers of hours (00:00 to HH:MM), --no-hours-only as times from and\n"
    "      to; by default as \"Nur Stundenanzahl abfragen, nicht von bis\" is set.\n"
    "      A period whose start lies after its end is refused.\n"
    "\n"
    "  close-period --until DATE|none --admin-password -\n"
    "      Closes every booking up to and including DATE, as \"Buchungen\n"
    "      abschließen bis...\" does; none reopens them all, an earlier DATE\n"
    "      reopens the days after it. Within the closed period nothing can be\n"
    "      booked (in the program or with book), and no row dated in it can be\n"
    "      changed or deleted in the record list or the main window's grid,\n"
    "      nor can a row be moved into it. DATE may not lie after today.\n"
    "      --admin-password - reads the administrator password as one line from\n"
    "      standard input (--admin-password PW works too, but shows it in the\n"
    "      process list). Prints the new state; a wrong password exits 1.\n"
    "\n"
    "  translations update | import FILE | export FILE | check\n"
    "      The dictionary translate.dat beside the program: update adds the\n"
    "      shipped translations to its empty cells and the keys it lacks (never\n"
    "      replacing a filled cell); export writes it as the readable source\n"
    "      format (TSV: German, English, Spanish); import takes such a file\n"
    "      back: the cells it fills replace the dictionary's, keys it adds are\n"
    "      added, cells it leaves empty stay, and it prints how many cells\n"
    "      changed; check lists every key without English or Spanish, with the\n"
    "      languages it lacks (en, es), and exits 1 if there is one.\n"
    "\n"
    "  verify\n"
    "      Checks the change history protokoll.dbf: the hash chain of its\n"
    "      entries, and that every record of the table is in the state its last\n"
    "      entry says (records older than the history: the state they had when\n"
    "      it began), and that abschluss.dat agrees with its last closing.\n"
    "      Prints the number of entries and the last hash and exits 0 (telling\n"
    "      a change interrupted by a crash, which is no fault), or prints each\n"
    "      finding (an entry altered or missing, a record changed, deleted or\n"
    "      appended outside Tagwerk, a changed table structure, a change to a\n"
    "      closed period, an entry dated back, a damaged history) and exits 1.\n"
    "\n"
    "  history [--employee NAME] [--from DATE --to DATE] [--record N] [--after HASH]\n"
    "      Prints the change history as TSV, oldest first, one entry a line:\n"
    "      time, who, computer, action, record number, the changes as\n"
    "      FIELD: old \u2192 new separated by \"; \", and the entry's checksum.\n"
    "      --employee keeps the entries of that employee (or Administrator),\n"
    "      --from and --to those of that period, --record those of one record,\n"
    "      --after those entered after the entry with that checksum (exit 1\n"
    "      when no entry has it).\n"
    "\n"
    "  --server CONNINFO init [ROLE]\n"
    "      Creates or upgrades the tables on the server (run it with the owner\n"
    "      role; it may run again) and grants ROLE, the role the PCs log in\n"
    "      with, what they need: bookings, users and options to read and write,\n"
    "      the change history to read and add to, never to change.\n"
    "\n"
    "  --server CONNINFO import DIR\n"
    "      Brings the Database directory DIR in: records, history, users,\n"
    "      options, closing date. Refused when the server holds bookings.\n"
    "\n"
    "  --server CONNINFO export DIR\n"
    "      Writes the server's records as a Database directory DIR (which must\n"
    "      not hold a table yet), for the folder store and other dBase tools.\n"
    "\n"
    "  history restart --admin-password -\n"
    "      Starts the change history again where protokoll.dbf is missing or\n"
    "      damaged (then every change is refused). A damaged history and the\n"
    "      old protokollbeginn.dat are kept under a new name; the new history\n"
    "      begins with an entry that names what was lost.\n"
    "\n"
    "  holidays, target, absence, report account, report missing\n"
    "      The working-time account: tagwerk-cli holidays --help.\n"
    "\n"
    "Exit status: 0 done; 1 refused (login, a check, a clash, a closed period,\n"
    "a wrong administrator password: the program's message on stderr);\n"
    "2 usage error or table not usable (also: locked by another PC for longer\n"
    "than a few seconds).\n";

QString needs(const QString &command, const char *option)
{
    return TranslateText(QStringLiteral("%1 braucht --%2")).arg(command, QLatin1String(option));
}

QString excludeEachOther(const char *one, const char *other)
{
    return TranslateText(QStringLiteral("--%1 und --%2 schließen einander aus")).arg(QLatin1String(one), QLatin1String(other));
}

QString noLineOnStandardInput(const char *option)
{
    return TranslateText(QStringLiteral("--%1 - fand keine Zeile auf der Standardeingabe")).arg(QLatin1String(option));
}

std::optional<int> languageCode(const QString &name)
{
    if (name == QLatin1String("de"))
        return TranslationDictionary::German;
    if (name == QLatin1String("en"))
        return TranslationDictionary::English;
    if (name == QLatin1String("es"))
        return TranslationDictionary::Spanish;
    return std::nullopt;
}

QCommandLineOption valueOption(const char *name)
{
    return QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value"));
}

QCommandLineOption flagOption(const char *name)
{
    return QCommandLineOption(QLatin1String(name));
}

// What is wrong with the directory --db names, in words that say so.
std::optional<QString> databaseDirectoryProblem(const QString &directory)
{
    const QFileInfo info(directory);
    if (info.isDir())
        return std::nullopt;
    if (info.exists())
        return TranslateText(QStringLiteral("'%1' ist eine Datei, kein Verzeichnis")).arg(directory);
    // Names reach the program as UTF-8; bytes that are not UTF-8 arrive as
    // U+FFFD, and a name spelt that way names nothing on disk.
    if (directory.contains(QChar::ReplacementCharacter))
        return TranslateText(QStringLiteral("Der Verzeichnisname '%1' enthält Bytes, die kein UTF-8 sind; Tagwerk kann "
                                            "einen solchen Namen nicht verwenden"))
            .arg(directory);
    return TranslateText(QStringLiteral("Das Verzeichnis '%1' existiert nicht")).arg(directory);
}

// The value of `--name VALUE` or `--name=VALUE` among the raw arguments,
// before they are parsed (and whether they parse at all).
std::optional<QString> rawOption(const QStringList &arguments, const QString &name)
{
    const QString option = QLatin1String("--") + name;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == option && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (arguments.at(i).startsWith(option + QLatin1Char('=')))
            return arguments.at(i).mid(option.size() + 1);
    }
    return std::nullopt;
}

// --lang when it names a language; else the one the program stores for the
// Database directory (--db when that is one), as the program would start.
void chooseLanguage(AppContext &context, const QStringList &arguments)
{
    if (const auto name = rawOption(arguments, QStringLiteral("lang")); name && languageCode(*name)) {
        SetCurrentLanguage(*languageCode(*name));
        return;
    }
    const auto db = rawOption(arguments, QStringLiteral("db"));
    if (db && !databaseDirectoryProblem(*db))
        context.setDatabaseDirectoryOverride(*db);
    else
        context.directories().restoreSettings();
    context.LoadOptions();
    SetCurrentLanguage(context.languagesetto);
}

bool writesPdf(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--format=pdf" || (argument == "--format" && i + 1 < argc && QByteArray(argv[i + 1]) == "pdf"))
            return true;
    }
    return false;
}

// close-period, the password read from standard input for "-".
int closePeriod(AppContext &context, const QCommandLineParser &parser)
{
    ClosePeriodOptions options;
    options.until = parser.value(QStringLiteral("until"));
    options.adminPassword = parser.value(QStringLiteral("admin-password"));
    if (options.adminPassword == QLatin1String(PasswordInput::FromStandardInput)) {
        const auto typed = PasswordInput::readLine(TranslateText(QStringLiteral("Admin Passwort:")) + QLatin1Char(' '));
        if (!typed)
            return usageError(noLineOnStandardInput("admin-password"));
        options.adminPassword = *typed;
    }
    return runClosePeriod(context, options);
}

// history restart, the password read from standard input for "-".
int restartHistory(AppContext &context, const QCommandLineParser &parser)
{
    QString password = parser.value(QStringLiteral("admin-password"));
    if (password == QLatin1String(PasswordInput::FromStandardInput)) {
        const auto typed = PasswordInput::readLine(TranslateText(QStringLiteral("Admin Passwort:")) + QLatin1Char(' '));
        if (!typed)
            return usageError(noLineOnStandardInput("admin-password"));
        password = *typed;
    }
    const AppContext::Restart restart = context.restartHistory(password);
    if (!restart.done) {
        printError(restart.message);
        return CliExit::Refused;
    }
    CliOutput out;
    out.writeLine(restart.message);
    return CliExit::Ok;
}

} // namespace

int main(int argc, char *argv[])
{
    ConsoleText::prepareStandardStreams();
    // Writing PDF lays text out with fonts, which needs Qt Gui; no window is
    // ever shown, so no display is needed either. Everything else runs on
    // Qt Core alone.
    std::unique_ptr<QCoreApplication> app;
    if (writesPdf(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("tagwerk-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAGWERK_VERSION));

    // The dictionary and the language come first, so that every message of
    // this run, a complaint about its arguments too, is in that language.
    ConsoleReporter reporter;
    Reporter::setGlobal(&reporter);
    SystemClock clock;
    AppContext context(reporter, clock, AppContext::defaultProgramDirectory(),
                       ProgramDirectories::platformAppDataFolder(),
                       WindowSettingsStore::forProgram(QLatin1String(AppContext::ProgramName)));
    context.BuildTranslationIndex();
    // A script's run shows texts but never writes the dictionary: two runs
    // at once would write it over each other.
    context.dictionary().setRegistersNewKeys(false);
    // A script cannot answer "try again?": a locked table ends the command.
    context.setAskWhenLocked(false);
    chooseLanguage(context, QCoreApplication::arguments());
    const struct ReporterReset {
        ~ReporterReset() { Reporter::setGlobal(nullptr); }
    } reporterReset;
    if (const auto account = runAccountCommand(context, clock, QCoreApplication::arguments()))
        return *account;

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QStringList valueNames = {QStringLiteral("db"),       QStringLiteral("lang"),     QStringLiteral("employee"),
                                    QStringLiteral("user"),     QStringLiteral("password"), QStringLiteral("place"),
                                    QStringLiteral("activity"), QStringLiteral("date"),     QStringLiteral("from"),
                                    QStringLiteral("to"),       QStringLiteral("hours"),    QStringLiteral("break"),
                                    QStringLiteral("remark"),   QStringLiteral("if-double"), QStringLiteral("choice"),
                                    QStringLiteral("format"),   QStringLiteral("output"),   QStringLiteral("until"),
                                    QStringLiteral("admin-password"), QStringLiteral("record"),
                                    QStringLiteral("after"), QStringLiteral("server"),
                                    QStringLiteral("server-password")};
    for (const QString &name : valueNames)
        parser.addOption(valueOption(qPrintable(name)));
    for (const char *flag : {"month", "away", "same-time-ok", "night-work", "version", "breaks", "no-breaks",
                             "hide-deleted", "show-deleted", "hours-only", "no-hours-only"})
        parser.addOption(flagOption(flag));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parseError(parser));
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(HelpText, stdout);
        return CliExit::Ok;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("tagwerk-cli %s\n", TAGWERK_VERSION);
        return CliExit::Ok;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(TranslateText(QStringLiteral("Kein Befehl angegeben")));
    const QString command = positional.first();
    if (isServerCommand(command)) {
        ServerCommandOptions server;
        server.conninfo = parser.value(QStringLiteral("server"));
        server.passwordGiven = parser.isSet(QStringLiteral("server-password"));
        server.password = parser.value(QStringLiteral("server-password"));
        server.command = command;
        server.arguments = positional.mid(1);
        return runServerCommand(server, clock);
    }
    if (command == QLatin1String("translations")) {
        // Works on the program's directory only: no table, no Database directory.
        for (const QString &name : parser.optionNames()) {
            if (name != QLatin1String("db") && name != QLatin1String("lang"))
                return usageError(doesNotGoWith(name, command));
        }
        return runTranslations(positional.mid(1),
                               ProgramDirectories::withTrailingSeparator(AppContext::defaultProgramDirectory()), reporter);
    }
    const bool isReport = command == QLatin1String("report");
    const bool isClosePeriod = command == QLatin1String("close-period");
    const bool isHistory = command == QLatin1String("history");
    const bool isVerify = command == QLatin1String("verify");
    if (command != QLatin1String("list") && command != QLatin1String("book") && !isReport && !isClosePeriod
        && !isHistory && !isVerify)
        return usageError(TranslateText(QStringLiteral("Unbekannter Befehl '%1'")).arg(command));
    if (isReport && positional.size() < 2)
        return usageError(TranslateText(QStringLiteral("report braucht eine Art (KIND)")));
    const bool isRestart = isHistory && positional.size() == 2 && positional.at(1) == QLatin1String("restart");
    if (positional.size() > (isReport || isRestart ? 2 : 1))
        return usageError(TranslateText(QStringLiteral("Unerwartetes Argument '%1'")).arg(positional.last()));
    if (isReport) {
        for (const char *required : {"from", "to"}) {
            if (!parser.isSet(QLatin1String(required)))
                return usageError(needs(command, required));
        }
        if (parser.isSet(QStringLiteral("breaks")) && parser.isSet(QStringLiteral("no-breaks")))
            return usageError(excludeEachOther("breaks", "no-breaks"));
        if (parser.isSet(QStringLiteral("hide-deleted")) && parser.isSet(QStringLiteral("show-deleted")))
            return usageError(excludeEachOther("hide-deleted", "show-deleted"));
        if (parser.isSet(QStringLiteral("hours-only")) && parser.isSet(QStringLiteral("no-hours-only")))
            return usageError(excludeEachOther("hours-only", "no-hours-only"));
    }
    const QStringList listOnly = {QStringLiteral("employee"), QStringLiteral("month")};
    const QStringList bookOnly = {QStringLiteral("user"),  QStringLiteral("password"), QStringLiteral("place"),
                                  QStringLiteral("activity"), QStringLiteral("date"), QStringLiteral("from"),
                                  QStringLiteral("to"), QStringLiteral("hours"), QStringLiteral("break"),
                                  QStringLiteral("remark"), QStringLiteral("away"), QStringLiteral("same-time-ok"),
                                  QStringLiteral("night-work"), QStringLiteral("if-double")};
    const QStringList reportOnly = {QStringLiteral("choice"), QStringLiteral("format"), QStringLiteral("output"),
                                    QStringLiteral("breaks"), QStringLiteral("no-breaks"), QStringLiteral("hide-deleted"),
                                    QStringLiteral("show-deleted"), QStringLiteral("hours-only"),
                                    QStringLiteral("no-hours-only")};
    const QStringList closePeriodOnly = {QStringLiteral("until"), QStringLiteral("admin-password")};
    QStringList foreign;
    if (!isClosePeriod)
        foreign += closePeriodOnly;

    if (command != QLatin1String("list"))
        foreign += listOnly;
    if (command != QLatin1String("book"))
        foreign += bookOnly;
    if (!isReport)
        foreign += reportOnly;
    if (!isHistory)
        foreign += QStringList{QStringLiteral("record"), QStringLiteral("after")};
    if (isReport || isHistory) {
        foreign.removeAll(QStringLiteral("from"));
        foreign.removeAll(QStringLiteral("to"));
    }
    if (isHistory)
        foreign.removeAll(QStringLiteral("employee"));
    if (isRestart) {
        foreign.removeAll(QStringLiteral("admin-password"));
        foreign += {QStringLiteral("employee"), QStringLiteral("record"), QStringLiteral("from"), QStringLiteral("to")};
    }
    for (const QString &name : foreign) {
        if (parser.isSet(name))
            return usageError(doesNotGoWith(name, command));
    }

    if (command == QLatin1String("book")) {
        for (const char *required : {"user", "password", "place", "activity", "date"}) {
            if (!parser.isSet(QLatin1String(required)))
                return usageError(needs(command, required));
        }
    }
    if (isRestart && !parser.isSet(QStringLiteral("admin-password")))
        return usageError(TranslateText(QStringLiteral("history restart braucht --admin-password")));
    if (isClosePeriod) {
        for (const char *required : {"until", "admin-password"}) {
            if (!parser.isSet(QLatin1String(required)))
                return usageError(needs(command, required));
        }
    }

    std::optional<int> language;
    if (parser.isSet(QStringLiteral("lang"))) {
        language = languageCode(parser.value(QStringLiteral("lang")));
        if (!language)
            return usageError(TranslateText(QStringLiteral("--lang nimmt de, en oder es")));
    }
    const QString dbDirectory = parser.value(QStringLiteral("db"));
    if (parser.isSet(QStringLiteral("db"))) {
        if (const auto problem = databaseDirectoryProblem(dbDirectory))
            return usageError(*problem);
    }
    std::optional<bool> ifDouble;
    if (parser.isSet(QStringLiteral("if-double"))) {
        const QString answer = parser.value(QStringLiteral("if-double"));
        if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
            return usageError(TranslateText(QStringLiteral("--if-double nimmt yes oder no")));
        ifDouble = answer == QLatin1String("yes");
    }

    ChangeLogHistory::Filter historyFilter;
    if (isHistory) {
        if (parser.isSet(QStringLiteral("employee")))
            historyFilter.employee = parser.value(QStringLiteral("employee"));
        for (const auto &[name, date] : {std::pair{"from", &historyFilter.from}, std::pair{"to", &historyFilter.to}}) {
            if (!parser.isSet(QLatin1String(name)))
                continue;
            const auto parsed = parseDateArgument(parser.value(QLatin1String(name)));
            if (!parsed)
                return usageError(takesDate(name));
            *date = *parsed;
        }
        if (parser.isSet(QStringLiteral("record"))) {
            bool ok = false;
            const uint number = parser.value(QStringLiteral("record")).toUInt(&ok);
            if (!ok)
                return usageError(TranslateText(QStringLiteral("--record nimmt eine Datensatznummer")));
            historyFilter.recordNumber = number;
        }
        if (parser.isSet(QStringLiteral("after"))) {
            const QByteArray hash = parser.value(QStringLiteral("after")).trimmed().toLatin1().toLower();
            if (hash.size() != ChangeLogEntry::DigestHexLength || QByteArray::fromHex(hash).toHex() != hash)
                return usageError(TranslateText(QStringLiteral("--after nimmt eine Prüfsumme aus 64 Hexadezimalziffern")));
            historyFilter.afterHash = hash;
        }
    }

    if (parser.isSet(QStringLiteral("server"))) {
        if (parser.isSet(QStringLiteral("db")))
            return usageError(excludeEachOther("db", "server"));
        const int used = useServer(context, parser.value(QStringLiteral("server")),
                                   parser.isSet(QStringLiteral("server-password")),
                                   parser.value(QStringLiteral("server-password")));
        if (used != CliExit::Ok)
            return used;
    } else if (parser.isSet(QStringLiteral("server-password"))) {
        return usageError(needs(QStringLiteral("--server-password"), "server"));
    }
    if (parser.isSet(QStringLiteral("db")))
        context.setDatabaseDirectoryOverride(dbDirectory);
    else
        context.directories().restoreSettings();
    context.LoadBenutzer();
    context.LoadOptions();
    context.restoreMainWindowOptions();
    context.restoreAdminOptions();
    SetCurrentLanguage(language.value_or(context.languagesetto));
    // list, report, verify and history only read: they create no directory
    // and no table, and upgrade none.
    const bool onlyReads = !isClosePeriod && command != QLatin1String("book");
    context.setTableDirectories(!onlyReads);
    // The history needs no table to be read, but without one it is not the
    // history of anything here: most likely --db names the wrong directory.
    // (A directory that may not be entered is left to say so itself.)
    const QFileInfo directory(context.folderStore() ? context.tables().directory() : QString());
    if (context.folderStore() && (isVerify || isHistory) && !QFileInfo::exists(context.tables().tablePath())
        && (!directory.exists() || directory.isExecutable())) {
        reporter.error(context.tables().missingTableMessage());
        Reporter::setGlobal(nullptr);
        return CliExit::Usage;
    }
    if (isClosePeriod) {
        // The closing is entered in the change history before the file is
        // written: the table and its history are opened (made on a first run).
        context.CreateandopenTables();
        const int closed = closePeriod(context, parser);
        Reporter::setGlobal(nullptr);
        return closed;
    }
    if (isRestart) {
        const bool opened = !context.folderStore() || context.tables().CreateandopenTables();
        const int restarted = opened ? restartHistory(context, parser) : CliExit::Usage;
        Reporter::setGlobal(nullptr);
        return restarted;
    }
    if (isVerify || isHistory) {
        // The history is only read: nothing is created or opened for writing.
        // On a server: a copy of its records made for this run.
        const QString historyDirectory = context.historyDirectory(isVerify);
        if (historyDirectory.isEmpty())
            return CliExit::Usage;
        CliOutput out;
        const int checked = isVerify ? runVerify(historyDirectory, historyDirectory + QLatin1String(WorkTimeTables::TableFileName), out)
                                     : runHistory(historyDirectory, historyFilter, out);
        Reporter::setGlobal(nullptr);
        return checked;
    }
    int result = CliExit::Usage;
    // Only a booking searches for clashes: listing and reports open the
    // tables without building the clash index, which reads the whole table.
    const bool opened = command == QLatin1String("book") ? context.CreateandopenTables() : context.openForReading();
    if (opened) {
        if (command == QLatin1String("list")) {
            ListOptions options;
            if (parser.isSet(QStringLiteral("employee")))
                options.employee = parser.value(QStringLiteral("employee"));
            options.currentMonth = parser.isSet(QStringLiteral("month"));
            options.today = clock.now().date();
            CliOutput out;
            result = runList(context.store().bookings(), options, out);
        } else if (isReport) {
            ReportCommandOptions options;
            options.kind = positional.at(1);
            options.from = parser.value(QStringLiteral("from"));
            options.to = parser.value(QStringLiteral("to"));
            if (parser.isSet(QStringLiteral("choice")))
                options.choice = parser.value(QStringLiteral("choice"));
            if (parser.isSet(QStringLiteral("breaks")) || parser.isSet(QStringLiteral("no-breaks")))
                options.breaks = parser.isSet(QStringLiteral("breaks"));
            if (parser.isSet(QStringLiteral("hide-deleted")) || parser.isSet(QStringLiteral("show-deleted")))
                options.hideDeleted = parser.isSet(QStringLiteral("hide-deleted"));
            if (parser.isSet(QStringLiteral("hours-only")) || parser.isSet(QStringLiteral("no-hours-only")))
                options.hoursOnly = parser.isSet(QStringLiteral("hours-only"));
            if (parser.isSet(QStringLiteral("format")))
                options.format = parser.value(QStringLiteral("format"));
            options.output = parser.value(QStringLiteral("output"));
            result = runReport(context, options);
        } else {
            BookOptions options;
            options.user = parser.value(QStringLiteral("user"));
            options.password = parser.value(QStringLiteral("password"));
            if (options.password == QLatin1String(PasswordInput::FromStandardInput)) {
                const auto typed = PasswordInput::readLine(TranslateText(QStringLiteral("Passwort:")) + QLatin1Char(' '));
                if (!typed) {
                    Reporter::setGlobal(nullptr);
                    return usageError(noLineOnStandardInput("password"));
                }
                options.password = *typed;
            }
            options.place = parser.value(QStringLiteral("place"));
            options.activity = parser.value(QStringLiteral("activity"));
            options.date = parser.value(QStringLiteral("date"));
            options.from = parser.value(QStringLiteral("from"));
            options.to = parser.value(QStringLiteral("to"));
            options.hours = parser.value(QStringLiteral("hours"));
            if (parser.isSet(QStringLiteral("break")))
                options.pause = parser.value(QStringLiteral("break"));
            options.remark = parser.value(QStringLiteral("remark"));
            options.away = parser.isSet(QStringLiteral("away"));
            options.sameTimeOk = parser.isSet(QStringLiteral("same-time-ok"));
            options.nightWork = parser.isSet(QStringLiteral("night-work"));
            options.ifDouble = ifDouble;
            result = runBook(context, options);
        }
    }
    Reporter::setGlobal(nullptr);
    return result;
}
