#include "OwnFiles.h"

#include <filesystem>
#include <system_error>

#include <QDir>

#include "LanguageOptions.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogEntry.h"
#include "storage/ClosingDateFile.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"

namespace {

std::filesystem::path toPath(const QString &path)
{
    return std::filesystem::path(QDir::cleanPath(path).toStdWString());
}

} // namespace

namespace OwnFiles {

QStringList paths(const QString &databaseDirectory, const QString &dictionaryFile)
{
    QStringList files;
    for (const char *name : {WorkTimeTables::TableFileName, WorkTimeTables::ScratchFileName,
                             WorkTimeTables::BackupFileName, UserListStore::FileName, LanguageOptions::FileName,
                             ClosingDateFile::FileName, ChangeLogEntry::FileName, ChangeLog::StartListFileName})
        files.append(databaseDirectory + QLatin1String(name));
    files.append(dictionaryFile);
    return files;
}

bool sameFile(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return false;
    const std::filesystem::path a = toPath(first);
    const std::filesystem::path b = toPath(second);
    std::error_code error;
    if (std::filesystem::exists(a, error) && std::filesystem::exists(b, error))
        return std::filesystem::equivalent(a, b, error) && !error;
    // One of them does not exist yet: a file written there now would be
    // the other one the next time the program looks.
    const std::filesystem::path canonicalA = std::filesystem::weakly_canonical(std::filesystem::absolute(a, error), error);
    if (error)
        return false;
    const std::filesystem::path canonicalB = std::filesystem::weakly_canonical(std::filesystem::absolute(b, error), error);
    return !error && canonicalA == canonicalB;
}

bool isOwnFile(const QString &path, const QStringList &ownFiles)
{
    for (const QString &own : ownFiles) {
        if (sameFile(path, own))
            return true;
    }
    return false;
}

QString refusal(const QString &path)
{
    return UiText(QStringLiteral("\"%1\" ist eine Datei des Programms selbst und wird nicht überschrieben. "
                                 "Bitte wählen Sie einen anderen Dateinamen."))
        .arg(QDir::toNativeSeparators(path));
}

} // namespace OwnFiles
