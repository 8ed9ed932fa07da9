#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include <QDate>
#include <QHash>
#include <QString>

#include "storage/DbfTable.h"

// The live rows of the work-time table by employee and date, so that a
// booking looks only at that employee's rows of that day instead of walking
// the file. It answers exactly as the walk does: the same rows are skipped
// (deleted ones, and those whose date, start or end does not parse) and the
// same five conditions decide.
//
// It follows every change made through its table. Whether another instance
// wrote in between (appended, edited or deleted records) tells the table's
// change counter: when it is not the one this instance's own last write
// left, the index is read anew from the file.
class ClashIndex : public DbfTable::Observer
{
public:
    explicit ClashIndex(DbfTable &table);
    ~ClashIndex() override;
    ClashIndex(const ClashIndex &) = delete;
    ClashIndex &operator=(const ClashIndex &) = delete;

    // Reads the whole table; otherwise done on first use. False when a
    // record could not be read (the table's errorString() says why).
    bool rebuild();
    // Whether a booking of `employee` on `date` from `from` to `to` (seconds
    // of the day) clashes with a live row; nothing when the table could not
    // be read, for an index that lacks a row would let a clash through. The
    // caller holds the table's header lock, so that no other instance writes
    // meanwhile, and refreshes the table first.
    // `clashing`, when given, receives the record number of the first row
    // it clashes with.
    std::optional<bool> findClash(const QString &employee, QDate date, int from, int to, quint32 *clashing = nullptr);

    void recordChanged(const DbfRecord *before, const DbfRecord *after) override;
    void tableReset() override;

private:
    struct Entry
    {
        quint32 record;
        int from;
        int to;
    };
    using Days = std::unordered_map<qint64, std::vector<Entry>>;

    bool catchUp();
    void add(const DbfRecord &record);
    void remove(const DbfRecord &record);

    DbfTable &m_table;
    QHash<QString, Days> m_rows;
    quint32 m_indexed = 0; // records 1..m_indexed are in the index
    bool m_valid = false;
    std::optional<quint32> m_counter; // the table's change counter when the index last matched it
};
