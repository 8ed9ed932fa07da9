#include "FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include "base/Reporter.h"
#include "gui/translation/TranslateComponents.h"
#include "session/AppContext.h"
#include "session/LanguageOptions.h"
#include "translation/translateunit.h"

namespace FileDialog {

namespace {
std::optional<QString> s_next;
QString s_lastFolder;

QString chosen(const QString &path)
{
    if (!path.isEmpty())
        s_lastFolder = QFileInfo(path).absolutePath();
    return path;
}
} // namespace

QString startFolder()
{
    // Qt's dialog opens a folder that is not there in the process's working
    // folder: each candidate counts only while it exists.
    if (!s_lastFolder.isEmpty() && QDir(s_lastFolder).exists())
        return s_lastFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &fileName, const QString &filter)
{
    if (s_next) {
        const QString answer = *s_next;
        s_next.reset();
        return chosen(answer);
    }
    // The overwrite question is getFileToWrite's, after the own-file check.
    return chosen(QFileDialog::getSaveFileName(parent, WindowTitle(caption), QDir(startFolder()).filePath(fileName),
                                               filter, nullptr, dialogOptions() | QFileDialog::DontConfirmOverwrite));
}

QString getFileToWrite(QWidget *parent, AppContext &context, const QString &caption, const QString &fileName,
                       const QString &filter)
{
    const QString path = getSaveFileName(parent, caption, fileName, filter);
    if (path.isEmpty())
        return path;
    if (const auto refusal = context.ownFileRefusal(path)) {
        context.reporter().error(*refusal);
        return QString();
    }
    if (!QFileInfo::exists(path))
        return path;
    const QString question = TranslateText(QStringLiteral("Die Datei \"%1\" existiert bereits. Soll sie ersetzt werden?"))
                                 .arg(QDir::toNativeSeparators(path));
    const Reporter::Answer answer =
        context.reporter().question(question, WindowTitle(caption), Reporter::Buttons::YesNoCancelDefaultNo);
    if (answer != Reporter::Answer::Yes)
        return QString();
    return path;
}

QFileDialog::Options dialogOptions()
{
    if (LanguageOptions::languageOfLocale(QLocale::system()) == CurrentLanguage())
        return {};
    return QFileDialog::DontUseNativeDialog;
}

void setNextFileName(const QString &fileName)
{
    s_next = fileName;
}

} // namespace FileDialog
