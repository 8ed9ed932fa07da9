#pragma once

#include <QString>

class Clock;
class DbfRecord;

// Work-time tables of a given size for the benchmarks, with texts of the
// lengths and letters real bookings have.
namespace BenchTables {

void fillRecord(DbfRecord &record, quint32 i);
using Filler = void (*)(DbfRecord &record, quint32 i);
// Writes the records in bulk: the layout is the table layer's, the speed is
// the disk's.
bool writeWorkTimeTable(const QString &path, quint32 rows, const Clock &clock, Filler fill = &fillRecord);

} // namespace BenchTables
