#pragma once

#include <optional>

#include <QString>

// A password read from standard input rather than from the command line,
// where every user of the machine can read it in the process list.
namespace PasswordInput {

// The argument of --password that asks for standard input.
constexpr const char *FromStandardInput = "-";

// Reads one line from standard input, without its line end. When standard
// input is a terminal, `prompt` goes to stderr and what is typed is not
// echoed. Nothing when the input ends before anything was read.
std::optional<QString> readLine(const QString &prompt);

} // namespace PasswordInput
