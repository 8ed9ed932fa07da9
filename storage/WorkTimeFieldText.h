#pragma once

#include <QString>

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
// date and time fields, as it came in the others.
QString normalized(int field, const QString &text);

// A message for the user, in the current language, naming the text refused;
// empty for Ok.
QString message(Verdict verdict, const QString &text);

} // namespace WorkTimeFieldText
