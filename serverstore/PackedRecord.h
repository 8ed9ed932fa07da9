#pragma once

#include <QString>
#include <QStringView>

class DbfRecord;

// A live record of "arbeitszeit" as one text column, for the whole-table
// stream: the driver pays per column and row (a result of its own for each
// row, a value converted for each column), so a row of one column reads
// several times faster than one of fourteen. The server writes
//   satz ";", a character for the length of each text field (its UTF-8
//   bytes + LengthBase), a letter for each logical field ("T", "F", "?"
//   for none) and then the texts, joined,
// which needs no separator a text could hold, and little work of the server
// (a length in bytes is stored with the text; a number in digits is not).
class PackedRecord
{
public:
    static constexpr int LengthBase = 48;

    // The SELECT list item; `columns` as ServerTable::Columns.
    static QString expression(const char *columns);
    // Fills `record` (of the work-time layout) from `packed`; false when it
    // is not of that form.
    static bool read(QStringView packed, DbfRecord &record);
};
