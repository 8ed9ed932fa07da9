#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "ProgramDirectories.h"
#include "base/WindowSettingsStore.h"
#include "evaluation/HolidayCalendar.h"
#include "folderstore/FolderStore.h"
#include "storage/AccountTables.h"
#include "storage/UserListData.h"
#include "store/ClosedPeriod.h"
#include "store/WorkTimeStore.h"
#include "translation/translateunit.h"

class Clock;
class QTemporaryDir;
class Reporter;

// The state of one run of the program, created at start-up and handed to
// every window and command: the directories and settings, the dictionary and
// current language, the user list with the administrator's options, the
// work-time tables, and the employee logged in last. Windows show and edit it
// in place; nothing else holds a second copy.
class AppContext
{
public:
    static constexpr const char *ProgramName = "tagwerk";
    static constexpr const char *TranslationFileName = "translate.dat";

    AppContext(Reporter &reporter, const Clock &clock, const QString &programDirectory, const QString &appDataFolder,
               std::unique_ptr<WindowSettingsStore> settings);
    ~AppContext();
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    // The executable's directory, unless TAGWERK_PROGRAM_DIR names another
    // (tests and portable installations use it).
    static QString defaultProgramDirectory();

    Reporter &reporter() { return m_reporter; }
    const Clock &clock() const { return m_clock; }
    WindowSettingsStore &settings() { return *m_settings; }
    ProgramDirectories &directories() { return m_directories; }
    TranslationDictionary &dictionary() { return m_dictionary; }
    UserListData &userList() { return m_userList; }
    // Where the records live: the Database directory unless a server was
    // chosen. Windows and commands reach the records only through it.
    WorkTimeStore &store() { return *m_store; }
    // The folder store's parts, for what only a folder has (the history's
    // own files and their restart, the table's upgrade); null on a server.
    FolderStore *folderStore() { return m_folder; }
    WorkTimeTables &tables() { return m_folder->tables(); }
    ClashIndex &clashIndex() { return m_folder->clashIndex(); }
    ChangeLog &changeLog() { return m_folder->changeLog(); }
    // The working-time account's tables in the store (beside the work-time
    // table in the Database directory, or on the server); the windows and
    // tagwerk-cli edit and read them through this one door.
    AccountTables accountTables();
    // The date up to which bookings are closed, in the store.
    ClosedPeriod &closedPeriod() { return m_store->closedPeriod(); }
    // Closes the bookings up to `until` (none: reopens them all) and enters
    // the closing in the change history. The window and tagwerk-cli
    // close-period both come through here.
    ClosedPeriod::Change closePeriod(std::optional<QDate> until, const QString &adminPassword);
    // Opens the change history beside the open tables; says so when it cannot.
    void openChangeLog();
    // Starts the change history again where it is missing or damaged, with
    // the administrator password; the window and tagwerk-cli history restart
    // both come through here. The tables must be open.
    struct Restart
    {
        bool done = false;
        QString message; // for the user
    };
    Restart restartHistory(const QString &adminPassword);

    // "Prüfsumme des Änderungsprotokolls: …" for the foot of printed and PDF
    // reports, in the user's language; empty when there is no history.
    QString historyChecksumLine();
    // The last chain hash of the history, hex; empty when there is none.
    QByteArray historyChecksum() { return m_store->historyChecksum(); }
    // Whether the history is missing or damaged and may be started again.
    bool historyMayRestart();
    // A Database directory that holds the store's change history and table,
    // for reading and checking the history: the folder itself, or a copy of
    // the server's records made for this run (without `toVerify`, the
    // history and the table's layout alone). Empty with the reason reported
    // when it cannot be made.
    QString historyDirectory(bool toVerify);

    // The firm's days off (its state's public holidays and its own days), as
    // the working-time account and the law check count them. Account tables
    // that cannot be read are reported, and the nationwide holidays taken.
    HolidayCalendar holidayCalendar();

    // Whether a lock that another instance holds past the wait is put to the
    // person as a question (wait once more?); otherwise the write fails with
    // the message that names the file (tagwerk-cli: nobody can be asked).
    void setAskWhenLocked(bool ask) { m_askWhenLocked = ask; }

