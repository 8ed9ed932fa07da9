#include "BookCommand.h"

#include <tuple>

#include "CliCommand.h"
#include "session/AppContext.h"
#include "recording/BookingService.h"
#include "storage/DateTimeText.h"
#include "storage/WorkTimeTables.h"
#include "translation/translateunit.h"

namespace {


int usage(const QString &message)
{
    printError(QStringLiteral("tagwerk-cli book: ") + message);
    return CliExit::Usage;
}

int refused(const QString &programText)
{
    printError(programText);
    return CliExit::Refused;
}

} // namespace

int runBook(AppContext &context, const BookOptions &options)
{
    const bool hoursOnly = !options.hours.isEmpty();
    if (hoursOnly == (!options.from.isEmpty() || !options.to.isEmpty()))
        return usage(QStringLiteral("give either --from and --to, or --hours"));
    if (!hoursOnly && (options.from.isEmpty() || options.to.isEmpty()))
        return usage(QStringLiteral("--from and --to go together"));
    const auto date = parseDateArgument(options.date);
    if (!date)
        return usage(QStringLiteral("--date takes DD.MM.YYYY or YYYY-MM-DD"));
    const auto from = hoursOnly ? std::optional<QTime>(QTime(0, 0)) : parseTimeArgument(options.from);
    const auto to = parseTimeArgument(hoursOnly ? options.hours : options.to);
    const auto pause = parseTimeArgument(options.pause);
    if (!from || !to || !pause)
        return usage(QStringLiteral("times take HH:MM"));
    const QList<DbfFieldDef> fields = WorkTimeTables::fieldDefinitions([](int) { return QString(); });
    for (const auto &[name, text, field] :
         {std::tuple{"place", options.place, WorkTimeTables::Ort}, std::tuple{"activity", options.activity, WorkTimeTables::Taetigkeit},
          std::tuple{"remark", options.remark, WorkTimeTables::Bemerkungen}}) {
        if (hasControlCharacter(text))
            return usage(QStringLiteral("--%1 must not hold control characters (TAB, line breaks, ...)")
                             .arg(QLatin1String(name)));
        // The table would cut a longer text without a word.
        if (text.size() > fields.at(field).width)
            return usage(QStringLiteral("--%1 takes at most %2 characters").arg(QLatin1String(name)).arg(fields.at(field).width));
    }

    if (!context.loginEmployee(options.user, options.password))
        return refused(ProgramText(3));

    BookingInput input;
    input.place = options.place;
    input.activity = options.activity;
    input.from = *from;
    input.to = *to;
    input.pause = *pause;
    input.date = *date;
    input.remark = options.remark;
    input.away = options.away;
    input.sameTimeAllowed = options.sameTimeOk;
    input.nightWork = options.nightWork;
    input.hoursOnly = hoursOnly;

    BookingService service(context.tables().Dbf1, context.clashIndex(), context.clock(), &context.closedPeriod());
    const BookingService::Outcome outcome =
        service.book(input, context.arbeiter, [&] { return options.ifDouble.value_or(false); });
    switch (outcome.kind) {
    case BookingService::Outcome::Stored:
        return CliExit::Ok;
    case BookingService::Outcome::CheckFailed:
        return refused(ProgramText(BookingRules::programTextOf(outcome.check)));
    case BookingService::Outcome::NotConfirmed:
        return refused(ProgramText(14));
    case BookingService::Outcome::WriteFailed:
    case BookingService::Outcome::Closed:
        return refused(outcome.error);
    case BookingService::Outcome::Locked:
        printError(outcome.error);
        return CliExit::Usage;
    }
    return CliExit::Refused;
}
