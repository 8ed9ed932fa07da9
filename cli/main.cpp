#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "ConsoleReporter.h"
#include "ListCommand.h"
#include "app/Clock.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"

namespace {

const char *const HelpText =
    "Usage: tagwerk-cli --db DIR COMMAND [OPTIONS]\n"
    "\n"
    "The command-line companion of Tagwerk: works on the tables of a Database\n"
    "directory through the same code as the program.\n"
    "\n"
    "Global options:\n"
    "  --db DIR             the Database directory that holds arbeitszeit.dbf\n"
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

QString withTrailingSeparator(const QString &directory)
{
    QString path = QDir::fromNativeSeparators(directory);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
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
    const QCommandLineOption employeeOption(QStringLiteral("employee"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({dbOption, employeeOption, helpOption, versionOption});

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
    if (!parser.isSet(dbOption))
        return usageError(QStringLiteral("--db DIR is required"));
    const QString directory = parser.value(dbOption);
    if (!QFileInfo(directory).isDir())
        return usageError(QStringLiteral("the directory '%1' does not exist").arg(directory));

    ConsoleReporter reporter;
    Reporter::setGlobal(&reporter);
    SystemClock clock;
    WorkTimeTables tables(clock, reporter, &ProgramTexts::german);
    tables.setDirectory(withTrailingSeparator(directory));
    if (!tables.CreateandopenTables())
        return CliExit::Usage;

    ListOptions options;
    if (parser.isSet(employeeOption))
        options.employee = parser.value(employeeOption);
    CliOutput out;
    return runList(tables.Dbf1, options, out);
}
