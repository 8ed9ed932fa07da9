#pragma once

#include <string_view>

#include <QString>

// Text between tagwerk-cli and a console. Its output is UTF-8 throughout: a
// Windows console is switched to show UTF-8 for the run, and the standard
// streams write bytes as they are (no "\r\n" made of the "\n" of a CSV's
// "\r\n"). A password typed at a Windows console is read as UTF-16, so that
// umlauts arrive whatever the console's input code page.
namespace ConsoleText {

// Once at start: on Windows, binary standard output and error, and the
// console's output code page UTF-8 until the program ends. Nothing elsewhere.
void prepareStandardStreams();

// The line in the UTF-16 code units a console hands over for one typed line
// (ReadConsoleW): up to the first CR or LF, surrogate pairs kept whole.
QString lineFromWide(std::u16string_view units);

} // namespace ConsoleText
