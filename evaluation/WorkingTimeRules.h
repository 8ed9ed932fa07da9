#pragma once

#include <optional>
#include <vector>

#include <QDate>
#include <QString>

// The limits of the German Working Hours Act (Arbeitszeitgesetz) that the
// working-time law check applies, in minutes. They stand in one place
// because other countries' laws differ and may one day be settings.
struct WorkingTimeLimits
{
    int dailyWorkMaximum = 10 * 60;  // § 3: work of one day
    int shortBreakAfter = 6 * 60;    // § 4: more work than this needs...
    int shortBreak = 30;             // ...at least this much break
    int longBreakAfter = 9 * 60;     // § 4: more work than this needs...
    int longBreak = 45;              // ...at least this much break
    int shortestCountedGap = 15;     // § 4: a shorter gap between bookings, or stored break, is no rest break
    int minimumRest = 11 * 60;       // § 5: from the end of one working day to the start of the next
    Qt::DayOfWeek restDay = Qt::Sunday; // § 9
    int restDayWork = 0;             // § 9: shown as the limit; any booking on the rest day breaks it
};

// What the rules look at of one employee's working day.
struct WorkingDayFacts
{
    QDate date;
    int work = 0;            // minutes, the time booked less the breaks, overlaps counted once
    int breaks = 0;          // the stored breaks and the gaps that count as breaks
    std::optional<int> rest; // minutes since the previous working day ended; none without one
    // Minutes worked between 00:00 and 24:00 of the date, also by bookings
    // of the day before that ran past midnight; none when no booking
    // reaches the date.
    std::optional<int> workOnDate;
    // A public holiday of the firm's state, or one of the firm's own days
    // off: the days the working-time account gives no target.
    bool holiday = false;
};

// A violation: what was found against what the rule allows.
struct WorkingTimeFinding
{
    int found = 0; // minutes
    int limit = 0;
};

// One row of the rule table.
struct WorkingTimeRule
{
    using Check = std::optional<WorkingTimeFinding> (*)(const WorkingDayFacts &, const WorkingTimeLimits &);

    QString paragraph;   // as the report shows it: "§ 3"
    QString explanation; // German; translated where it is written
    bool needsTimes = true; // false: also checked when only hours are recorded
    Check check = nullptr;
};

// The rule table of the working-time law check: the limits and, in the
// order a day's findings are listed, the rules. Public holidays differ from
// state to state: the check is told them (WorkingDayFacts::holiday) from the
// same calendar as the working-time account.
class WorkingTimeRules
{
public:
    // §§ 3, 4, 5 and 9 of the Arbeitszeitgesetz.
    static WorkingTimeRules germanLaw();

    // The rules checked: all, or only those that need no times of day.
    std::vector<const WorkingTimeRule *> applicable(bool hoursOnly) const;

    WorkingTimeLimits limits;
    std::vector<WorkingTimeRule> rules;
};
