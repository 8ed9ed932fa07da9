#pragma once

#include <QDate>
#include <QString>

class DbfRecord;

// The row filter of the employee's record list (Dbf1FilterRecord): the
// employee's own rows, compared exactly, and with `onlyCurrentMonth` those
// dated in the month of `today`. A row whose date does not parse is shown.
bool Dbf1FilterRecord(const DbfRecord &record, const QString &employee, bool onlyCurrentMonth, QDate today);
