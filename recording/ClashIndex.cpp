#include "ClashIndex.h"

#include <algorithm>

#include "BookingRules.h"
#include "storage/DateTimeText.h"
#include "storage/WorkTimeTables.h"

namespace {

struct ParsedRow
{
    QString employee;
    qint64 day = 0;
    int from = 0;
    int to = 0;
};

// The row as the clash search reads it, or nothing when the search skips it.
std::optional<ParsedRow> parse(const DbfRecord &record)
{
    if (record.isDeleted())
        return std::nullopt;
    const auto date = DateTimeText::parseDate(record.text(WorkTimeTables::Datum));
    const auto from = DateTimeText::parseTime(record.text(WorkTimeTables::ZeitVon));
    const auto to = DateTimeText::parseTime(record.text(WorkTimeTables::ZeitBis));
    if (!date || !from || !to)
        return std::nullopt;
    return ParsedRow{record.text(WorkTimeTables::Arbeiter), date->toJulianDay(), BookingRules::secondsOf(*from),
                     BookingRules::secondsOf(*to)};
}

} // namespace

ClashIndex::ClashIndex(DbfTable &table)
    : m_table(table)
{
    m_table.setObserver(this);
}

ClashIndex::~ClashIndex()
{
    m_table.setObserver(nullptr);
}

void ClashIndex::tableReset()
{
    m_valid = false;
    m_rows.clear();
    m_indexed = 0;
}

bool ClashIndex::rebuild()
{
    tableReset();
    // Only a table of today's layout has the fields the search reads.
    m_valid = m_table.isOpen() && m_table.fieldCount() >= WorkTimeTables::FieldCount;
    // Taken before reading: a write meanwhile makes the next look read again.
    m_counter = m_table.changeCounter();
    return catchUp();
}

bool ClashIndex::catchUp()
{
    if (!m_valid)
        return true;
    DbfRecord record;
    for (quint32 number = m_indexed + 1; number <= m_table.recordCount(); ++number) {
        if (!m_table.readRecord(number, record))
            return false; // the rest is read again next time
        add(record);
        m_indexed = number;
    }
    return true;
}

void ClashIndex::add(const DbfRecord &record)
{
    const auto row = parse(record);
    if (!row)
        return;
    std::vector<Entry> &entries = m_rows[row->employee][row->day];
    const Entry entry{record.recordNumber(), row->from, row->to};
    // Kept in record order, as the walk meets them.
    const auto at = std::lower_bound(entries.begin(), entries.end(), entry.record,
                                     [](const Entry &e, quint32 number) { return e.record < number; });
    entries.insert(at, entry);
}

void ClashIndex::remove(const DbfRecord &record)
{
    const auto row = parse(record);
    if (!row)
        return;
    const auto employee = m_rows.find(row->employee);
    if (employee == m_rows.end())
        return;
    const auto day = employee->find(row->day);
    if (day == employee->end())
        return;
    std::vector<Entry> &entries = day->second;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const Entry &e) { return e.record == record.recordNumber(); }),
                  entries.end());
}

void ClashIndex::recordChanged(const DbfRecord *before, const DbfRecord *after)
{
    if (!m_valid)
        return;
    // Only when nobody else wrote since the index last matched the file does
    // it match again after this write; otherwise the next look reads anew.
    if (m_counter == m_table.counterBeforeLastWrite())
        m_counter = m_table.counterAfterLastWrite();
    if (!before) {
        // An append: read everything up to it, other instances' records included.
        catchUp();
        return;
    }
    if (before->recordNumber() > m_indexed)
        return; // catchUp will read it as it is then
    remove(*before);
    if (after)
        add(*after);
}

std::optional<bool> ClashIndex::findClash(const QString &employee, QDate date, int from, int to, quint32 *clashing)
{
    const std::optional<quint32> counter = m_table.changeCounter();
    if ((!m_valid || !counter || counter != m_counter) && !rebuild())
        return std::nullopt;
    if (m_indexed < m_table.recordCount() && !catchUp())
        return std::nullopt;
    const auto rows = m_rows.constFind(employee);
    if (rows == m_rows.constEnd())
        return false;
    const auto day = rows->find(date.toJulianDay());
    if (day == rows->end())
        return false;
    for (const Entry &entry : day->second) {
        if (BookingRules::clashes(from, to, entry.from, entry.to)) {
            if (clashing)
                *clashing = entry.record;
            return true;
        }
    }
    return false;
}
