#include "WorkingTimeAccount.h"

#include <algorithm>

namespace {

constexpr qint64 SecondsPerMinute = 60;

// The entitlement of `year`: the row in force on 1 January, or the first row.
double entitlementOf(const std::vector<TargetWeek> &rows, int year)
{
    const QDate newYear(year, 1, 1);
    double days = rows.front().vacationDays;
    for (const TargetWeek &row : rows) {
        if (row.validFrom <= newYear)
            days = row.vacationDays;
    }
    return days;
}

} // namespace

WorkingTimeAccount::WorkingTimeAccount(const AccountData &data, QDate from, QDate to)
    : m_holidays(data.state, data.firmDays)
    , m_from(from)
    , m_to(to)
{
    for (const TargetWeek &row : data.targets) {
        auto found = m_index.constFind(row.employee);
        if (found == m_index.constEnd()) {
            found = m_index.insert(row.employee, int(m_people.size()));
            m_people.push_back(Person{row.employee, {}, {}, 0, {}, {}});
        }
        m_people[size_t(*found)].rows.push_back(row);
    }
    for (Person &person : m_people) {
        std::stable_sort(person.rows.begin(), person.rows.end(),
                         [](const TargetWeek &a, const TargetWeek &b) { return a.validFrom < b.validFrom; });
        person.firstDay = person.rows.front().validFrom.toJulianDay();
        const qint64 days = std::max<qint64>(0, m_to.toJulianDay() - person.firstDay + 1);
        person.worked.assign(size_t(days), 0);
        person.booked.assign(size_t(days), false);
    }
    for (const Absence &absence : data.absences) {
        const auto found = m_index.constFind(absence.employee);
        if (found == m_index.constEnd())
            continue;
        Person &person = m_people[size_t(*found)];
        const qint64 first = std::max(absence.from.toJulianDay(), person.firstDay);
        const qint64 last = std::min(absence.to.toJulianDay(), m_to.toJulianDay());
        for (qint64 day = first; day <= last; ++day)
            person.absences.insert(day, absence);
    }
}

void WorkingTimeAccount::addBooking(const QString &employee, QDate date, std::optional<int> seconds)
{
    if (m_last < 0 || m_people[size_t(m_last)].name != employee) {
        const auto found = m_index.constFind(employee);
        if (found == m_index.constEnd())
            return;
        m_last = *found;
    }
    Person &person = m_people[size_t(m_last)];
    const qint64 offset = date.toJulianDay() - person.firstDay;
    if (offset < 0 || offset >= qint64(person.worked.size()))
        return;
    person.worked[size_t(offset)] += seconds.value_or(0);
    person.booked[size_t(offset)] = true;
}

QStringList WorkingTimeAccount::employees() const
{
    QStringList names;
    for (const Person &person : m_people)
        names << person.name;
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a.localeAwareCompare(b) < 0; });
    return names;
}

std::vector<const WorkingTimeAccount::Person *> WorkingTimeAccount::chosen(const std::optional<QString> &employee) const
{
    std::vector<const Person *> people;
    for (const QString &name : employees()) {
        if (!employee || *employee == name)
            people.push_back(&m_people[size_t(m_index.value(name))]);
    }
    return people;
}

void WorkingTimeAccount::walk(const Person &person, const std::function<void(const Day &)> &visit) const
{
    qint64 balance = qint64(person.rows.front().openingBalance) * SecondsPerMinute;
    size_t row = 0;
    int year = 0;
    double entitlementLeft = 0;
    double carryLeft = 0;
    for (qint64 julian = person.firstDay; julian <= m_to.toJulianDay(); ++julian) {
        Day day;
        day.date = QDate::fromJulianDay(julian);
        if (day.date.year() != year) {
            const bool first = year == 0;
            year = day.date.year();
            carryLeft = first ? 0 : entitlementLeft + carryLeft;
            entitlementLeft = entitlementOf(person.rows, year);
        }
        // What is left of last year's days is gone after 31 March; a
        // shortfall carried over stays.
        if (day.date.month() == 4 && day.date.day() == 1 && carryLeft > 0)
            carryLeft = 0;
        while (row + 1 < person.rows.size() && person.rows[row + 1].validFrom <= day.date)
            ++row;
        day.target = qint64(person.rows[row].minutes[size_t(day.date.dayOfWeek() - 1)]) * SecondsPerMinute;
        day.holiday = m_holidays.isHoliday(day.date);
        if (day.holiday)
            day.target = 0;
        const auto absence = person.absences.constFind(julian);
        if (absence != person.absences.constEnd()) {
            day.absent = true;
            if (!absence->isPaid()) {
                day.target = absence->halfDay ? day.target / 2 : 0;
            } else if (day.target > 0) {
                day.credit = absence->halfDay ? day.target / 2 : day.target;
                if (absence->kind == AbsenceKind::Vacation)
                    day.vacation = absence->halfDay ? 0.5 : 1.0;
            }
        }
        if (day.vacation > 0) {
            const double fromCarry = day.date.month() <= 3 && carryLeft > 0 ? std::min(day.vacation, carryLeft) : 0.0;
            carryLeft -= fromCarry;
            entitlementLeft -= day.vacation - fromCarry;
        }
        const size_t offset = size_t(julian - person.firstDay);
        day.worked = person.worked[offset];
        day.booked = person.booked[offset];
        balance += day.worked + day.credit - day.target;
        day.balance = balance;
        day.vacationRemaining = entitlementLeft + carryLeft;
        visit(day);
    }
}

QList<WorkingTimeAccount::Month> WorkingTimeAccount::months(const std::optional<QString> &employee) const
{
    QList<Month> result;
    for (const Person *person : chosen(employee)) {
        walk(*person, [&](const Day &day) {
            if (day.date < m_from)
                return;
            const QDate first(day.date.year(), day.date.month(), 1);
            if (result.isEmpty() || result.last().employee != person->name || result.last().month != first)
                result.append(Month{person->name, first, day.date});
            Month &month = result.last();
            month.last = day.date;
            month.target += day.target;
            month.worked += day.worked;
            month.credit += day.credit;
            month.balance = day.balance;
            month.vacationTaken += day.vacation;
            month.vacationRemaining = day.vacationRemaining;
        });
    }
    return result;
}

QList<WorkingTimeAccount::MissingDay> WorkingTimeAccount::missingDays(QDate today,
                                                                      const std::optional<QString> &employee) const
{
    QList<MissingDay> result;
    for (const Person *person : chosen(employee)) {
        walk(*person, [&](const Day &day) {
            if (day.date >= m_from && day.date < today && day.target > 0 && !day.booked && !day.absent && !day.holiday)
                result.append({person->name, day.date});
        });
    }
    return result;
}

qint64 WorkingTimeAccount::minutes(qint64 seconds)
{
    const qint64 absolute = seconds < 0 ? -seconds : seconds;
    const qint64 rounded = (absolute + SecondsPerMinute / 2) / SecondsPerMinute;
    return seconds < 0 ? -rounded : rounded;
}
