#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "storage/AccountData.h"

class RecordTable;

// What the booking window tells an employee of their working-time account:
// the balance up to yesterday, the vacation days left, and the days of the
// last two weeks on which a booking is missing, so that they are booked
// while they are remembered. Only the employee's own bookings count, in
// one pass over the records.
namespace AccountGlance {

constexpr int MissingDaysBack = 14;

// The key of a weekday's short name (1 Monday ... 7 Sunday): "Mo" ... "So".
QString dayKey(int dayOfWeek);

// The lines to show, in the user's language; none when the employee has no
// target row in force by yesterday. Empty with `error` set when the records
// could not be read.
QStringList lines(const AccountData &data, RecordTable &bookings, const QString &employee, QDate today,
                  QString *error);

} // namespace AccountGlance
