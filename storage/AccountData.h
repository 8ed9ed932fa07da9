#pragma once

#include <array>

#include <QDate>
#include <QList>
#include <QString>

// What the working-time account is told beside the bookings: the target
// weeks, the absences, the firm's federal state and its own days off. The
// tables of the Database directory hold it (AccountTables); the windows and
// tagwerk-cli edit it; the account reads it.

// A week of target hours, valid from its date until the employee's next row.
struct TargetWeek
{
    QString employee;
    QDate validFrom;
    std::array<int, 7> minutes{}; // Monday ... Sunday
    double vacationDays = 0;      // the yearly entitlement, in halves at the finest
    int openingBalance = 0;       // minutes, at the date of the employee's first row

    bool operator==(const TargetWeek &other) const = default;
};

enum class AbsenceKind { Vacation, Sick, Leave, Unpaid };

struct Absence
{
    QString employee;
    QDate from; // both inclusive
    QDate to;
    AbsenceKind kind = AbsenceKind::Vacation;
    bool halfDay = false;

    bool operator==(const Absence &other) const = default;
    bool isPaid() const { return kind != AbsenceKind::Unpaid; }
};

// A day off of the firm's own (a local holiday, a bridge day): it counts as
// a public holiday.
struct FirmDay
{
    QDate date;
    QString name;

    bool operator==(const FirmDay &other) const = default;
};

struct AccountData
{
    QList<TargetWeek> targets;
    QList<Absence> absences;
    QString state; // two letters, empty: none set (the nationwide days only)
    QList<FirmDay> firmDays;
};
