#include "ServerCommands.h"

#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "PasswordInput.h"
#include "serverstore/ServerStore.h"
#include "session/AppContext.h"
#include "storage/WorkTimeTables.h"
#include "translation/translateunit.h"

namespace {

int usage(const QString &message)
{
    printError(QStringLiteral("tagwerk-cli: ") + message);
    printError(TranslateText(QStringLiteral("Mehr dazu: tagwerk-cli --help")));
    return CliExit::Usage;
}

int refused(const QString &message)
{
    printError(message);
    return CliExit::Refused;
}

} // namespace

bool isServerCommand(const QString &command)
{
    return command == QLatin1String("init") || command == QLatin1String("import") || command == QLatin1String("export");
}

int readServerPassword(bool given, const QString &value, QString &password)
{
    if (!given)
        return CliExit::Ok;
    // Never on the command line, where every user of the machine can read
    // it: only "-", for standard input.
    if (value != QLatin1String(PasswordInput::FromStandardInput))
        return usage(TranslateText(QStringLiteral("--server-password nimmt nur - (das Passwort von der Standardeingabe)")));
    const auto typed = PasswordInput::readLine(TranslateText(QStringLiteral("Passwort für den Server:")) + QLatin1Char(' '));
    if (!typed)
        return usage(TranslateText(QStringLiteral("--%1 - fand keine Zeile auf der Standardeingabe"))
                         .arg(QStringLiteral("server-password")));
    password = *typed;
    return CliExit::Ok;
}

int useServer(AppContext &context, const QString &conninfo, bool passwordGiven, const QString &passwordValue)
{
    QString password;
    const int read = readServerPassword(passwordGiven, passwordValue, password);
    if (read != CliExit::Ok)
        return read;
    const AppContext::ServerOpening opening = context.useServer(conninfo, password);
    if (!opening.connected) {
        printError(QStringLiteral("tagwerk-cli: ") + opening.message);
        return CliExit::Usage;
    }
    return CliExit::Ok;
}

int runServerCommand(const ServerCommandOptions &options, const Clock &clock)
{
    const bool isInit = options.command == QLatin1String("init");
    if (options.conninfo.isEmpty())
        return usage(TranslateText(QStringLiteral("%1 braucht --server")).arg(options.command));
    if (isInit ? options.arguments.size() > 1 : options.arguments.size() != 1)
        return usage(isInit ? TranslateText(QStringLiteral("init nimmt höchstens den Namen der Arbeitsrolle"))
                            : TranslateText(QStringLiteral("%1 braucht ein Verzeichnis")).arg(options.command));
    QString error;
    const std::optional<ServerConnection::Settings> settings = ServerConnection::parse(options.conninfo, &error);
    if (!settings)
        return usage(error);
    ServerStore store(*settings, clock);
    QString password;
    if (const int read = readServerPassword(options.passwordGiven, options.password, password); read != CliExit::Ok)
        return read;
    if (!password.isEmpty())
        store.setPassword(password);
    if (!store.connection().open()) {
        printError(QStringLiteral("tagwerk-cli: ") + store.connection().errorString());
        return CliExit::Usage;
    }
    CliOutput out;
    if (isInit) {
        const QString role = options.arguments.value(0);
        if (!store.initialize(WorkTimeTables::fieldDefinitions(&ProgramText), role))
            return refused(store.errorString());
        out.writeLine(TranslateText(QStringLiteral("Die Datenbank auf dem Server %1 ist eingerichtet.")).arg(store.location()));
        return CliExit::Ok;
    }
    const QString directory = options.arguments.first();
    if (options.command == QLatin1String("import")) {
        if (!QFileInfo(directory).isDir())
            return usage(TranslateText(QStringLiteral("Das Verzeichnis '%1' existiert nicht")).arg(directory));
        if (!store.importFrom(directory))
            return refused(TranslateText(QStringLiteral("Der Ordner \"%1\" wurde nicht eingelesen: %2"))
                               .arg(QDir::toNativeSeparators(directory), store.errorString()));
        out.writeLine(TranslateText(QStringLiteral("Der Ordner \"%1\" ist auf dem Server %2 eingelesen."))
                          .arg(QDir::toNativeSeparators(directory), store.location()));
        return CliExit::Ok;
    }
    if (!store.openForReading() || !store.exportTo(directory))
        return refused(store.errorString());
    out.writeLine(TranslateText(QStringLiteral("Der Server %1 ist in den Ordner \"%2\" ausgegeben."))
                      .arg(store.location(), QDir::toNativeSeparators(directory)));
    return CliExit::Ok;
}
