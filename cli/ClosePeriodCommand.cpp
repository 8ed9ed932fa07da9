#include "ClosePeriodCommand.h"

#include "CliCommand.h"
#include "session/AppContext.h"
#include "base/Clock.h"
#include "store/ClosedPeriod.h"
#include "translation/translateunit.h"

int runClosePeriod(AppContext &context, const ClosePeriodOptions &options)
{
    std::optional<QDate> until;
    if (options.until != QLatin1String("none")) {
        until = parseDateArgument(options.until);
        if (!until) {
            printError(QStringLiteral("tagwerk-cli close-period: ")
                       + TranslateText(QStringLiteral("--until nimmt DD.MM.YYYY, YYYY-MM-DD oder none")));
            return CliExit::Usage;
        }
    }
    const ClosedPeriod::Change change =
        context.closePeriod(until, options.adminPassword);
    switch (change.result) {
    case ClosedPeriod::Change::Done:
    case ClosedPeriod::Change::Unchanged: {
        CliOutput out;
        out.writeLine(change.message);
        return CliExit::Ok;
    }
    case ClosedPeriod::Change::WrongPassword:
    case ClosedPeriod::Change::InFuture:
    case ClosedPeriod::Change::WriteFailed:
        break;
    }
    printError(change.message);
    return CliExit::Refused;
}
