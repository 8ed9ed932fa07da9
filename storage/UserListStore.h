#pragma once

#include <QString>

#include "UserListData.h"

class QIODevice;

// The file "benutzer.dat": the user list, the administrator password and the
// administrator's options. Integers are signed 32-bit little-endian; names
// and passwords are 8-bit Windows-1252 strings, the fixed texts wide strings.
// Passwords in the user rows and the repeated administrator password are
// stored with every UTF-16 code unit raised by 4.
namespace UserListStore {

constexpr const char *FileName = "benutzer.dat";
constexpr char16_t PasswordShift = 4;

enum class LoadResult {
    Loaded,   // the whole file, or one that ends where older versions ended
    Missing,  // no file, or unreadable: nothing changed
    Damaged,  // read up to a fault; what was read before it is kept
};

// Reads into `data`. Items the file does not hold keep their current values.
LoadResult read(QIODevice *file, UserListData &data);
void write(QIODevice *file, const UserListData &data); // throws KorvaldIoError

// LoadBenutzer and SaveBenutzer over a file path. The save writes beside
// the file and renames, so a crash leaves the old file or the new one.
LoadResult load(const QString &path, UserListData &data);
bool save(const QString &path, const UserListData &data);

// Whether the file can hold this text faithfully: a name must be written in
// Windows-1252, a password also after its shift. Input that fails is refused
// when entered, so no file ever stores a '?' in its place.
bool canStoreName(const QString &text);
bool canStorePassword(const QString &text);

// The message for a damaged file, naming it.
QString damagedMessage(const QString &path);

} // namespace UserListStore