    // Works on the database server that `conninfo` names (libpq's form) for
    // the rest of the run, instead of the Database directory, with
    // `password` unless it is empty (libpq's password file serves then).
    // The server becomes the store even when it cannot be reached now, so
    // that nothing is ever stored in a folder by mistake: false with the
    // reason, and every action says so until the server answers.
    struct ServerOpening
    {
        bool connected = false;
        bool passwordRefused = false; // a password is wanted, or the one given was wrong
        QString message;              // for the user
    };
    ServerOpening useServer(const QString &conninfo, const QString &password);
    // Whether the run began on a server that could not be reached, and its
    // user list and tables have not been read since. That was said once at
    // start: the start-up leaves them for the first login.
    bool serverUnread() const { return m_serverUnread; }
    // Before a login: reads the user list and opens the tables where the
    // server could not be reached at start; false, said once, while it still
    // cannot. True at once otherwise.
    bool readyForLogin();
    // The server this PC is set to use (the database directory dialog's
    // choice), as libpq's CONNINFO; empty for the folder.
    QString chosenServer();

    // A fixed Database directory for this run (tagwerk-cli --db), instead of
    // the choice kept in the settings.
    void setDatabaseDirectoryOverride(const QString &directory);
    QString GetProgramDir(bool create);

    // Loads "translate.dat" from the program directory and makes this the
    // dictionary every text of the program passes through.
    void BuildTranslationIndex();
    // Reads "benutzer.dat"; a damaged file is reported and what was read kept.
    // False, reported, when the store cannot be read (a server out of reach).
    bool LoadBenutzer();
    bool SaveBenutzer();
    // The main window's option that the evaluations read, from its settings.
    void restoreMainWindowOptions();
    // The administrator's hours-only option, from the admin window's settings.
    void restoreAdminOptions();
    // Reads the stored language into languagesetto (German when none).
    void LoadOptions();
    bool SaveOptions();
    // Points both tables at the Database directory;
    // `create` makes the default directory where it is missing, which a
    // command that only reads leaves undone.
    void setTableDirectories(bool create = true);
    // Opens the store for work: in the folder, creates, opens or upgrades
    // the work-time table (Dbf1), builds the index of its rows that the
    // clash search uses, and opens the change history (starting it on the
    // first run).
    bool CreateandopenTables();
    // Opens the store only to read it; says so, naming the store, when it
    // cannot.
    bool openForReading();

    // The refusal to write a report or export to `path` when it is one of
    // the program's own files (the table, "benutzer.dat", "options.dat",
    // "translate.dat", ...), compared as files, not by spelling; nothing when
    // the path may be written.
    std::optional<QString> ownFileRefusal(const QString &path);

    QString arbeiter;      // employee name of the user logged in last
    int languagesetto = TranslationDictionary::German;
    // Kept in the settings store only, per user of the computer:
    bool onlyHours = false;            // "Nur Stundenanzahl abfragen, nicht von bis"
    bool hideDeletedEmployees = false; // in the evaluations' employee choice

    // The employee login: the first row whose user name and password equal
    // the given ones exactly; an empty user name matches nothing. Sets
    // arbeiter on a match, and names the employee in the change history.
    bool loginEmployee(const QString &userName, const QString &password);

private:
    void pointFolderAtDirectory(bool create);
    QString smallFileName(const char *fileName) const;

    Reporter &m_reporter;
    const Clock &m_clock;
    std::unique_ptr<WindowSettingsStore> m_settings;
    ProgramDirectories m_directories;
    TranslationDictionary m_dictionary;
    UserListData m_userList;
    std::unique_ptr<WorkTimeStore> m_store;
    FolderStore *m_folder = nullptr; // m_store, while it is the folder
    std::unique_ptr<QTemporaryDir> m_historyCopy;
    std::optional<QString> m_databaseDirectory;
    bool m_askWhenLocked = true;
    bool m_serverUnread = false;
};
