#pragma once

#include <functional>
#include <optional>

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "ChangeLogEntry.h"

// Reads the change history for showing it: the entries that pass a filter,
// in file order, each as the columns the window, the printout and
// `tagwerk-cli history` show.
class ChangeLogHistory
{
public:
    struct Filter
    {
        QString employee; // exact; empty: everyone
        QDate from;       // by the entry's date; invalid: open
        QDate to;
        std::optional<quint32> recordNumber;
        QByteArray afterHash; // hex, lower case; set: only the entries after the one with this chain hash
        bool matches(const ChangeLogEntry &entry) const;
    };

    explicit ChangeLogHistory(const QString &directory);

    // Calls `sink` for each entry that passes, oldest first. False with a
    // reason when the log cannot be read, or when no entry has the filter's
    // `afterHash` (hashNotFound()); a missing log has no entries.
    bool read(const Filter &filter, const std::function<void(const ChangeLogEntry &)> &sink);
    QString errorString() const { return m_errorString; }
    bool hashNotFound() const { return m_hashNotFound; }

    // Timestamp, who, computer, action, record number, changes, chain hash: in German
    // (for a window, whose texts the dictionary walk translates), and in the
    // user's language.
    static QStringList germanColumnTitles();
    static QStringList columnTitles();
    static QStringList columns(const ChangeLogEntry &entry);

private:
    QString m_directory;
    QString m_errorString;
    bool m_hashNotFound = false;
};
