#pragma once

#include <QtGlobal>

class QFile;

// Byte-range locks on an open file, shared with other processes and machines
// that open the same file (fcntl on POSIX, LockFileEx on Windows). On Linux
// the locks belong to the open file, not the process, so two tables in one
// process exclude each other as two processes do.
namespace FileRegionLock {

// Blocks until the range is locked for writing; false when the platform
// refuses (the file system has no locks, for one).
bool lockExclusive(QFile &file, qint64 start, qint64 length);
void unlock(QFile &file, qint64 start, qint64 length);

} // namespace FileRegionLock
