#include "NewFilePlacement.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace NewFilePlacement {

QString moveWithoutReplacing(const QString &from, const QString &to, HardLinks links)
{
#ifdef Q_OS_UNIX
    // A hard link never replaces and is atomic; QFile::rename may fall back
    // to copying, which lets another instance see half a file.
    if (links == HardLinks::Try) {
        if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
            return {};
        if (errno == EEXIST)
            return QStringLiteral("exists");
        if (errno != EPERM && errno != ENOTSUP && errno != EXDEV)
            return QString::fromLocal8Bit(std::strerror(errno));
    }
#else
    Q_UNUSED(links);
#endif
    // File systems without hard links: a copy beside, then a rename that does
    // not replace (Windows moves without replacing atomically). The copy's
    // name is this instance's own: a copy another PC is making, or one a
    // crash left behind, is neither used, nor removed, nor in the way.
    const QString scratch = to + QStringLiteral(".%1.copy").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    QFile file(from);
    if (!file.copy(scratch))
        return file.errorString().isEmpty() ? QStringLiteral("copy failed") : file.errorString();
    QFile copied(scratch);
    if (QFileInfo::exists(to)) {
        copied.remove();
        return QStringLiteral("exists");
    }
    if (copied.rename(to))
        return {};
    const QString why = copied.errorString();
    copied.remove();
    return why;
}

} // namespace NewFilePlacement
