#include "BookingRules.h"

namespace BookingRules {

namespace {
constexpr int SecondsPerDay = 24 * 60 * 60;
}

int spanSeconds(QTime from, QTime to)
{
    int span = secondsOf(to) - secondsOf(from);
    if (span < 0)
        span += SecondsPerDay;
    return span;
}

Check check(const BookingInput &input)
{
    if (input.place.isEmpty())
        return Check::PlaceEmpty;
    if (input.activity.isEmpty())
        return Check::ActivityEmpty;
    if (!input.sameTimeAllowed && input.from == input.to)
        return Check::SameTimes;
    if (!input.nightWork && input.to < input.from)
        return Check::EndBeforeStart;
    if (secondsOf(input.pause) > spanSeconds(input.from, input.to))
        return Check::BreakTooLong;
    return Check::Ok;
}

int programTextOf(Check check)
{
    switch (check) {
    case Check::PlaceEmpty: return 9;
    case Check::ActivityEmpty: return 10;
    case Check::SameTimes: return 11;
    case Check::EndBeforeStart: return 12;
    case Check::BreakTooLong: return 13;
    case Check::Ok: break;
    }
    return 0;
}

bool clashes(int s, int e, int rs, int re)
{
    return (s < rs && rs < e) || (s < re && re < e) || (rs < s && s < re) || (rs < e && e < re) || (s == rs && e == re);
}

} // namespace BookingRules
