#include "ClosingDateFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "DateTimeText.h"
#include "base/WholeFileSave.h"
#include "translation/UiText.h"
#include "translation/korvald.h"

namespace ClosingDateFile {

namespace {

// The program's day count starts here (day 0), as its date values do.
const QDate DayZero(1899, 12, 30);

// A closing date lies in the years the table's DD.MM.YYYY can hold.
bool storable(QDate date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

// Opens `path` for reading only if it is a regular file of at most
// MaxFileSize bytes. Opened without blocking, so a FIFO put in its place
// cannot hold the caller (and the table lock it may hold); the type and
// size are taken from the opened file, not from a name that may change.
bool openPlainFile(QFile &file)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxFileSize) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#else
    const QFileInfo info(file.fileName());
    return info.isFile() && info.size() <= MaxFileSize && file.open(QIODevice::ReadOnly);
#endif
}

} // namespace

LoadResult read(QIODevice *file, std::optional<QDate> &until)
{
    try {
        QByteArray text;
        ReadAnsiStr(file, text);
        const qint32 day = ReadInt32(file);
        if (!file->atEnd())
            return LoadResult::Damaged;
        if (text.isEmpty()) {
            if (day != 0)
                return LoadResult::Damaged;
            until = std::nullopt;
            return LoadResult::Loaded;
        }
        const auto date = DateTimeText::parseDate(QString::fromLatin1(text));
        // Both forms must name the same day, and the text must be the one
        // this program writes.
        if (!date || DateTimeText::formatDate(*date).toLatin1() != text || DayZero.daysTo(*date) != day)
            return LoadResult::Damaged;
        until = *date;
        return LoadResult::Loaded;
    } catch (const KorvaldIoError &) {
        return LoadResult::Damaged;
    }
}

void write(QIODevice *file, std::optional<QDate> until)
{
    if (until && !storable(*until))
        throw KorvaldIoError("date out of range");
    WriteAnsiStr(file, until ? DateTimeText::formatDate(*until).toLatin1() : QByteArray());
    WriteInt32(file, until ? qint32(DayZero.daysTo(*until)) : 0);
}

LoadResult load(const QString &path, std::optional<QDate> &until)
{
    QFile file(path);
    if (!file.exists())
        return LoadResult::Missing;
    // A file that is there but cannot be read says nothing about the date:
    // taking it for "nothing closed" would open the closed period.
    // So is anything but a small regular file.
    if (!openPlainFile(file))
        return LoadResult::Damaged;
    return read(&file, until);
}

bool save(const QString &path, std::optional<QDate> until, QString &error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    try {
        write(&buffer, until);
    } catch (const KorvaldIoError &failure) {
        error = QString::fromLatin1(failure.what());
        return false;
    }
    return WholeFileSave::save(path, bytes, &error);
}

QString damagedMessage(const QString &path)
{
    return UiText(QStringLiteral("Die Datei \"%1\" mit dem Abschlussdatum ist beschädigt oder kann nicht gelesen werden. "
                                 "Bis der Administrator das Abschlussdatum neu festlegt, kann nichts gebucht, geändert oder gelöscht werden."))
        .arg(QDir::toNativeSeparators(path));
}

QString disagreeingMessage(const QString &path)
{
    return UiText(QStringLiteral("Die Datei \"%1\" mit dem Abschlussdatum stimmt nicht mit dem letzten Abschluss im "
                                 "Änderungsprotokoll überein oder fehlt. Bis der Administrator das Abschlussdatum neu "
                                 "festlegt, kann nichts gebucht, geändert oder gelöscht werden."))
        .arg(QDir::toNativeSeparators(path));
}

} // namespace ClosingDateFile
