#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include "ChangeLogEntry.h"
#include "storage/DbfTable.h"

class Clock;
class Reporter;

// The change history of the work-time table: an append-only, hash-chained
// dBase table "protokoll.dbf" beside it. Hung on the table as its journal,
// it logs every append, update and deletion that table object makes, while
// the table's header lock is still held: all instances write the table
// under that lock, so the log's order is the order of the writes.
//
// The first entry (Beginn) is written when the log is opened and does not
// exist yet. It holds the number of records then present and the digest of
// "protokollbeginn.dat" (NACHHER), which keeps the first 8 bytes of the SHA-256 of
// each of those records, so that a later check tells which of them changed,
// and the digest of the table's structure (VORHER; empty in histories
// begun before it was kept).
class ChangeLog : public DbfTable::Observer
{
public:
    static constexpr const char *StartListFileName = "protokollbeginn.dat";
    static constexpr int StartDigestSize = 8;
    static constexpr const char *AdministratorName = "Administrator";

    ChangeLog(DbfTable &table, const Clock &clock);
    ~ChangeLog() override;
    ChangeLog(const ChangeLog &) = delete;
    ChangeLog &operator=(const ChangeLog &) = delete;

    // Opens (creating and starting it when missing) the log in `directory`
    // (with trailing separator), and from then on logs the table's changes.
    // The table must be open.
    bool open(const QString &directory);
    void close();
    bool isOpen() const { return m_log.isOpen(); }
    QString errorString() const { return m_errorString; }
    // Whether a change since open() could not be logged, and the message
    // that says so. The change itself is stored: the table was written first.
    bool hasFailed() const { return m_failed; }
    QString failureText() const { return m_failureText; }
    // Told of a change that could not be logged, once the event loop runs
    // again: the table's lock is held while the entry is written, and a
    // message box must not hold every other instance waiting.
    void setFailureReporter(Reporter *reporter) { m_failureReporter = reporter; }

    // Who is named in the entries from now on; the host name is the
    // computer's unless set otherwise.
    void setAuthor(const QString &who) { m_who = who; }
    QString author() const { return m_who; }
    void setHost(const QString &host) { m_host = host; }

    // Logs a closing of the bookings up to `newDate` (an invalid date: none),
    // or a reopening when `newDate` is earlier or none. Record number 0,
    // change text "CLOSED_UNTIL: old -> new".
    bool appendPeriodClosing(const QString &who, const QString &host, const QDate &oldDate, const QDate &newDate);

    // The last entry's chain hash (hex), read from the file's end.
    QByteArray lastHash();
    quint32 entryCount();

    // The last chain hash of the history in `directory`, read without
    // opening it for writing; empty when there is none.
    static QByteArray lastHashIn(const QString &directory);
    // "Prüfsumme des Änderungsprotokolls: …" for the foot of printed and PDF
    // reports, in the user's language; empty when there is no history.
    static QString checksumLine(const QString &directory);

    // SHA-256 (hex) of the table's structure as its header holds it: the
    // language byte and each field's name, type, width and decimal count
    // (not the record count or the date of the last update). The start
    // entry keeps it in VORHER; empty when the header cannot be read.
    static QByteArray structureDigest(const QString &tablePath);

    // The hash of `recordBytes` as the start list keeps it.
    static QByteArray startDigest(const QByteArray &recordBytes);

    // DbfTable::Observer
    void recordChanged(const DbfRecord *before, const DbfRecord *after) override;
    void tableReset() override {}

private:
    bool fail(const QString &reason);
    bool start(const QString &directory);
    bool appendEntry(ChangeLogEntry &entry);
    QString describeChanges(const DbfRecord *before, const DbfRecord *after) const;

    DbfTable &m_table;
    const Clock &m_clock;
    DbfTable m_log;
    QString m_who;
    QString m_host;
    QString m_errorString;
    bool m_failed = false;
    bool m_attached = false;
    QString m_failureText;
    Reporter *m_failureReporter = nullptr;
};
