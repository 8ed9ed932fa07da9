#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "ConsoleReporter.h"
#include "ListCommand.h"
#include "app/AppContext.h"
#include "app/Clock.h"

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
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Commands:\n"
    "  list [--employee NAME]\n"
    "      Prints every live record in file order, one line each: the twelve\n"
    "      fields separated by TAB, trailing blanks removed, logical fields as\n"
    "      T, F or empty. --employee keeps the rows of that employee (exact).\n"
    "\n"
    "Exit status: 0 done; 1 refused; 2 usage error or table not usable.\n";

int usageError(const QString &message)
{
    printError(QStringLiteral("tagwerk-cli: ") + message);
    printError(QStringLiteral("Try 'tagwerk-cli --help'."));
    return CliExit::Usage;
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tagwerk-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAGWERK_VERSION));

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption dbOption(QStringLiteral("db"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption langOption(QStringLiteral("lang"), QString(), QStringLiteral("LANG"));
    const QCommandLineOption employeeOption(QStringLiteral("employee"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({dbOption, langOption, employeeOption, helpOption, versionOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(HelpText, stdout);
        return CliExit::Ok;
    }
    if (parser.isSet(versionOption)) {
        std::printf("tagwerk-cli %s\n", TAGWERK_VERSION);
        return CliExit::Ok;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = positional.first();
    if (command != QLatin1String("list"))
        return usageError(QStringLiteral("unknown command '%1'").arg(command));
    if (positional.size() > 1)
        return usageError(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)));
    std::optional<int> language;
    if (parser.isSet(langOption)) {
        language = languageCode(parser.value(langOption));
        if (!language)
            return usageError(QStringLiteral("--lang takes de, en or es"));
    }
    if (parser.isSet(dbOption) && !QFileInfo(parser.value(dbOption)).isDir())
        return usageError(QStringLiteral("the directory '%1' does not exist").arg(parser.value(dbOption)));

    ConsoleReporter reporter;
    Reporter::setGlobal(&reporter);
    SystemClock clock;
    AppContext context(reporter, clock, AppContext::defaultProgramDirectory(),
                       ProgramDirectories::platformAppDataFolder(),
                       WindowSettingsStore::forProgram(QLatin1String(AppContext::ProgramName)));
    context.BuildTranslationIndex();
    if (parser.isSet(dbOption))
        context.setDatabaseDirectoryOverride(parser.value(dbOption));
    else
        context.directories().restoreSettings();
    context.LoadOptions();
    SetCurrentLanguage(language.value_or(context.languagesetto));
    context.setTableDirectories();
    if (!context.CreateandopenTables())
        return CliExit::Usage;

    ListOptions options;
    if (parser.isSet(employeeOption))
        options.employee = parser.value(employeeOption);
    CliOutput out;
    const int result = runList(context.tables().Dbf1, options, out);
    Reporter::setGlobal(nullptr);
    return result;
}
