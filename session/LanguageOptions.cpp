#include "LanguageOptions.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QtEndian>

#include "base/WholeFileSave.h"

namespace LanguageOptions {

std::optional<int> LoadOptions(const QString &databaseDirectory)
{
    QFile file(databaseDirectory + QLatin1String(FileName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return fromBytes(file.read(4));
}

std::optional<int> fromBytes(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    const qint32 code = qFromLittleEndian<qint32>(bytes.constData());
    return code == 0 ? German : code;
}

QByteArray toBytes(int language)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(language, bytes.data());
    return bytes;
}

int languageOfLocale(const QLocale &locale)
{
    constexpr int English = 1;
    constexpr int Spanish = 2;
    switch (locale.language()) {
    case QLocale::English:
        return English;
    case QLocale::Spanish:
        return Spanish;
    default:
        return German;
    }
}

bool SaveOptions(const QString &databaseDirectory, int language)
{
    return WholeFileSave::save(databaseDirectory + QLatin1String(FileName), toBytes(language));
}

} // namespace LanguageOptions
