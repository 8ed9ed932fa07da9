#include "UserListStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "CodePage.h"
#include "base/WholeFileSave.h"
#include "translation/UiText.h"
#include "translation/korvald.h"

namespace UserListStore {

namespace {

QString shifted(const QString &text, int by)
{
    QString result = text;
    for (QChar &c : result)
        c = QChar(char16_t(c.unicode() + by));
    return result;
}

QString readName(QIODevice *file)
{
    QByteArray bytes;
    ReadAnsiStr(file, bytes);
    return CodePage::windows1252().decode(bytes.constData(), bytes.size());
}

QString readPassword(QIODevice *file)
{
    return shifted(readName(file), -PasswordShift);
}

void writeName(QIODevice *file, const QString &text)
{
    WriteAnsiStr(file, CodePage::windows1252().encode(text));
}

void writePassword(QIODevice *file, const QString &text)
{
    writeName(file, shifted(text, PasswordShift));
}

bool readFlag(QIODevice *file)
{
    char byte = 0;
    if (!file->getChar(&byte))
        throw KorvaldIoError("file ends early");
    return byte != 0;
}

void writeFlag(QIODevice *file, bool value)
{
    if (!file->putChar(value ? 1 : 0))
        throw KorvaldIoError("write failed");
}

} // namespace

LoadResult read(QIODevice *file, UserListData &data)
{
    try {
        const qint32 count = ReadInt32(file);
        if (count < 0)
            return LoadResult::Damaged;
        data.users.clear();
        // Rows are added as they are read, so a count larger than the file
        // holds ends at the file's end with what was there.
        for (qint32 i = 0; i < count; ++i) {
            UserRow row;
            row.employeeName = readName(file);
            row.userName = readName(file);
            row.password = readPassword(file);
            data.users.append(row);
        }
        data.adminPassword = readName(file);
        data.adminPasswordRepeat = readPassword(file);
        data.employeesMayCorrect = readFlag(file);
        if (file->atEnd())
            return LoadResult::Loaded;
        data.placesFixed = ReadInt32(file) != 0;
        ReadWideStr(file, data.placeTexts);
        ReadWideStr(file, data.activityTexts);
        if (file->atEnd())
            return LoadResult::Loaded;
        data.activitiesFixed = ReadInt32(file) != 0;
        if (file->atEnd())
            return LoadResult::Loaded;
        data.listBreakTime = readFlag(file);
        return LoadResult::Loaded;
    } catch (const KorvaldIoError &) {
        return LoadResult::Damaged;
    }
}

void write(QIODevice *file, const UserListData &data)
{
    WriteInt32(file, qint32(data.users.size()));
    for (const UserRow &row : data.users) {
        writeName(file, row.employeeName);
        writeName(file, row.userName);
        writePassword(file, row.password);
    }
    writeName(file, data.adminPassword);
    writePassword(file, data.adminPasswordRepeat);
    writeFlag(file, data.employeesMayCorrect);
    WriteInt32(file, data.placesFixed ? 1 : 0);
    WriteWideStr(file, data.placeTexts);
    WriteWideStr(file, data.activityTexts);
    WriteInt32(file, data.activitiesFixed ? 1 : 0);
    writeFlag(file, data.listBreakTime);
}

LoadResult load(const QString &path, UserListData &data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Missing;
    return read(&file, data);
}

bool save(const QString &path, const UserListData &data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    try {
        write(&buffer, data);
    } catch (const KorvaldIoError &) {
        return false;
    }
    return WholeFileSave::save(path, bytes);
}

bool canStoreName(const QString &text)
{
    return CodePage::windows1252().canEncode(text);
}

bool canStorePassword(const QString &text)
{
    // Only the shifted text is stored; shifting back restores the rest.
    return canStoreName(shifted(text, PasswordShift));
}

QString damagedMessage(const QString &path)
{
    return UiText(QStringLiteral("Die Datei \"%1\" ist beschädigt. Es wurde gelesen, was vor der beschädigten Stelle stand."))
        .arg(QDir::toNativeSeparators(path));
}

} // namespace UserListStore
