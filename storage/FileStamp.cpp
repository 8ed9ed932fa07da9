#include "FileStamp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
constexpr qint64 NsPerMs = 1000 * 1000;
}

FileStamp FileStamp::of(QFile &file)
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    if (file.handle() < 0 || ::fstat(file.handle(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000 * NsPerMs + qint64(info.st_mtim.tv_nsec)};
#else
    // Not through the handle: the name reaches the server's current state.
    QFileInfo info(file.fileName());
    info.setCaching(false);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified().toMSecsSinceEpoch() * NsPerMs};
#endif
}

bool FileStamp::moveModifiedPast(QFile &file, const FileStamp &previous)
{
    // A nanosecond where the file system keeps them, up to the two seconds
    // of the coarsest ones.
    for (const qint64 step : {qint64(1), qint64(1000), NsPerMs, 1000 * NsPerMs, 2000 * NsPerMs}) {
        const qint64 wanted = previous.modifiedNs + step;
#ifdef Q_OS_UNIX
        const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(wanted / (1000 * NsPerMs)), long(wanted % (1000 * NsPerMs))}};
        if (::futimens(file.handle(), times) != 0)
            return false;
#else
        if (!file.setFileTime(QDateTime::fromMSecsSinceEpoch((wanted + NsPerMs - 1) / NsPerMs),
                              QFileDevice::FileModificationTime))
            return false;
#endif
        if (of(file).modifiedNs > previous.modifiedNs)
            return true;
    }
    return false;
}
