#include "WorkingTimeRules.h"

#include <algorithm>

namespace {

using Finding = std::optional<WorkingTimeFinding>;

Finding dailyMaximum(const WorkingDayFacts &day, const WorkingTimeLimits &limits)
{
    if (day.work > limits.dailyWorkMaximum)
        return WorkingTimeFinding{day.work, limits.dailyWorkMaximum};
    return std::nullopt;
}

// The longer work needs the longer break; a day short of it is measured
// against that one only.
Finding breaks(const WorkingDayFacts &day, const WorkingTimeLimits &limits)
{
    if (day.work > limits.longBreakAfter && day.breaks < limits.longBreak)
        return WorkingTimeFinding{day.breaks, limits.longBreak};
    if (day.work > limits.shortBreakAfter && day.breaks < limits.shortBreak)
        return WorkingTimeFinding{day.breaks, limits.shortBreak};
    return std::nullopt;
}

// Work that runs past the next day's start gives a negative rest; the
// report shows it as none at all.
Finding rest(const WorkingDayFacts &day, const WorkingTimeLimits &limits)
{
    if (day.rest && *day.rest < limits.minimumRest)
        return WorkingTimeFinding{std::max(0, *day.rest), limits.minimumRest};
    return std::nullopt;
}

// By the clock: what lies between the rest day's 00:00 and 24:00.
Finding restDay(const WorkingDayFacts &day, const WorkingTimeLimits &limits)
{
    if (day.date.dayOfWeek() == limits.restDay && day.workOnDate)
        return WorkingTimeFinding{*day.workOnDate, limits.restDayWork};
    return std::nullopt;
}

// A holiday that is also the rest day is found once, as the rest day.
Finding holidayWork(const WorkingDayFacts &day, const WorkingTimeLimits &limits)
{
    if (day.holiday && day.date.dayOfWeek() != limits.restDay && day.workOnDate)
        return WorkingTimeFinding{*day.workOnDate, limits.restDayWork};
    return std::nullopt;
}

} // namespace

WorkingTimeRules WorkingTimeRules::germanLaw()
{
    WorkingTimeRules table;
    table.rules = {
        {QStringLiteral("§ 3"), QStringLiteral("Arbeitszeit über 10 Stunden"), false, &dailyMaximum},
        {QStringLiteral("§ 4"), QStringLiteral("Pause zu kurz"), true, &breaks},
        {QStringLiteral("§ 5"), QStringLiteral("Ruhezeit unter 11 Stunden"), true, &rest},
        {QStringLiteral("§ 9"), QStringLiteral("Sonntagsarbeit"), false, &restDay},
        {QStringLiteral("§ 9"), QStringLiteral("Feiertagsarbeit"), false, &holidayWork},
    };
    return table;
}

std::vector<const WorkingTimeRule *> WorkingTimeRules::applicable(bool hoursOnly) const
{
    std::vector<const WorkingTimeRule *> checked;
    for (const WorkingTimeRule &rule : rules) {
        if (!hoursOnly || !rule.needsTimes)
            checked.push_back(&rule);
    }
    return checked;
}
