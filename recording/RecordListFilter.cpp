#include "RecordListFilter.h"

#include "storage/DateTimeText.h"
#include "storage/DbfRecord.h"
#include "storage/WorkTimeTables.h"

bool Dbf1FilterRecord(const DbfRecord &record, const QString &employee, bool onlyCurrentMonth, QDate today)
{
    if (record.text(WorkTimeTables::Arbeiter) != employee)
        return false;
    if (!onlyCurrentMonth)
        return true;
    const auto date = DateTimeText::parseDate(record.text(WorkTimeTables::Datum));
    if (!date)
        return true;
    return date->year() == today.year() && date->month() == today.month();
}
