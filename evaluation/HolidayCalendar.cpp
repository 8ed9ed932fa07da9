#include "HolidayCalendar.h"

#include <algorithm>

HolidayCalendar::HolidayCalendar(QString state, QList<FirmDay> firmDays)
    : m_state(std::move(state))
    , m_firmDays(std::move(firmDays))
{
}

QList<Holiday> HolidayCalendar::holidays(int year) const
{
    QList<Holiday> days = PublicHolidays::holidays(year, m_state);
    for (const FirmDay &day : m_firmDays) {
        if (day.date.year() == year)
            days.append({day.date, day.name, true});
    }
    std::stable_sort(days.begin(), days.end(), [](const Holiday &a, const Holiday &b) { return a.date < b.date; });
    return days;
}

bool HolidayCalendar::isHoliday(QDate date) const
{
    auto year = m_years.constFind(date.year());
    if (year == m_years.constEnd()) {
        QSet<qint64> days;
        for (const Holiday &day : holidays(date.year()))
            days.insert(day.date.toJulianDay());
        year = m_years.insert(date.year(), days);
    }
    return year->contains(date.toJulianDay());
}
