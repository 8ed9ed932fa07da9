#include "ClosingDateFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "DateTimeText.h"
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
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Damaged;
    return read(&file, until);
}

bool save(const QString &path, std::optional<QDate> until, QString &error)
{
    QSaveFile file(path);
    // Unbuffered: a full disk fails the write itself, with its cause, not a
    // flush whose failure the commit would not see.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    try {
        write(&file, until);
    } catch (const KorvaldIoError &failure) {
        error = file.error() != QFileDevice::NoError ? file.errorString() : QString::fromLatin1(failure.what());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
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
