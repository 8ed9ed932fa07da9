#include "ProgramDirectories.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "translation/UiText.h"

namespace {

const QString Dialog = QString::fromLatin1(ProgramDirectories::DialogClass);

// Asked before the dictionary may be reachable (then in German), and through
// it once it is: a user who chose English or Spanish reads it in that language.
const QString UnwritableQuestion = QStringLiteral(
    "Das Programm scheint nicht auf das eingestellte Datenbankverzeichnis zugreifen zu können. "
    "Soll das Datenbankverzeichnis gewechselt werden auf ein anderes Verzeichnis? "
    "Dies kann später im Menü Datenbankverzeichnis wieder geändert werden?");

bool endsWithSeparator(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator());
}

} // namespace

ProgramDirectories::ProgramDirectories(const QString &programDirectory, const QString &appDataFolder, Reporter &reporter)
    : m_programDirectory(withTrailingSeparator(programDirectory))
    , m_appDataFolder(appDataFolder)
    , m_reporter(reporter)
{
}

QString ProgramDirectories::platformAppDataFolder()
{
#ifdef Q_OS_WIN
    const QString local = windowsAppDataFolder(QProcessEnvironment::systemEnvironment());
    if (!local.isEmpty())
        return local;
#endif
    // On Windows the local application-data folder too.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString ProgramDirectories::windowsAppDataFolder(const QProcessEnvironment &environment)
{
    return environment.value(QStringLiteral("LOCALAPPDATA"));
}

QString ProgramDirectories::withTrailingSeparator(const QString &directory)
{
    QString path = QDir::toNativeSeparators(directory);
    if (!endsWithSeparator(path))
        path += QDir::separator();
    return path;
}

bool ProgramDirectories::probeWritable(const QString &directory)
{
    // A relative template (an empty own directory) lies in the current directory.
    QTemporaryFile probe(directory + QLatin1String(ProbeFileTemplate));
    return probe.open(); // the file is erased again as the probe goes

}

QString ProgramDirectories::GetProgramDirAPPDATA(bool create) const
{
    if (m_appDataFolder.isEmpty())
        return m_programDirectory;
    const QString directory = withTrailingSeparator(m_appDataFolder) + QStringLiteral("Korvald") + QDir::separator()
                              + QStringLiteral("Tagwerk") + QDir::separator();
    if (create)
        QDir().mkpath(directory);
    return directory;
}

QString ProgramDirectories::GetProgramDir(bool create)
{
    QString result;
    if (m_choice == Choice::ProgramDirectory) {
        result = m_programDirectory;
        if (!probeWritable(result)) {
            m_choice = Choice::DefaultDirectory;
            saveSettings();
        }
    }
    if (m_choice == Choice::OwnDirectory) {
        result = m_ownDirectory.isEmpty() ? QString() : withTrailingSeparator(m_ownDirectory);
        if (!probeWritable(result)
            && m_reporter.question(UiText(UnwritableQuestion), QString(), Reporter::Buttons::YesNo) == Reporter::Answer::Yes) {
            m_choice = Choice::DefaultDirectory;
            saveSettings();
        }
    }
    if (m_choice == Choice::DefaultDirectory)
        result = GetProgramDirAPPDATA(create);
    return result;
}

void ProgramDirectories::restoreSettings()
{
    if (!m_settings)
        return;
    // Radio buttons: the last one stored as checked wins, as when a form
    // sets its buttons one after another.
    const struct {
        const char *component;
        Choice choice;
    } buttons[] = {{"RadioButton1", Choice::DefaultDirectory},
                   {"RadioButton2", Choice::OwnDirectory},
                   {"RadioButton3", Choice::ProgramDirectory}};
    for (const auto &button : buttons) {
        if (m_settings->checked(Dialog, QLatin1String(button.component)).value_or(false))
            m_choice = button.choice;
    }
    if (const auto own = m_settings->text(Dialog, QStringLiteral("DirectoryEdit1")))
        m_ownDirectory = *own;
}

void ProgramDirectories::saveSettings()
{
    if (!m_settings)
        return;
    m_settings->setChecked(Dialog, QStringLiteral("RadioButton1"), m_choice == Choice::DefaultDirectory);
    m_settings->setChecked(Dialog, QStringLiteral("RadioButton2"), m_choice == Choice::OwnDirectory);
    m_settings->setChecked(Dialog, QStringLiteral("RadioButton3"), m_choice == Choice::ProgramDirectory);
    m_settings->setText(Dialog, QStringLiteral("DirectoryEdit1"), m_ownDirectory);
    m_settings->sync();
}
