#pragma once

#include <QByteArray>
#include <QString>

#include "recording/ChangeLogEntry.h"
#include "storage/AccountTables.h"

class Clock;
class ServerConnection;

// The change history's step for the working-time account on the server: a
// transaction from the first check to the last write, in which each change
// of an account table is entered in "protokoll" before it is written, as
// the folder's history enters it. Account changes take their turn under an
// advisory lock; the entry takes the number after the last entry read when
// the step began, so that a booking or a closing stored by another PC in
// between makes the entry's key taken: then nothing of the step is kept, and
// the step says it was overtaken (AccountChanges runs the change again, its
// checks included). So the history stays one chain in commit order, and
// every check saw the state its change was made on.
class ServerAccountJournal : public AccountTables::Journal
{
public:
    ServerAccountJournal(ServerConnection &connection, const Clock &clock);

    bool accountChangeBegins(QString &refusal) override;
    bool accountChangeEnds(QString &error) override;
    bool accountTableChanging(const AccountTables::TableChange &change, QString &refusal) override;
    void accountChangeNotMade() override { m_failed = true; }
    bool accountChangeOvertaken() const override { return m_overtaken; }

    // Enters each account table on the server that holds rows as it is (as
    // the folder's history does when it begins), for a history begun after
    // the tables were filled: an import of a folder without one.
    bool pinTables(QString &error);
    // The same inside a transaction the caller holds (the import's), after
    // the history's start: no BEGIN, no COMMIT, no lock.
    bool pinTablesWithin(QString &error);

private:
    bool pinEntries(QString &error);
    bool run(const QString &sql);
    // Appends `entry` after the last one the step read.
    bool enter(ChangeLogEntry &entry, QString &refusal);

    ServerConnection &m_connection;
    const Clock &m_clock;
    QString m_host;
    int m_depth = 0;
    bool m_failed = false;
    bool m_overtaken = false;
    qint64 m_lastEntry = 0;
    QByteArray m_lastHash;
};
