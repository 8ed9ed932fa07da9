#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "ChangeLogEntry.h"

class DbfRecord;
class DbfTable;

// Checks the change history against itself and against the work-time
// table: every entry's chain hash, the start list, and that every record is
// in the state its last entry says, or, for a record older than the log and
// never changed through Tagwerk, in the state it had when the log began.
// Beside the chain, which anyone who can write the folder can extend, it
// shows what a forger must leave behind: a change to a row of a period that
// was closed at the time, an entry dated before the one before it, a table
// whose structure is no longer the one pinned at the log's start, bytes
// around the entries that no entry explains. The log and the table are each
// read once, whatever is found. The working-time account's tables are held
// to the digest of their content that their last entries name.
class ChangeLogVerifier
{
public:
    struct Finding
    {
        enum Kind { LogMissing, LogUnreadable, EntryAltered, StartListAltered, RecordChanged, RecordChangedBefore,
                    RecordDeleted, RecordRestored, RecordAppended, RecordMissing, StructureChanged, ClosedRowChanged,
                    TimeGoesBack, CountDisagrees, TrailingBytes, ClosingDisagrees, ChangeInterrupted, TableChanged,
                    TableChangedBefore };
        Kind kind = RecordChanged;
        quint32 recordNumber = 0;
        quint32 entryNumber = 0;
        qint64 stated = 0; // CountDisagrees: the header's count; TrailingBytes: how many
        qint64 found = 0;  // CountDisagrees: the entries the file's length holds
        QStringList fields; // the fields that differ, where the log tells them
        QString reason;     // LogUnreadable; TableChanged: why the table cannot be read, if so
        // TableChanged, TableChangedBefore, ChangeInterrupted,
        // ClosedRowChanged: the account table's path (empty for the
        // work-time table).
        QString file;
        // In the user's language.
        QString text() const;
    };

    // Both files are read, never written. `table` must be open.
    ChangeLogVerifier(DbfTable &table, const QString &directory);

    // How far an entry may be dated before the entry before it: the clocks
    // of the PCs that share a folder differ by less.
    static constexpr int AllowedClockSkewSeconds = 10 * 60;

    // True when nothing was found.
    bool run();

    quint32 entryCount() const { return m_entryCount; }
    QByteArray lastHash() const { return m_lastHash; }
    const QList<Finding> &findings() const { return m_findings; }
    // Why the log or the table could not be read to its end; empty when
    // both were. A check that could not read everything proves nothing.
    QString readError() const { return m_readError; }
    // What was found that is no fault of anyone (ChangeInterrupted: the last
    // entry's change never reached the table, as after a crash between the
    // two writes); these do not make run() fail.
    const QList<Finding> &notes() const { return m_notes; }

private:
    // What the log says of one record.
    struct RecordState
    {
        QByteArray digest;                 // hex, after its last entry
        std::vector<quint32> valueEntries; // its New and Changed entries, which name field values
        std::optional<QDate> date;         // its date, where an entry named it
    };
    // A change to a record whose date no entry named before, made while the
    // bookings up to `closedUntil` were closed: the table tells the date.
    struct ClosedCheck
    {
        quint32 recordNumber;
        quint32 entryNumber;
        QDate closedUntil;
    };

    void report(Finding::Kind kind, quint32 recordNumber = 0, quint32 entryNumber = 0, const QString &reason = {});
    void checkLogLength(const QString &path);
    bool walkLog();
    void checkEntry(const ChangeLogEntry &entry, quint32 entryNumber);
    void readStartList(const ChangeLogEntry &entry);
    void checkClosedRow(const ChangeLogEntry &entry, quint32 entryNumber, RecordState &state);
    void trackClosing(const ChangeLogEntry &entry);
    bool knownStateMatches(quint32 recordNumber, const QByteArray &digestHex) const;
    void checkRecords();
    void checkInterrupted();
    void checkCancelled(const ChangeLogEntry &entry, quint32 entryNumber);
    void checkClosingFile();
    void checkTableEntry(const ChangeLogEntry &entry, quint32 entryNumber);
    void checkClosedAccountRow(const ChangeLogEntry &entry, quint32 entryNumber);
    void checkAccountTables();
    QString accountPath(ChangeLogEntry::Action action) const;
    void addRecordFinding(quint32 recordNumber, const DbfRecord &record, const QByteArray &expectedHex);
    QStringList differingFields(quint32 recordNumber, const DbfRecord &record);

    DbfTable &m_table;
    QString m_directory;
    DbfTable *m_log = nullptr; // while run() reads it
    quint32 m_entryCount = 0;
    QByteArray m_lastHash;
    QList<Finding> m_findings;
    QString m_readError;
    quint32 m_lastFlaggedEntry = 0;
    QList<Finding> m_notes;
    std::optional<ChangeLogEntry> m_previousEntry; // while walking: the entry before
    bool m_closingLogged = false;
    QDate m_loggedClosing; // the last closing entry's date, for abschluss.dat
    bool m_started = false;
    quint32 m_startCount = 0;
    QByteArray m_startList; // the digests of the records the table still reaches
    QDateTime m_previousTime;
    std::optional<QDate> m_closedUntil;
    std::vector<ClosedCheck> m_closedChecks;
    std::unordered_map<quint32, RecordState> m_expected;
    // Per account table's file name: its content's digest after its last
    // entry (empty: no live record).
    QHash<QString, QByteArray> m_tableDigests;
};
