#pragma once

#include <QList>
#include <QString>
#include <QTime>

// Breaks entered as up to five from-to pairs, summed into the break time and
// listed for the remark.
namespace BreakEntry {

struct Pair
{
    QTime from = QTime(0, 0);
    QTime to = QTime(0, 0);
};

// The sum of (to - from) over the pairs, signed, as a time of day: whole
// days dropped and the sign ignored.
QTime total(const QList<Pair> &pairs);

// "Pausen: 09:00-09:15; 12:00-12:30" for the pairs whose bounds differ, with
// `heading` (program text 16) in front; empty when every pair is empty.
QString list(const QList<Pair> &pairs, const QString &heading);

} // namespace BreakEntry
