#pragma once

#include <optional>

#include <QByteArray>
#include <QDate>
#include <QString>

#include "ClosedPeriod.h"
#include "storage/DbfRecord.h"
#include "storage/UserListData.h"

class AccountTables;
class RecordTable;

// Where the firm's records live: the Database directory (the embedded
// default: dBase files in one shared folder) or a database server. The
// windows, tagwerk-cli, the evaluations and the law check go through this
// seam only; nothing above it knows which store is in use.
//
// Every change of the bookings is one step for every PC at once: the
// closed-period check, the clash search, the change itself and its entry in
// the change history, so that no PC ever sees the one without the other.
// The small files of the Database directory ("benutzer.dat", "options.dat")
// keep their bytes in either store, so that their readers and writers stay
// the same.
class WorkTimeStore
{
public:
    enum class SmallFile { Users, Options };

    // A booking's span, for the clash search: the employee's bookings of
    // the same date whose times overlap it (seconds of the day; an end at
    // or before the start runs past midnight).
    struct Span
    {
        QString employee;
        QDate date;
        int from = 0;
        int to = 0;
    };

    struct Appended
    {
        // Clashes: nothing stored, the booking overlaps `clashRecord`.
        // Closed: its date lies in the closed period (`error` says so).
        // Locked: another PC held the store past the wait.
        enum Kind { Stored, Clashes, Closed, Failed, Locked } kind = Stored;
        bool doubled = false;    // stored marked double, as asked
        quint32 clashRecord = 0; // the record it overlaps; 0 when none or not told
        QString error;           // for the user
    };

    virtual ~WorkTimeStore() = default;

    // The folder's path or the server's host, port and database, for the
    // messages that name where the records are.
    virtual QString location() const = 0;
    virtual QString errorString() const = 0;

    // Opens for the program's work: creates what is missing, upgrades an
    // older layout and opens the change history. False with errorString()
    // when the records cannot be reached (empty when the user was already
    // told); nothing stored is touched then.
    virtual bool open() = 0;
    // Opens only to read (list, report, verify, history): writes nothing,
    // creates nothing; a store without records is an error naming it.
    virtual bool openForReading() = 0;
    virtual void close() = 0;

    // The work-time records. Updates and deletions through it are entered
    // in the change history in the same step, and refused in the closed
    // period.
    virtual RecordTable &bookings() = 0;

    // Appends `record` (Doppelt set by the store): refused when its date is
    // closed; when `span` is given and a live booking that is not marked
    // double overlaps it, stored marked double only with `storeIfClash`.
    virtual Appended appendBooking(DbfRecord &record, const std::optional<Span> &span, bool storeIfClash) = 0;

    // The bytes of a small file; nothing when it was never written, or when
    // it cannot be read (`readFailed` set, errorString() says why).
    virtual std::optional<QByteArray> readSmallFile(SmallFile file, bool &readFailed) = 0;
    // Replaces the file whole, or leaves it as it was; false with
    // errorString() when it cannot be written.
    virtual bool writeSmallFile(SmallFile file, const QByteArray &bytes) = 0;

    // Points `tables` at the working-time account's tables in this store,
    // with the change history as their journal where it is open, so that
    // each change is entered in the same step as it is made.
    virtual void placeAccount(AccountTables &tables) = 0;

    // The closed period, read from this store at each check.
    virtual ClosedPeriod &closedPeriod() = 0;
    // Closes the bookings up to `until` (none: reopens them all) as
    // ClosedPeriod::closeUntil() does, entering the closing in the change
    // history in the same step as the closing date: both or neither.
    virtual ClosedPeriod::Change closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                             const UserListData &users, QDate today) = 0;

    // Writes the whole store as a Database directory: the work-time table
    // with every record at its number (deleted ones marked), the change
    // history and the small files, as the folder store keeps them, byte for
    // byte. For export, and for reading and checking the history with the
    // folder's own readers.
    virtual bool exportTo(const QString &directory) = 0;
    // The same with the work-time table's layout but none of its records:
    // enough to read the history, not to check it, and quick on a server
    // with a million records.
    virtual bool exportHistoryTo(const QString &directory) { return exportTo(directory); }

    // The change history's last chain hash (hex), for the foot of printed
    // reports; empty when there is none.
    virtual QByteArray historyChecksum() = 0;
    // Who and which computer the history names from now on.
    virtual void setAuthor(const QString &who) = 0;
};
