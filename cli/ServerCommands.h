#pragma once

#include <QString>
#include <QStringList>

class AppContext;
class Clock;

// The commands that set up and fill a database server, and take its
// records back out:
//   tagwerk-cli --server CONNINFO [--server-password -] init [ROLE]
//   tagwerk-cli --server CONNINFO [--server-password -] import DIR
//   tagwerk-cli --server CONNINFO [--server-password -] export DIR
struct ServerCommandOptions
{
    QString conninfo;
    QString password;   // the value of --server-password: "-" or nothing
    bool passwordGiven = false;
    QString command;    // init, import or export
    QStringList arguments;
};

bool isServerCommand(const QString &command);
// The password --server-password asks for: nothing when the option is not
// given (libpq's password file serves then), the line read from standard
// input for "-"; an exit status other than 0 for anything else.
int readServerPassword(bool given, const QString &value, QString &password);
// Points `context` at the server `conninfo` names for the run, with the
// password --server-password asks for: 0 when it answers, otherwise the
// exit status after saying why.
int useServer(AppContext &context, const QString &conninfo, bool passwordGiven, const QString &passwordValue);
// The exit status: 0 done, 1 refused (a server that holds bookings, a
// directory that holds a table), 2 usage or a server that cannot be reached.
int runServerCommand(const ServerCommandOptions &options, const Clock &clock);
