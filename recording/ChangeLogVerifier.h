#pragma once

#include <optional>
#include <unordered_map>

#include <QByteArray>
#include <QDate>
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
class ChangeLogVerifier
{
public:
    struct Finding
    {
        enum Kind { LogMissing, LogUnreadable, EntryAltered, StartListAltered, RecordChanged, RecordChangedBefore,
                    RecordDeleted, RecordRestored, RecordAppended, RecordMissing, ClosingDisagrees,
                    ChangeInterrupted };
        Kind kind = RecordChanged;
        quint32 recordNumber = 0;
        quint32 entryNumber = 0;
        QStringList fields; // the fields that differ, where the log tells them
        QString reason;     // LogUnreadable
        // In the user's language.
        QString text() const;
    };

    // Both files are read, never written. `table` must be open.
    ChangeLogVerifier(DbfTable &table, const QString &directory);

    // True when nothing was found.
    bool run();

    quint32 entryCount() const { return m_entryCount; }
    QByteArray lastHash() const { return m_lastHash; }
    const QList<Finding> &findings() const { return m_findings; }
    // What was found that is no fault of anyone (ChangeInterrupted: the last
    // entry's change never reached the table, as after a crash between the
    // two writes); these do not make run() fail.
    const QList<Finding> &notes() const { return m_notes; }

private:
    void report(Finding::Kind kind, quint32 recordNumber = 0, quint32 entryNumber = 0, const QString &reason = {});
    bool walkLog(DbfTable &log);
    void checkEntry(const ChangeLogEntry &entry, quint32 entryNumber);
    bool knownStateMatches(quint32 recordNumber, const QByteArray &digestHex) const;
    void checkRecords();
    void checkInterrupted();
    void checkCancelled(const ChangeLogEntry &entry, quint32 entryNumber);
    void checkClosingFile();
    void addRecordFinding(quint32 recordNumber, const DbfRecord &record, const QByteArray &expectedHex);
    QStringList differingFields(quint32 recordNumber, const DbfRecord &record);

    DbfTable &m_table;
    QString m_directory;
    quint32 m_entryCount = 0;
    QByteArray m_lastHash;
    QList<Finding> m_findings;
    QList<Finding> m_notes;
    std::optional<ChangeLogEntry> m_previousEntry; // while walking: the entry before
    bool m_closingLogged = false;
    QDate m_closedUntil;
    bool m_started = false;
    quint32 m_startCount = 0;
    QByteArray m_startList;
    std::unordered_map<quint32, QByteArray> m_expected; // record → hex digest after its last entry
};
