#pragma once

#include <QString>

// Moving a newly written file to its name without ever replacing a file
// that appeared there meanwhile (another instance's table, say).
namespace NewFilePlacement {

// Whether to try a hard link first; Refused stands for the file systems
// that refuse them, as many network shares do.
enum class HardLinks { Try, Refused };

// Gives the file at `from` the name `to`, unless `to` exists; the file
// appears there whole or not at all. Returns the reason of a failure,
// "exists" when `to` was there; empty on success.
QString moveWithoutReplacing(const QString &from, const QString &to, HardLinks links = HardLinks::Try);

} // namespace NewFilePlacement
