#pragma once

#include <chrono>

#include <QtGlobal>

class QFile;

// Byte-range locks on an open file, shared with other processes and machines
// that open the same file (fcntl on POSIX, LockFileEx on Windows). On Linux
// the locks belong to the open file, not the process, so two tables in one
// process exclude each other as two processes do.
namespace FileRegionLock {

enum class Kind { Shared, Exclusive };
enum class Result {
    Locked,
    Busy,   // another holder kept the range for the whole wait
    Failed, // the platform refuses (the file system has no locks, for one)
};

// Tries to lock the range, and tries again until `wait` has passed while
// another holder keeps it. Never blocks for longer: a PC that crashed while
// holding a lock keeps it until its network session times out.
Result lock(QFile &file, qint64 start, qint64 length, Kind kind, std::chrono::milliseconds wait);
void unlock(QFile &file, qint64 start, qint64 length);

} // namespace FileRegionLock
