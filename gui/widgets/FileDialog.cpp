#include "FileDialog.h"

#include <QFileDialog>
#include <QLocale>

#include "session/LanguageOptions.h"
#include "translation/translateunit.h"

namespace FileDialog {

namespace {
std::optional<QString> s_next;
}

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &directory, const QString &filter)
{
    if (s_next) {
        const QString answer = *s_next;
        s_next.reset();
        return answer;
    }
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, nullptr, dialogOptions());
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
