#pragma once

#include <optional>

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

// Dates and times are stored in the work-time table as text in fixed forms.
// They are read back by exactly those forms, whatever the machine's locale:
// a date is day.month.year with a one- or two-digit day and month and a
// four-digit year; a time is hours:minutes with one- or two-digit hours and
// two-digit minutes, seconds optional. Anything else does not parse.
namespace DateTimeText {

std::optional<QDate> parseDate(QStringView text);
std::optional<QTime> parseTime(QStringView text);

// The same dates and times, as plain numbers: a date as YYYYMMDD, which
// orders like the date, a time as seconds since midnight. A scan over every
// record of a large table compares these without building a QDate or QTime.
std::optional<int> parseDateNumber(QStringView text);
int dateNumber(QDate date);
std::optional<int> parseSecondsOfDay(QStringView text);
// The same from a table field's bytes, undecoded: the forms are ASCII, and
// so is the lower half of every code page a table uses.
std::optional<int> parseDateNumber(QLatin1String bytes);
std::optional<int> parseSecondsOfDay(QLatin1String bytes);

// DD.MM.YYYY and HH:MM, as the program writes them.
QString formatDate(QDate date);
QString formatTime(QTime time);

} // namespace DateTimeText
