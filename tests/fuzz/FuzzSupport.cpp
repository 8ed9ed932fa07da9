#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace FuzzSupport {

SilentReporter &reporter()
{
    static SilentReporter silent;
    // Allocation failures deep in the record array speak to the global one.
    Reporter::setGlobal(&silent);
    return silent;
}

const Clock &clock()
{
    static StillClock still;
    return still;
}

QString freshDirectory()
{
    static QTemporaryDir scratch;
    static int input = 0;
    if (!scratch.isValid())
        fail("scratch directory", __FILE__, __LINE__);
    // One subdirectory per input, the previous one removed: a target may
    // leave files, directories or read-only files behind.
    QDir(scratch.filePath(QString::number(input))).removeRecursively();
    ++input;
    const QString path = scratch.filePath(QString::number(input));
    if (!QDir().mkpath(path))
        fail("input directory", __FILE__, __LINE__);
    return path + QLatin1Char('/');
}

bool writeFile(const QString &path, const uint8_t *data, size_t size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size);
}

void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

} // namespace FuzzSupport
