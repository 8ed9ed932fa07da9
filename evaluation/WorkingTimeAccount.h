#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "HolidayCalendar.h"
#include "storage/AccountData.h"

// The working-time account: what each employee owed by contract, what they
// worked, and what stands between them, day by day from their first target
// row, reported per month; and their vacation. Bookings come in one at a
// time, in any order (a pass over the work-time table); everything else is
// given whole at the start.
//
// A day's target is the weekday's value of the row in force, 0 on a holiday
// (a firm day too) and on a day of unpaid leave (half of it for a half day).
// A paid absence credits the day's target (half of it for a half day); a
// day without target gets no credit and uses no vacation. The balance is the
// opening balance plus, day by day, worked + credit - target. Vacation: the
// entitlement of a calendar year is that of the row in force on 1 January
// (or of the employee's first row, in the year the rows begin); the days
// left at a year's end carry over, are used first, and lapse after 31 March.
class WorkingTimeAccount
{
public:
    // Durations in seconds: bookings may hold seconds, and half of an odd
    // number of minutes is no whole minute.
    struct Month
    {
        QString employee;
        QDate month;  // its first day
        QDate last;   // the last day counted: the month's, or the period's end
        qint64 target = 0;
        qint64 worked = 0;
        qint64 credit = 0;
        qint64 balance = 0; // at `last`
        double vacationTaken = 0;
        double vacationRemaining = 0; // at `last`
        qint64 difference() const { return worked + credit - target; }
    };

    struct MissingDay
    {
        QString employee;
        QDate date;
    };

    // The period whose months are reported; both bounds inclusive.
    WorkingTimeAccount(const AccountData &data, QDate from, QDate to);

    // Whether the employee has a target (only their bookings count).
    bool hasTarget(const QString &employee) const { return m_index.contains(employee); }
    // One booking; `seconds` none for one whose times are no times (a day
    // booked all the same). Bookings before an employee's first row or after
    // the period are left out.
    void addBooking(const QString &employee, QDate date, std::optional<int> seconds);

    // The employees with a target row, ordered by name.
    QStringList employees() const;
    // Per employee (or only `employee`) and month of the period, in order.
    QList<Month> months(const std::optional<QString> &employee = std::nullopt) const;
    // Days of the period up to the day before `today` with a target above 0,
    // no booking, no absence and no holiday; by employee, then date.
    QList<MissingDay> missingDays(QDate today, const std::optional<QString> &employee = std::nullopt) const;

    // Seconds as whole minutes, rounded to the nearest (halves away from 0).
    static qint64 minutes(qint64 seconds);

private:
    struct Person
    {
        QString name;
        std::vector<TargetWeek> rows; // by valid-from
        QHash<qint64, Absence> absences; // by Julian day
        qint64 firstDay = 0;
        std::vector<int> worked;  // seconds, per day from firstDay to the period's end
        std::vector<bool> booked;
    };

    struct Day
    {
        QDate date;
        qint64 target = 0;
        qint64 worked = 0;
        qint64 credit = 0;
        bool booked = false;
        bool absent = false;
        bool holiday = false;
        double vacation = 0;
        qint64 balance = 0; // after the day
        double vacationRemaining = 0;
    };

    void walk(const Person &person, const std::function<void(const Day &)> &visit) const;
    std::vector<const Person *> chosen(const std::optional<QString> &employee) const;

    HolidayCalendar m_holidays;
    QDate m_from;
    QDate m_to;
    std::vector<Person> m_people;
    QHash<QString, int> m_index;
    int m_last = -1; // bookings come in runs of one employee
};
