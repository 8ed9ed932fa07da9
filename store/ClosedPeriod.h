#pragma once

#include <functional>
#include <optional>

#include <QDate>
#include <QByteArray>
#include <QString>

#include "storage/ClosingDateFile.h"

class DbfRecord;
struct UserListData;

// The closed period: bookings dated on or before the closing date are kept
// as they are. Nothing may be booked for such a date, no row dated so may be
// changed or deleted, and no row may be given such a date. The date lives in
// "abschluss.dat" beside the work-time table and is read anew for every
// check, since another PC may have moved it a moment ago. A file that cannot
// be read closes everything until the administrator sets the date again:
// guessing "nothing closed" would open what was closed. Where the change
// history is kept, its last closing entry is the authority: a file that
// disagrees with it (or is missing while the history has a closing) counts
// as a damaged file, so that deleting or copying the file reopens nothing.
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

    // What the history says was closed last: `known` false when there is no
    // history to ask (the file alone then counts); `any` false when it holds
    // no closing; `until` invalid for "nothing closed".
    struct Recorded
    {
        bool known = false;
        bool any = false;
        QDate until;
    };

    // `databaseDirectory` names the directory of the work-time table, with
    // its trailing separator, at the moment of each check.
    explicit ClosedPeriod(std::function<QString()> databaseDirectory);

    // Where the closing file's bytes live, for a store that keeps them
    // elsewhere than in the directory: `load` reads them (nothing: never
    // written; a read that fails reads as damaged), `save` replaces them
    // (false with the reason), `name` says where they are in messages.
    struct Bytes
    {
        std::function<std::optional<QByteArray>(bool &readFailed)> load;
        std::function<bool(const QByteArray &bytes, QString &error)> save;
        QString name;
        // Why the last load failed (a server out of reach), told instead of
        // calling the bytes damaged; empty: damaged.
        std::function<QString()> readError = {};
    };
    void setBytes(Bytes bytes) { m_bytes = std::move(bytes); }

    // Asked at each check for the history's last closing.
    void setRecordedClosing(std::function<Recorded()> recorded) { m_recorded = std::move(recorded); }
    // Entered into the history before the file is written (write-ahead):
    // returns the refusal, empty when entered. Told `before` and the new date.
    using RecordFirst = std::function<QString(const State &before, std::optional<QDate> after)>;

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
    // With `recordFirst` the change is entered before the file is written;
    // when the file then cannot be written, the way back is entered too.
    Change closeUntil(std::optional<QDate> until, const QString &adminPassword, const UserListData &users, QDate today,
                      const RecordFirst &recordFirst = {});

    // "Closed until ..." or "nothing closed", or the file's problem.
    static QString describe(const State &state);

private:
    QString refusalFor(const State &state, const QString &storedDate, const QString &newDate, bool deleting) const;

    ClosingDateFile::LoadResult load(std::optional<QDate> &until, bool &exists, QString &readError) const;
    bool save(std::optional<QDate> until, QString &error) const;

    std::function<QString()> m_databaseDirectory;
    std::function<Recorded()> m_recorded;
    Bytes m_bytes;
};
