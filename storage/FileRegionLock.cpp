#include "FileRegionLock.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace FileRegionLock {

#ifdef Q_OS_WIN

namespace {
OVERLAPPED overlappedAt(qint64 start)
{
    OVERLAPPED overlapped = {};
    overlapped.Offset = DWORD(quint64(start) & 0xFFFFFFFFu);
    overlapped.OffsetHigh = DWORD(quint64(start) >> 32);
    return overlapped;
}
} // namespace

bool lockExclusive(QFile &file, qint64 start, qint64 length)
{
    HANDLE handle = HANDLE(_get_osfhandle(file.handle()));
    OVERLAPPED overlapped = overlappedAt(start);
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, DWORD(length), 0, &overlapped);
}

void unlock(QFile &file, qint64 start, qint64 length)
{
    HANDLE handle = HANDLE(_get_osfhandle(file.handle()));
    OVERLAPPED overlapped = overlappedAt(start);
    UnlockFileEx(handle, 0, DWORD(length), 0, &overlapped);
}

#else

namespace {

#ifdef F_OFD_SETLKW
constexpr int WaitCommand = F_OFD_SETLKW;
constexpr int SetCommand = F_OFD_SETLK;
#else
constexpr int WaitCommand = F_SETLKW;
constexpr int SetCommand = F_SETLK;
#endif

struct flock region(short type, qint64 start, qint64 length)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = off_t(start);
    lock.l_len = off_t(length);
    lock.l_pid = 0; // required by OFD locks
    return lock;
}

} // namespace

bool lockExclusive(QFile &file, qint64 start, qint64 length)
{
    struct flock lock = region(F_WRLCK, start, length);
    int result;
    do {
        result = ::fcntl(file.handle(), WaitCommand, &lock);
    } while (result == -1 && errno == EINTR);
    return result == 0;
}

void unlock(QFile &file, qint64 start, qint64 length)
{
    struct flock lock = region(F_UNLCK, start, length);
    ::fcntl(file.handle(), SetCommand, &lock);
}

#endif

} // namespace FileRegionLock
