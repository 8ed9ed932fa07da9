#include "FileRegionLock.h"

#include <algorithm>
#include <thread>

#include <QFile>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX // std::min, not the macro
#endif
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace FileRegionLock {

namespace {

#ifdef Q_OS_WIN

OVERLAPPED overlappedAt(qint64 start)
{
    OVERLAPPED overlapped = {};
    overlapped.Offset = DWORD(quint64(start) & 0xFFFFFFFFu);
    overlapped.OffsetHigh = DWORD(quint64(start) >> 32);
    return overlapped;
}

Result tryLock(QFile &file, qint64 start, qint64 length, Kind kind)
{
    HANDLE handle = HANDLE(_get_osfhandle(file.handle()));
    OVERLAPPED overlapped = overlappedAt(start);
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (kind == Kind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(handle, flags, 0, DWORD(length), 0, &overlapped))
        return Result::Locked;
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Result::Busy : Result::Failed;
}

#else

#ifdef F_OFD_SETLK
constexpr int SetCommand = F_OFD_SETLK;
#else
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

Result tryLock(QFile &file, qint64 start, qint64 length, Kind kind)
{
    struct flock lock = region(kind == Kind::Exclusive ? F_WRLCK : F_RDLCK, start, length);
    int result;
    do {
        result = ::fcntl(file.handle(), SetCommand, &lock);
    } while (result == -1 && errno == EINTR);
    if (result == 0)
        return Result::Locked;
    return errno == EAGAIN || errno == EACCES ? Result::Busy : Result::Failed;
}

#endif

} // namespace

Result lock(QFile &file, qint64 start, qint64 length, Kind kind, std::chrono::milliseconds wait)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    // Locks are held for a write, a millisecond or so: look again soon, and
    // less often the longer it takes.
    std::chrono::microseconds pause(200);
    for (;;) {
        const Result result = tryLock(file, start, length, kind);
        if (result != Result::Busy || Clock::now() >= deadline)
            return result;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        std::this_thread::sleep_for(std::min(pause, left));
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
    }
}

void unlock(QFile &file, qint64 start, qint64 length)
{
#ifdef Q_OS_WIN
    HANDLE handle = HANDLE(_get_osfhandle(file.handle()));
    OVERLAPPED overlapped = overlappedAt(start);
    UnlockFileEx(handle, 0, DWORD(length), 0, &overlapped);
#else
    struct flock lock = region(F_UNLCK, start, length);
    ::fcntl(file.handle(), SetCommand, &lock);
#endif
}

} // namespace FileRegionLock
