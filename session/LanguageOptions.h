#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

class QLocale;

// "options.dat" in the Database directory: the language as one signed 32-bit
// little-endian integer (1 English, 2 Spanish, 3 German; 0 reads as 3).
namespace LanguageOptions {

constexpr const char *FileName = "options.dat";
constexpr int German = 3;

// The stored language, or nothing when the file is missing or too short.
std::optional<int> LoadOptions(const QString &databaseDirectory);
// The language of a first start, before anyone chose one: the system's when
// it is English or Spanish, German otherwise. A first start also creates the
// table, so an English desk does not begin in German.
int languageOfLocale(const QLocale &locale);
// The file's bytes: the language they hold (nothing when too short), and
// the bytes that hold `language`.
std::optional<int> fromBytes(const QByteArray &bytes);
QByteArray toBytes(int language);
// Replaces the file whole; false when it cannot be written.
bool SaveOptions(const QString &databaseDirectory, int language);

} // namespace LanguageOptions
