#pragma once

#include <QByteArray>
#include <QStringList>

// The CSV form the evaluations write: UTF-8 with a byte-order mark, fields
// separated by semicolons, quoted only where they hold a semicolon, a quote
// or a line end, rows ended by CR LF.
namespace CsvRow {

QByteArray byteOrderMark();
// One row with its line end, as UTF-8.
QByteArray format(const QStringList &values);

} // namespace CsvRow
