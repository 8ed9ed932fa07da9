#pragma once

#include <QStringList>

class RecordTable;

// The texts offered in the place and activity lists of the record entry.
namespace PresetTexts {

// Every distinct text of the field over the live rows, once, in the order of
// its first appearance; exact comparison, the empty text included. Empty,
// with `readOk` false, when the table cannot be read to its end.
QStringList generated(RecordTable &table, int field, bool *readOk = nullptr);
// The same for several fields at once, in one pass over the table (on a
// large table, or a server, each pass takes seconds): one list per field.
QList<QStringList> generated(RecordTable &table, const QList<int> &fields, bool *readOk = nullptr);
// The lines of a fixed list (joined by CR LF), empty lines included.
QStringList fixedLines(const QString &memoText);

} // namespace PresetTexts
