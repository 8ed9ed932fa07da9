#include "BookingService.h"

#include "base/Clock.h"
#include "storage/DateTimeText.h"
#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"
#include "store/WorkTimeStore.h"

BookingService::BookingService(WorkTimeStore &store, const Clock &clock)
    : m_store(store)
    , m_clock(clock)
{
}

DbfRecord BookingService::buildRecord(const BookingInput &input, const QString &employee, bool doubled) const
{
    const QDateTime now = m_clock.now();
    DbfRecord record = m_store.bookings().newRecord();
    record.setText(WorkTimeTables::Datum, DateTimeText::formatDate(input.date));
    record.setText(WorkTimeTables::Arbeiter, employee);
    record.setText(WorkTimeTables::Ort, input.place);
    record.setText(WorkTimeTables::Taetigkeit, input.activity);
    record.setText(WorkTimeTables::ZeitVon, DateTimeText::formatTime(input.from));
    record.setText(WorkTimeTables::ZeitBis, DateTimeText::formatTime(input.to));
    record.setText(WorkTimeTables::Bemerkungen, input.remark);
    record.setLogical(WorkTimeTables::Auswaerts, input.away);
    record.setText(WorkTimeTables::Pause, DateTimeText::formatTime(input.pause));
    record.setLogical(WorkTimeTables::Doppelt, doubled);
    record.setText(WorkTimeTables::DatumEintrag, DateTimeText::formatDate(now.date()));
    record.setText(WorkTimeTables::ZeitEintrag, DateTimeText::formatTime(now.time()));
    return record;
}

// One step in the store: no other PC appends between the search and the
// append. Returns whether the booking clashes; appends unless it clashes and
// `appendIfClash` is false.
bool BookingService::searchAndMaybeAppend(const BookingInput &input, const QString &employee, bool appendIfClash,
                                          Outcome &outcome)
{
    std::optional<WorkTimeStore::Span> span;
    if (!input.hoursOnly)
        span = WorkTimeStore::Span{employee, input.date, BookingRules::secondsOf(input.from),
                                   BookingRules::secondsOf(input.to)};
    DbfRecord record = buildRecord(input, employee, false);
    const WorkTimeStore::Appended appended = m_store.appendBooking(record, span, appendIfClash);
    outcome.clashRecord = appended.clashRecord;
    outcome.error = appended.error;
    outcome.doubled = appended.doubled;
    switch (appended.kind) {
    case WorkTimeStore::Appended::Stored:
        outcome.kind = Outcome::Stored;
        return appended.doubled;
    case WorkTimeStore::Appended::Clashes:
        return true;
    case WorkTimeStore::Appended::Closed:
        outcome.kind = Outcome::Closed;
        return false;
    case WorkTimeStore::Appended::Locked:
        outcome.kind = Outcome::Locked;
        return false;
    case WorkTimeStore::Appended::Failed:
        break;
    }
    outcome.kind = Outcome::WriteFailed;
    return false;
}

BookingService::Outcome BookingService::book(const BookingInput &input, const QString &employee,
                                             const std::function<bool()> &confirmDouble)
{
    return book(input, employee, std::function<bool(quint32)>([&](quint32) { return confirmDouble(); }));
}

BookingService::Outcome BookingService::book(const BookingInput &input, const QString &employee,
                                             const std::function<bool(quint32 clashRecord)> &confirmDouble)
{
    Outcome outcome;
    outcome.check = BookingRules::check(input);
    if (outcome.check != BookingRules::Check::Ok) {
        outcome.kind = Outcome::CheckFailed;
        return outcome;
    }
    const bool clash = searchAndMaybeAppend(input, employee, false, outcome);
    if (!clash || outcome.kind == Outcome::WriteFailed || outcome.kind == Outcome::Closed
        || outcome.kind == Outcome::Locked)
        return outcome;
    // The question is asked without the lock: a person may take their time.
    if (!confirmDouble(outcome.clashRecord)) {
        outcome.kind = Outcome::NotConfirmed;
        return outcome;
    }
    searchAndMaybeAppend(input, employee, true, outcome);
    return outcome;
}
