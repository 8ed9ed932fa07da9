#include "ServerChoice.h"

#include <QStringList>

#include "ProgramDirectories.h"
#include "base/WindowSettingsStore.h"

namespace {

const QString Dialog = QString::fromLatin1(ProgramDirectories::DialogClass);

// libpq's rule: a value with blanks, quotes or backslashes, or an empty one,
// goes in single quotes, with \ and ' escaped by a backslash.
QString conninfoValue(const QString &value)
{
    const bool plain = !value.isEmpty()
        && !value.contains(QLatin1Char(' ')) && !value.contains(QLatin1Char('\''))
        && !value.contains(QLatin1Char('\\')) && !value.contains(QLatin1Char('\t'));
    if (plain)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

ServerChoice ServerChoice::restore(const WindowSettingsStore &settings)
{
    ServerChoice choice;
    choice.useServer = settings.checked(Dialog, QStringLiteral("ServerButton")).value_or(false);
    choice.host = settings.text(Dialog, QStringLiteral("ServerHostEdit")).value_or(QString());
    bool ok = false;
    const int port = settings.text(Dialog, QStringLiteral("ServerPortEdit")).value_or(QString()).toInt(&ok);
    choice.port = ok && port > 0 && port < 65536 ? port : DefaultPort;
    choice.database = settings.text(Dialog, QStringLiteral("ServerDatabaseEdit")).value_or(QString());
    choice.user = settings.text(Dialog, QStringLiteral("ServerUserEdit")).value_or(QString());
    return choice;
}

void ServerChoice::save(WindowSettingsStore &settings) const
{
    settings.setChecked(Dialog, QStringLiteral("ServerButton"), useServer);
    settings.setText(Dialog, QStringLiteral("ServerHostEdit"), host);
    settings.setText(Dialog, QStringLiteral("ServerPortEdit"), QString::number(port));
    settings.setText(Dialog, QStringLiteral("ServerDatabaseEdit"), database);
    settings.setText(Dialog, QStringLiteral("ServerUserEdit"), user);
}

QString ServerChoice::conninfo() const
{
    QStringList parts;
    const auto add = [&parts](const char *key, const QString &value) {
        if (!value.trimmed().isEmpty())
            parts << QLatin1String(key) + QLatin1Char('=') + conninfoValue(value.trimmed());
    };
    add("host", host);
    add("port", QString::number(port));
    add("dbname", database);
    add("user", user);
    return parts.join(QLatin1Char(' '));
}
