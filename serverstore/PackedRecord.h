#pragma once

#include <QString>
#include <QStringView>

class DbfRecord;

// A live record of "arbeitszeit" as one text column, for the whole-table
// stream: the driver pays per column and row (a result of its own for each
// row, a value converted for each column), so a row of one column reads
// several times faster than one of fourteen. The server writes
//   satz "," the length of each text field (characters) ";" a letter for
//   each logical field ("T", "F", "?" for none) and then the texts, joined
// which needs no separator a text could hold.
class PackedRecord
{
public:
    // The SELECT list item; `columns` as ServerTable::Columns.
    static QString expression(const char *columns);
    // Fills `record` (of the work-time layout) from `packed`; false when it
    // is not of that form.
    static bool read(QStringView packed, DbfRecord &record);
};
