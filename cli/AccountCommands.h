#pragma once

#include <optional>

#include <QCommandLineParser>
#include <QDate>
#include <QString>
#include <QStringList>

#include "recording/AccountChanges.h"
#include "storage/AccountTables.h"

class AppContext;
class Clock;

// The working-time account's commands of tagwerk-cli: holidays, target,
// absence, report account and report missing. They parse their own options
// and open what they need; main() only hands them the arguments.
struct AccountCommandInput
{
    AppContext &context;
    const QCommandLineParser &parser;
    QString command;        // e.g. "holidays" or "report account"
    QStringList positional; // the arguments after the command's words
    QDate today;
};

// Nothing when the arguments name none of these commands; otherwise the
// command's exit code.
std::optional<int> runAccountCommand(AppContext &context, const Clock &clock, const QStringList &arguments);

namespace AccountCommand {

int usage(const AccountCommandInput &input, const QString &message);
// The administrator password of --admin-password, read from standard input
// for "-"; nothing (after saying so) when none was given or read.
std::optional<QString> adminPassword(const AccountCommandInput &input);
// A date option's value; nothing (after saying so) when it is no date.
std::optional<QDate> dateOption(const AccountCommandInput &input, const char *name);
// Says the result of a change and gives the exit code.
int changeResult(const AccountChanges::Result &result, const QString &doneMessage);
// Opens the work-time table and its change history (made on a first run)
// and hangs the history on `tables`, so that each change is entered before
// it is written; a history that cannot be written refuses every change.
void enterChangesInHistory(AppContext &context, AccountTables &tables);

} // namespace AccountCommand
