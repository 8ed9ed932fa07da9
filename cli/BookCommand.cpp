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

// A script cannot be asked: say which booking is in the way, and how to
// store this one all the same.
QString overlapRefusal(RecordTable &table, quint32 clashRecord)
{
    DbfRecord other;
    if (clashRecord == 0 || !table.readRecord(clashRecord, other))
        return TranslateText(QStringLiteral("Für diesen Zeitraum existiert bereits eine Buchung. Mit --if-double yes "
                                            "wird sie als doppelte Buchung markiert gespeichert."));
    return TranslateText(QStringLiteral("Die Buchung überschneidet sich mit der Buchung vom %1, %2–%3, %4. Mit "
                                        "--if-double yes wird sie als doppelte Buchung markiert gespeichert."))
        .arg(other.text(WorkTimeTables::Datum), other.text(WorkTimeTables::ZeitVon), other.text(WorkTimeTables::ZeitBis),
             other.text(WorkTimeTables::Ort));
}

} // namespace

int runBook(AppContext &context, const BookOptions &options)
{
    const bool hoursOnly = !options.hours.isEmpty();
    if (hoursOnly == (!options.from.isEmpty() || !options.to.isEmpty()))
        return usage(TranslateText(QStringLiteral("Entweder --from und --to oder --hours angeben")));
    if (!hoursOnly && (options.from.isEmpty() || options.to.isEmpty()))
        return usage(TranslateText(QStringLiteral("--from und --to gehören zusammen")));
    const auto date = parseDateArgument(options.date);
    if (!date)
        return usage(takesDate("date"));
    const auto from = hoursOnly ? std::optional<QTime>(QTime(0, 0)) : parseTimeArgument(options.from);
    const auto to = parseTimeArgument(hoursOnly ? options.hours : options.to);
    const auto pause = parseTimeArgument(options.pause);
    if (!from || !to || !pause)
        return usage(TranslateText(QStringLiteral("Zeiten nehmen HH:MM")));
    const QList<DbfFieldDef> fields = WorkTimeTables::fieldDefinitions([](int) { return QString(); });
    for (const auto &[name, text, field] :
         {std::tuple{"place", options.place, WorkTimeTables::Ort}, std::tuple{"activity", options.activity, WorkTimeTables::Taetigkeit},
          std::tuple{"remark", options.remark, WorkTimeTables::Bemerkungen}}) {
        if (hasControlCharacter(text))
            return usage(TranslateText(QStringLiteral("--%1 darf keine Steuerzeichen enthalten (TAB, Zeilenumbrüche, ...)"))
                             .arg(QLatin1String(name)));
        // The table would cut a longer text without a word.
        if (text.size() > fields.at(field).width)
            return usage(TranslateText(QStringLiteral("--%1 nimmt höchstens %2 Zeichen")).arg(QLatin1String(name)).arg(fields.at(field).width));
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

    BookingService service(context.store(), context.clock());
    const BookingService::Outcome outcome =
        service.book(input, context.arbeiter, [&] { return options.ifDouble.value_or(false); });
    switch (outcome.kind) {
    case BookingService::Outcome::Stored:
        return CliExit::Ok;
    case BookingService::Outcome::CheckFailed:
        return refused(ProgramText(BookingRules::programTextOf(outcome.check)));
    case BookingService::Outcome::NotConfirmed:
        return refused(overlapRefusal(context.store().bookings(), outcome.clashRecord));
    case BookingService::Outcome::WriteFailed:
    case BookingService::Outcome::Closed:
        return refused(outcome.error);
    case BookingService::Outcome::Locked:
        printError(outcome.error);
        return CliExit::Usage;
    }
    return CliExit::Refused;
}
