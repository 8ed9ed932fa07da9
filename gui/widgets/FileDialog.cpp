#include "FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

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
    if (!s_lastFolder.isEmpty())
        return s_lastFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &fileName, const QString &filter)
{
    if (s_next) {
        const QString answer = *s_next;
        s_next.reset();
        return chosen(answer);
    }
    return chosen(QFileDialog::getSaveFileName(parent, caption, QDir(startFolder()).filePath(fileName), filter, nullptr,
                                               dialogOptions()));
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
