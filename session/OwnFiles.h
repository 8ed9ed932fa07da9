#pragma once

#include <QString>
#include <QStringList>

// The files the program keeps for itself: the work-time table with its
// scratch table and backup, the change history "protokoll.dbf" with its
// start list, "benutzer.dat", "options.dat" and the closing date
// "abschluss.dat" in the Database directory, and "translate.dat" in the
// program's directory. Reports and
// exports are written wherever the user says, but never over one of these.
namespace OwnFiles {

// The full paths of the program's own files: those of the Database directory
// (given with its trailing separator) and the dictionary file.
QStringList paths(const QString &databaseDirectory, const QString &dictionaryFile);

// How the file system compares names. Windows ignores the case of letters
// and any dots and blanks at the end of each name: "ARBEITSZEIT.DBF. " is
// "arbeitszeit.dbf" there, even where the file does not exist yet.
enum class NameRules { Exact, Windows };
NameRules platformNameRules();

// Whether both paths name the same file: the same file on disk when both
// exist (another spelling, a symbolic or hard link), otherwise the same
// absolute path once "." and ".." and links in the existing part are resolved,
// compared by `rules`.
bool sameFile(const QString &first, const QString &second, NameRules rules = platformNameRules());

// Whether `path` names one of `ownFiles`.
bool isOwnFile(const QString &path, const QStringList &ownFiles, NameRules rules = platformNameRules());

// The message that refuses `path` as an output file.
QString refusal(const QString &path);

} // namespace OwnFiles
