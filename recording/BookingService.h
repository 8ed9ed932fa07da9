#pragma once

#include <functional>

#include <QString>

#include "BookingRules.h"
#include "storage/DbfRecord.h"

class Clock;
class WorkTimeStore;

// Stores a booking the way "Okay, erfassen" does: the five checks, the
// search for a clashing booking of the same employee on the same date, the
// question, and the appended Work-time record. In hours-only mode there are
// no times to compare, so no search is made. The store makes the search and
// the append one step for every PC, so two PCs booking the same times at
// once store at most one record that is not marked double; a booking dated
// in the closed period is refused in that step, each time.
class BookingService
{
public:
    struct Outcome
    {
        // Locked: another instance held the table's lock past the wait.
        enum Kind { Stored, CheckFailed, NotConfirmed, WriteFailed, Closed, Locked } kind = Stored;
        BookingRules::Check check = BookingRules::Check::Ok;
        bool doubled = false;  // stored although it clashes
        QString error;         // WriteFailed, Locked: the table's reason (a failed read too); Closed: why
        quint32 clashRecord = 0; // the record number of a booking it clashes with; 0 when none
    };

    BookingService(WorkTimeStore &store, const Clock &clock);

    // `confirmDouble` is asked when the booking clashes (no lock is held
    // meanwhile); true stores it marked as double.
    Outcome book(const BookingInput &input, const QString &employee, const std::function<bool()> &confirmDouble);
    // The same, telling the question which booking is in the way (its record
    // number, 0 when it could not be told).
    Outcome book(const BookingInput &input, const QString &employee,
                 const std::function<bool(quint32 clashRecord)> &confirmDouble);

    // The twelve fields: dates as DD.MM.YYYY, times as HH:MM with seconds
    // dropped, the entry date and time from the clock.
    DbfRecord buildRecord(const BookingInput &input, const QString &employee, bool doubled) const;

private:
    bool searchAndMaybeAppend(const BookingInput &input, const QString &employee, bool appendIfClash,
                              Outcome &outcome);

    WorkTimeStore &m_store;
    const Clock &m_clock;
};
