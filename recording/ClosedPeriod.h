#pragma once

#include <functional>
#include <optional>

#include <QDate>
#include <QString>

class DbfRecord;
struct UserListData;

// The closed period: bookings dated on or before the closing date are kept
// as they are. Nothing may be booked for such a date, no row dated so may be
// changed or deleted, and no row may be given such a date. The date lives in
// "abschluss.dat" beside the work-time table and is read anew for every
// check, since another PC may have moved it a moment ago. A file that cannot
// be read closes everything until the administrator sets the date again:
// guessing "nothing closed" would open what was closed.
class ClosedPeriod
{
public:
    struct State
    {
        enum Kind { Open, Closed, Unknown } kind = Open;
        QDate until;     // Closed: the last closed day
        QString problem; // Unknown: why, for the user
    };

    struct Change
    {
        enum Result { Done, Unchanged, WrongPassword, InFuture, WriteFailed } result = Done;
        State before;                // what was closed until now
        std::optional<QDate> after;  // what is closed now (Done, Unchanged)
        QString message;             // for the user: the refusal or the new state
    };

    // `databaseDirectory` names the directory of the work-time table, with
    // its trailing separator, at the moment of each check.
    explicit ClosedPeriod(std::function<QString()> databaseDirectory);

    QString filePath() const;
    State read() const;

    // Why a new booking dated `date` may not be stored, in the user's
    // language; empty when it may.
    QString bookingRefusal(QDate date) const;
    // Why a row of the work-time table may not be written: `before` as it is
    // stored (nullptr for a new row), `after` as it would be written (nullptr
    // for a deletion). Empty when it may. A row whose date is no date is
    // outside every closed period.
    QString writeRefusal(const DbfRecord *before, const DbfRecord *after) const;

    // Closes every booking up to and including `until`, or reopens all with
    // nothing. Every closing and reopening goes through here: the
    // administrator password is checked as the administrator login checks
    // it, a date after `today` is refused (it would stop today's bookings),
    // and the file is written only when the date changes. The result holds
    // the date before and after.
    Change closeUntil(std::optional<QDate> until, const QString &adminPassword, const UserListData &users, QDate today);

    // "Closed until ..." or "nothing closed", or the file's problem.
    static QString describe(const State &state);

private:
    QString refusalFor(const State &state, const QString &storedDate, const QString &newDate, bool deleting) const;

    std::function<QString()> m_databaseDirectory;
};
