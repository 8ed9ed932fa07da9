#include "HistoryCommand.h"

#include "CliCommand.h"

int runHistory(const QString &databaseDirectory, const ChangeLogHistory::Filter &filter, CliOutput &out)
{
    ChangeLogHistory history(databaseDirectory);
    QString line;
    const bool ok = history.read(filter, [&](const ChangeLogEntry &entry) {
        line.clear();
        const QStringList columns = ChangeLogHistory::columns(entry);
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0)
                line += QLatin1Char('\t');
            appendEscapedField(line, columns.at(i));
        }
        out.writeLine(line);
    });
    if (!ok) {
        printError(history.errorString());
        return history.hashNotFound() ? CliExit::Refused : CliExit::Usage;
    }
    return CliExit::Ok;
}
