#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// What an employee enters for one booking. Times are times of day, seconds
// included; in hours-only mode `from` is 00:00 and `to` holds the hours.
struct BookingInput
{
    QString place;
    QString activity;
    QTime from = QTime(0, 0);
    QTime to = QTime(0, 0);
    QTime pause = QTime(0, 0);
    QDate date;
    QString remark;
    bool away = false;
    bool sameTimeAllowed = false; // "Anfangszeit und Endzeit darf gleich sein"
    bool nightWork = false;       // "Endzeit darf kleiner als Anfangszeit sein (Nachtarbeit)"
    // Only the number of hours is asked for: every such booking is stored
    // from 00:00, so it has no times that could clash with another.
    bool hoursOnly = false;
};

// The five input checks of a booking, in the order they run, and the rule
// by which two bookings of one employee on one date clash.
namespace BookingRules {

enum class Check {
    Ok,
    PlaceEmpty,     // program text 9, focus on the place
    ActivityEmpty,  // program text 10, focus on the activity
    SameTimes,      // program text 11, focus on the start
    EndBeforeStart, // program text 12, focus on the start
    BreakTooLong,   // program text 13, focus on the break
};

// The first check that fails, or Ok. A text of blanks counts as filled.
Check check(const BookingInput &input);
int programTextOf(Check check);

// The worked span from start to end; across midnight when the end is earlier.
int spanSeconds(QTime from, QTime to);

// Two intervals of one day clash when one bound of either lies strictly
// inside the other, or both bounds are equal. Touching intervals do not
// clash, and no adjustment is made for night work.
bool clashes(int newFrom, int newTo, int rowFrom, int rowTo);

// Seconds since midnight.
inline int secondsOf(QTime time)
{
    return time.msecsSinceStartOfDay() / 1000;
}

} // namespace BookingRules
