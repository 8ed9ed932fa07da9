#pragma once

#include <functional>

#include <QDate>
#include <QString>

#include "storage/AccountData.h"

class AccountTables;
class ClosedPeriod;
struct UserListData;

// Every change to the working-time account's tables goes through here, from
// the windows and from tagwerk-cli alike: behind the administrator password,
// and an absence, a target row or a firm day never into, out of or within
// the closed period (it would change the balances of closed months). Where
// the tables have a journal (the change history), the checks and the write
// are one step for every PC, and the change is entered before it is written.
class AccountChanges
{
public:
    struct Result
    {
        enum Kind { Done, WrongPassword, Refused, Failed } kind = Done;
        QString message; // for the user; empty when done
        bool done() const { return kind == Done; }
    };

    AccountChanges(AccountTables &tables, const ClosedPeriod &closedPeriod, const UserListData &users);

    // Refused when its valid-from date is closed.
    Result setTarget(const TargetWeek &row, const QString &adminPassword);
    // Removes the employee's target row of this valid-from date; refused
    // when that date is closed.
    Result removeTarget(const QString &employee, QDate validFrom, const QString &adminPassword);
    // Refused when it overlaps another absence of the employee.
    Result addAbsence(const Absence &absence, const QString &adminPassword);
    Result removeAbsence(const QString &employee, QDate from, QDate to, const QString &adminPassword);
    Result setState(const QString &state, const QString &adminPassword);
    Result setFirmDay(const FirmDay &day, const QString &adminPassword);
    Result removeFirmDay(QDate date, const QString &adminPassword);

private:
    Result passwordRefusal(const QString &adminPassword) const;
    Result closedRefusal(QDate from) const;
    // `what` says what may not be changed, with %1 for the date.
    Result closedRefusal(QDate date, const QString &what) const;
    Result written(bool ok) const;
    // Runs the checks and the write in one step of the journal, and keeps
    // the write only where the step's end can keep it.
    Result inStep(const std::function<Result()> &checkAndWrite);
    Result stepOnce(const std::function<Result()> &checkAndWrite);

    AccountTables &m_tables;
    const ClosedPeriod &m_closedPeriod;
    const UserListData &m_users;
};
