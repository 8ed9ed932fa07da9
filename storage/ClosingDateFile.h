#pragma once

#include <optional>

#include <QDate>
#include <QString>

class QIODevice;

// The file "abschluss.dat" beside the work-time table: the date up to which
// bookings are closed, shared by every PC that works on the Database
// directory. It holds the date twice, as the text DD.MM.YYYY (a
// length-prefixed 8-bit string, empty for "nothing closed") and as a signed
// 32-bit little-endian day number counted from 30.12.1899 (0 for nothing
// closed), so that a damaged byte shows as a disagreement instead of
// quietly moving the date.
namespace ClosingDateFile {

constexpr const char *FileName = "abschluss.dat";
// The file holds at most 4 + 10 + 4 bytes; anything much larger is not it.
constexpr qint64 MaxFileSize = 64;

enum class LoadResult {
    Loaded,  // the date, or nothing closed
    Missing, // no file: nothing was ever closed
    Damaged, // unreadable or not in this form: the date is not known
};

// Reads into `until` (nothing = nothing closed); `until` is left alone
// unless the result is Loaded.
LoadResult read(QIODevice *file, std::optional<QDate> &until);
void write(QIODevice *file, std::optional<QDate> until); // throws KorvaldIoError

// Anything but a regular file of at most MaxFileSize bytes (a FIFO, a
// device, a link to one, a huge file) is Damaged, found without blocking
// and without reading it.
LoadResult load(const QString &path, std::optional<QDate> &until);
// Writes beside the file and renames, so a crash or a full disk leaves the
// old file or the new one; false with the reason in `error`.
bool save(const QString &path, std::optional<QDate> until, QString &error);

// The message for a file that cannot be read, naming it.
QString damagedMessage(const QString &path);
// The message for a file that disagrees with the change history's last
// closing (or is missing while the history has one), naming it.
QString disagreeingMessage(const QString &path);

} // namespace ClosingDateFile
