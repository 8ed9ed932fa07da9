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

// The absolute path as Windows compares it: letters case-folded, trailing
// dots and blanks of every name dropped.
QString windowsComparable(const QString &path)
{
    QStringList parts = QDir::fromNativeSeparators(QDir(path).absolutePath()).split(QLatin1Char('/'));
    for (QString &part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            continue;
        while (part.endsWith(QLatin1Char('.')) || part.endsWith(QLatin1Char(' ')))
            part.chop(1);
    }
    return QDir::cleanPath(parts.join(QLatin1Char('/'))).toCaseFolded();
}

} // namespace

namespace OwnFiles {

NameRules platformNameRules()
{
#ifdef Q_OS_WIN
    return NameRules::Windows;
#else
    return NameRules::Exact;
#endif
}

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

bool sameFile(const QString &first, const QString &second, NameRules rules)
{
    if (first.isEmpty() || second.isEmpty())
        return false;
    if (rules == NameRules::Windows && windowsComparable(first) == windowsComparable(second))
        return true;
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

bool isOwnFile(const QString &path, const QStringList &ownFiles, NameRules rules)
{
    for (const QString &own : ownFiles) {
        if (sameFile(path, own, rules))
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
