#pragma once

#include <QString>

class QProcessEnvironment;
class Reporter;
class WindowSettingsStore;

// Where the program's files live. The Database directory is one of three
// choices (the dialog "Datenbankverzeichnis festlegen..."), resolved anew and
// probed for writing on every use; nothing caches it.
class ProgramDirectories
{
public:
    enum class Choice { DefaultDirectory, OwnDirectory, ProgramDirectory };

    static constexpr const char *DialogClass = "TSetDataBaseForm";
    // The probe's file name: a unique name is made from it (the Xs), so
    // that no file of a user's, nor another PC's probe, is ever touched.
    static constexpr const char *ProbeFileTemplate = "tagwerk-probe-XXXXXX.tmp";

    // `programDirectory` is the executable's directory; `appDataFolder` the
    // user's local application-data folder, empty when there is none.
    ProgramDirectories(const QString &programDirectory, const QString &appDataFolder, Reporter &reporter);

    // The platform's application-data folder, or empty when it cannot be had.
    static QString platformAppDataFolder();
    // On Windows, the local (not the roaming) application-data folder of
    // this environment: a roaming profile is copied back to the server at
    // logoff, and a copy of a shared table there would overwrite another
    // PC's bookings. Empty when the environment names none.
    static QString windowsAppDataFolder(const QProcessEnvironment &environment);
    // Creates a file of a unique name in the directory and erases it again;
    // every file already there stays as it is.
    static bool probeWritable(const QString &directory);
    // The directory with the platform's separator at its end.
    static QString withTrailingSeparator(const QString &directory);

    QString progpath() const { return m_programDirectory; }
    QString GetProgramDirAPPDATA(bool create) const;
    QString GetProgramDir(bool create);

    Choice choice() const { return m_choice; }
    void setChoice(Choice choice) { m_choice = choice; }
    QString ownDirectory() const { return m_ownDirectory; }
    void setOwnDirectory(const QString &directory) { m_ownDirectory = directory; }

    // The dialog's values in the settings store: RadioButton1..3_Checked and
    // DirectoryEdit1_Text. GetProgramDir saves at once when it changes the
    // choice, if a store is attached.
    void attachSettings(WindowSettingsStore *store) { m_settings = store; }
    void restoreSettings();
    void saveSettings();

private:
    QString m_programDirectory;
    QString m_appDataFolder;
    Reporter &m_reporter;
    WindowSettingsStore *m_settings = nullptr;
    Choice m_choice = Choice::DefaultDirectory;
    QString m_ownDirectory;
};
