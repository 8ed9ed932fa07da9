#pragma once

#include <optional>

#include <QString>
#include <QStringView>
#include <QTime>

// What a typed text may put into a field of a Work-time record. The date
// fields take a date D.M.YYYY that exists and the time fields a time H:MM,
// or nothing at all: a text that no reader of the table can parse would drop
// the booking out of every evaluation and clash search without a word.
// Every place where people type into the table asks here.
namespace WorkTimeFieldText {

enum class Verdict { Ok, NotADate, NotATime };

// `field` is a position of WorkTimeTables::Field; other fields take any text.
// Surrounding blanks do not count (the table drops trailing ones anyway).
Verdict check(int field, const QString &text);

// The text to store for an accepted input: without surrounding blanks in the
// date fields, HH:MM in the time fields, as it came in the others.
QString normalized(int field, const QString &text);

// A time typed as into a time field, where the digits fill the hour and then
// the minutes: "0030", "0:30" and "0.30" are 00:30, "930" is 09:30, "14" is
// 14:00, and a second hour digit that makes no hour begins the minutes ("253"
// is 02:53). A text with anything after the minutes (seconds, a second time),
// or with anything but digits and one separator (: . , or a blank), is none.
std::optional<QTime> typedTime(QStringView text);

// A message for the user, in the current language, naming the text refused;
// empty for Ok.
QString message(Verdict verdict, const QString &text);

} // namespace WorkTimeFieldText
