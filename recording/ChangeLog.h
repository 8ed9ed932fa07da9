#pragma once

#include <optional>

#include <QByteArray>
#include <QDate>
#include <QString>

#include "ChangeLogEntry.h"
#include "storage/AccountTables.h"
#include "storage/DbfTable.h"

class Clock;
class Reporter;

// The change history of the work-time table: an append-only, hash-chained
// dBase table "protokoll.dbf" beside it. Hung on the table as its journal,
// it is written ahead of the table: every append, update and deletion that
// table object makes is entered (and out of the process) before the table
// is written, while the table's header lock is held. All instances write
// the table under that lock, so the log's order is the order of the writes,
// and a crash between the two writes leaves an entry whose change is not in
// the table: the next entry written under the lock first closes it with an
// entry "Abgebrochen", and until then the check says an interrupted change
// was found, accusing nobody. A change that cannot be entered is not made.
//
// The first entry (Beginn) is written when the log is opened and does not
// exist yet. It holds the number of records then present and the digest of
// "protokollbeginn.dat" (NACHHER), which keeps the first 8 bytes of the SHA-256 of
// each of those records, so that a later check tells which of them changed,
// and the digest of the table's structure (VORHER; empty in histories
// begun before it was kept). Each account table that holds rows then is
// taken as it is by an entry of its own after it (after Neubeginn on a
// restart).
// A history that was begun (its start list or the closing file is there)
// but whose log is missing, or a log whose layout is not exactly the log's,
// is never started anew nor written to: every change is refused until the
// administrator starts the history again (restart()).
//
// Hung on the working-time account's tables as their journal too, it enters
// each change of one of them (by the administrator, the only one who may
// make them) under the same lock, before the table is written, with the
// table's digest before and after (ChangeLogEntry::tableDigest()).
class ChangeLog : public DbfTable::Journal, public AccountTables::Journal
{
public:
    static constexpr const char *StartListFileName = "protokollbeginn.dat";
    static constexpr int StartDigestSize = 8;
    static constexpr const char *AdministratorName = "Administrator";

    enum class State { Closed, Open, Missing, Damaged, Failed };

    // The date the history's last closing entry set: `any` false when the
    // history holds no closing; `until` invalid for "nothing closed".
    struct Closing
    {
        bool any = false;
        QDate until;
    };

    ChangeLog(DbfTable &table, const Clock &clock);
    ~ChangeLog() override;
    ChangeLog(const ChangeLog &) = delete;
    ChangeLog &operator=(const ChangeLog &) = delete;

    // Opens (creating and starting it when missing and never begun) the log
    // in `directory` (with trailing separator), and from then on logs the
    // table's changes; false when it cannot, and then, the table being open,
    // every change of the table is refused with errorString(). Opening an
    // existing log writes nothing.
    bool open(const QString &directory);
    void close();
    bool isOpen() const { return m_state == State::Open; }
    State state() const { return m_state; }
    QString errorString() const { return m_errorString; }

    // Who is named in the entries from now on; the host name is the
    // computer's unless set otherwise.
    void setAuthor(const QString &who) { m_who = who; }
    QString author() const { return m_who; }
    void setHost(const QString &host) { m_host = host; }

    // Logs a closing of the bookings up to `newDate` (an invalid date: none),
    // or a reopening when `newDate` is earlier or none. Record number 0,
    // change text "CLOSED_UNTIL: old -> new". The caller holds the table's
    // header lock across this entry and the closing file's write.
    bool appendPeriodClosing(const QString &who, const QString &host, const QDate &oldDate, const QDate &newDate);
    // The history's last closing, read from the entries appended since the
    // last call; nothing when the log is not open or cannot be read.
    std::optional<Closing> lastClosing();

    // Starts the history in `directory` again, where it is missing or
    // damaged (the table must be open): a damaged log and the old start list
    // are kept under a new name, then a Beginn, a Neubeginn entry by the
    // administrator naming what was lost, and, where `closedUntil` is set,
    // a closing entry to the date of the closing file. False with
    // errorString() when the history is in order or cannot be started.
    bool restart(const QString &directory, const QString &host, const std::optional<QDate> &closedUntil);

    // The last entry's chain hash (hex), read from the file's end.
    QByteArray lastHash();
    quint32 entryCount();

    // The last chain hash of the history in `directory`, read without
    // opening it for writing; empty when there is none.
    static QByteArray lastHashIn(const QString &directory);
    // "Prüfsumme des Änderungsprotokolls: …" for the foot of printed and PDF
    // reports, in the user's language; empty when there is no history.
    static QString checksumLine(const QString &directory);
    // Whether a history was begun in `directory`: its start list or a
    // closing file is there.
    static bool hasTraces(const QString &directory);
    // The refusal for a log at `path` whose layout check found `problem`.
    static QString damagedMessage(const QString &path, const QString &problem);

    // SHA-256 (hex) of the table's structure as its header holds it: the
    // language byte and each field's name, type, width and decimal count
    // (not the record count or the date of the last update). The start
    // entry keeps it in VORHER; empty when the header cannot be read.
    static QByteArray structureDigest(const QString &tablePath);

    // The hash of `recordBytes` as the start list keeps it.
    static QByteArray startDigest(const QByteArray &recordBytes);

    // The tableDigest() of the account table at `path` as it is now (empty
    // when it is missing); nothing, with `error` set, when it cannot be read.
    static std::optional<QByteArray> accountTableDigest(const QString &path, QString *error = nullptr,
                                                        int *liveRecords = nullptr);

    // The entry of a change of an account table, as every store enters it
    // (the host not yet set): by the administrator, with the table's digest
    // before and after.
    static ChangeLogEntry accountEntry(const AccountTables::TableChange &change);
    // The entry that takes an account table as a history finds it when it
    // begins: from nothing to `digest`, telling its `rows` (SAETZE).
    static ChangeLogEntry pinEntry(ChangeLogEntry::Action action, const QByteArray &digest, int rows, const QString &who);

    // DbfTable::Journal
    bool recordChanging(const DbfRecord *before, const DbfRecord *after, QString &refusal) override;
    void changeNotMade() override;

    // AccountTables::Journal
    bool accountChangeBegins(QString &refusal) override;
    bool accountChangeEnds(QString &error) override;
    bool accountTableChanging(const AccountTables::TableChange &change, QString &refusal) override;
    void accountChangeNotMade() override { changeNotMade(); }

private:
    bool fail(const QString &reason);
    bool refuse(State state, const QString &reason);
    bool openLog(const QString &directory);
    bool start(const QString &directory, const QString &who, bool pinTables = true);
    bool pinAccountTables(const QString &directory, const QString &who);
    bool appendEntry(ChangeLogEntry &entry, bool closeInterrupted = true);
    bool closeInterruptedChange(const ChangeLogEntry &last);
    void attach();
    static QString describeAccountChange(const AccountTables::TableChange &change);
    QString logDirectory() const;

    DbfTable &m_table;
    const Clock &m_clock;
    DbfTable m_log;
    QString m_path;
    QString m_who;
    QString m_host;
    QString m_errorString;
    State m_state = State::Closed;
    bool m_attached = false;
    quint32 m_closingScanned = 0;
    Closing m_closing;
};
