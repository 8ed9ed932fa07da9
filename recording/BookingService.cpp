#include "BookingService.h"

#include "ClashIndex.h"
#include "ClosedPeriod.h"
#include "base/Clock.h"
#include "storage/DateTimeText.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

BookingService::BookingService(DbfTable &table, ClashIndex &index, const Clock &clock, const ClosedPeriod *closedPeriod)
    : m_table(table)
    , m_index(index)
    , m_clock(clock)
    , m_closedPeriod(closedPeriod)
{
}

DbfRecord BookingService::buildRecord(const BookingInput &input, const QString &employee, bool doubled) const
{
    const QDateTime now = m_clock.now();
    DbfRecord record = m_table.newRecord();
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

// Under the header lock: no other instance appends between the search and
// the append. Returns whether the booking clashes; appends unless it clashes
// and `appendIfClash` is false.
bool BookingService::searchAndMaybeAppend(const BookingInput &input, const QString &employee, bool appendIfClash,
                                          Outcome &outcome)
{
    if (!m_table.lockHeader()) {
        outcome.kind = m_table.status() == DbfTable::Status::Locked ? Outcome::Locked : Outcome::WriteFailed;
        outcome.error = m_table.errorString();
        return false;
    }
    // Asked again after the question too: the period may have been closed
    // while it was up.
    if (m_closedPeriod) {
        const QString closed = m_closedPeriod->bookingRefusal(input.date);
        if (!closed.isEmpty()) {
            m_table.unlockHeader();
            outcome.kind = Outcome::Closed;
            outcome.error = closed;
            return false;
        }
    }
    // A booking is stored only after a search that read every row.
    const std::optional<bool> found = !m_table.refresh() ? std::nullopt
        : input.hoursOnly ? std::optional<bool>(false)
                          : m_index.findClash(employee, input.date, BookingRules::secondsOf(input.from),
                                              BookingRules::secondsOf(input.to), &outcome.clashRecord);
    if (!found) {
        m_table.unlockHeader();
        outcome.kind = Outcome::WriteFailed;
        outcome.error = m_table.errorString();
        return false;
    }
    const bool clash = *found;
    if (!clash || appendIfClash) {
        DbfRecord record = buildRecord(input, employee, clash);
        if (m_table.append(record)) {
            outcome.kind = Outcome::Stored;
            outcome.doubled = clash;
        } else {
            outcome.kind = Outcome::WriteFailed;
            outcome.error = m_table.errorString();
        }
    }
    m_table.unlockHeader();
    return clash;
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
