#include "PublicHolidays.h"

#include <algorithm>

namespace {

enum class Rule { Fixed, FromEaster, RepentanceDay };

constexpr int Always = 0;
constexpr int Forever = 9999;

struct HolidayRule
{
    const char *name;
    Rule rule;
    int month;  // Fixed
    int day;    // Fixed: day of month; FromEaster: days after Easter Sunday
    const char *states; // blank-separated codes; empty: every state
    int firstYear;
    int lastYear;
};

// Every law-given day off. Valid years are inclusive; a one-time day has
// equal first and last years. The Day of German Unity and the eastern
// states' Reformationstag begin with 1990; Buß- und Bettag was a day off
// everywhere until 1994 and has stayed one in Saxony alone.
const HolidayRule s_rules[] = {
    {"Neujahr", Rule::Fixed, 1, 1, "", Always, Forever},
    {"Heilige Drei Könige", Rule::Fixed, 1, 6, "BW BY ST", Always, Forever},
    {"Internationaler Frauentag", Rule::Fixed, 3, 8, "BE", 2019, Forever},
    {"Internationaler Frauentag", Rule::Fixed, 3, 8, "MV", 2023, Forever},
    {"Karfreitag", Rule::FromEaster, 0, -2, "", Always, Forever},
    {"Ostersonntag", Rule::FromEaster, 0, 0, "BB HE", Always, Forever},
    {"Ostermontag", Rule::FromEaster, 0, 1, "", Always, Forever},
    {"Tag der Arbeit", Rule::Fixed, 5, 1, "", Always, Forever},
    {"Tag der Befreiung", Rule::Fixed, 5, 8, "BE", 2020, 2020},
    {"Tag der Befreiung", Rule::Fixed, 5, 8, "BE", 2025, 2025},
    {"Christi Himmelfahrt", Rule::FromEaster, 0, 39, "", Always, Forever},
    {"Pfingstsonntag", Rule::FromEaster, 0, 49, "BB HE", Always, Forever},
    {"Pfingstmontag", Rule::FromEaster, 0, 50, "", Always, Forever},
    {"Fronleichnam", Rule::FromEaster, 0, 60, "BW BY HE NW RP SL", Always, Forever},
    {"Mariä Himmelfahrt", Rule::Fixed, 8, 15, "SL", Always, Forever},
    {"Weltkindertag", Rule::Fixed, 9, 20, "TH", 2019, Forever},
    {"Tag der Deutschen Einheit", Rule::Fixed, 10, 3, "", 1990, Forever},
    {"Reformationstag", Rule::Fixed, 10, 31, "BB MV SN ST TH", 1990, Forever},
    {"Reformationstag", Rule::Fixed, 10, 31, "HB HH NI SH", 2018, Forever},
    {"Reformationstag", Rule::Fixed, 10, 31, "BW BY BE HB HH HE NI NW RP SL SH", 2017, 2017},
    {"Allerheiligen", Rule::Fixed, 11, 1, "BW BY NW RP SL", Always, Forever},
    {"Buß- und Bettag", Rule::RepentanceDay, 0, 0, "", Always, 1994},
    {"Buß- und Bettag", Rule::RepentanceDay, 0, 0, "SN", 1995, Forever},
    {"1. Weihnachtstag", Rule::Fixed, 12, 25, "", Always, Forever},
    {"2. Weihnachtstag", Rule::Fixed, 12, 26, "", Always, Forever},
};

bool holdsIn(const HolidayRule &rule, const QString &state)
{
    if (*rule.states == '\0')
        return true;
    return !state.isEmpty() && QString::fromLatin1(rule.states).split(QLatin1Char(' ')).contains(state);
}

QDate dateOf(const HolidayRule &rule, int year)
{
    switch (rule.rule) {
    case Rule::Fixed:
        return QDate(year, rule.month, rule.day);
    case Rule::FromEaster:
        return PublicHolidays::easterSunday(year).addDays(rule.day);
    case Rule::RepentanceDay:
        return PublicHolidays::repentanceDay(year);
    }
    return {};
}

} // namespace

const QStringList &PublicHolidays::stateCodes()
{
    static const QStringList codes = {
        QStringLiteral("BW"), QStringLiteral("BY"), QStringLiteral("BE"), QStringLiteral("BB"),
        QStringLiteral("HB"), QStringLiteral("HH"), QStringLiteral("HE"), QStringLiteral("MV"),
        QStringLiteral("NI"), QStringLiteral("NW"), QStringLiteral("RP"), QStringLiteral("SL"),
        QStringLiteral("SN"), QStringLiteral("ST"), QStringLiteral("SH"), QStringLiteral("TH"),
    };
    return codes;
}

bool PublicHolidays::isStateCode(const QString &code)
{
    return stateCodes().contains(code);
}

QList<Holiday> PublicHolidays::holidays(int year, const QString &state)
{
    QList<Holiday> days;
    for (const HolidayRule &rule : s_rules) {
        if (year < rule.firstYear || year > rule.lastYear || !holdsIn(rule, state))
            continue;
        days.append({dateOf(rule, year), QString::fromUtf8(rule.name), false});
    }
    std::stable_sort(days.begin(), days.end(), [](const Holiday &a, const Holiday &b) { return a.date < b.date; });
    return days;
}

QDate PublicHolidays::easterSunday(int year)
{
    // The anonymous Gregorian algorithm (Meeus/Jones/Butcher).
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

QDate PublicHolidays::repentanceDay(int year)
{
    constexpr int Wednesday = 3;
    const QDate eve(year, 11, 22);
    return eve.addDays(-((eve.dayOfWeek() - Wednesday + 7) % 7));
}
