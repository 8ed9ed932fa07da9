#include "AppContext.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLocale>
#include <QSysInfo>
#include <QTemporaryDir>

#include "LanguageOptions.h"
#include "OwnFiles.h"
#include "ServerChoice.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "serverstore/ServerStore.h"
#include "storage/AccountTables.h"
#include "storage/ClosingDateFile.h"
#include "storage/UserListStore.h"
#include "translation/UiText.h"
#include "translation/korvald.h"

AppContext::AppContext(Reporter &reporter, const Clock &clock, const QString &programDirectory,
                       const QString &appDataFolder, std::unique_ptr<WindowSettingsStore> settings)
    : m_reporter(reporter)
    , m_clock(clock)
    , m_settings(std::move(settings))
    , m_directories(programDirectory, appDataFolder, reporter)
    , m_dictionary(reporter, m_directories.progpath() + QLatin1String(TranslationFileName))
{
    auto folder = std::make_unique<FolderStore>(clock, reporter, [this](int n) { return m_dictionary.ProgramText(n); });
    m_folder = folder.get();
    m_store = std::move(folder);
    m_folder->tables().Dbf1.setLockBusyHandler([this](const QString &message) {
        return m_askWhenLocked
            && m_reporter.question(UiText(QStringLiteral("%1\n\nNoch einmal versuchen?")).arg(message))
            == Reporter::Answer::Yes;
    });
    m_directories.attachSettings(m_settings.get());
}

AppContext::~AppContext()
{
    if (TranslationDictionary::global() == &m_dictionary) {
        TranslationDictionary::setGlobal(nullptr);
        SetUiTextTranslator({});
    }
}

QString AppContext::defaultProgramDirectory()
{
    const QString overridden = qEnvironmentVariable("TAGWERK_PROGRAM_DIR");
    return overridden.isEmpty() ? QCoreApplication::applicationDirPath() : overridden;
}

void AppContext::setDatabaseDirectoryOverride(const QString &directory)
{
    m_databaseDirectory = ProgramDirectories::withTrailingSeparator(directory);
}

QString AppContext::GetProgramDir(bool create)
{
    return m_databaseDirectory ? *m_databaseDirectory : m_directories.GetProgramDir(create);
}

void AppContext::BuildTranslationIndex()
{
    TranslationDictionary::setGlobal(&m_dictionary);
    SetUiTextTranslator([this](const QString &german) { return m_dictionary.TranslateText(german); });
    m_dictionary.BuildTranslationIndex();
}

void AppContext::pointFolderAtDirectory(bool create)
{
    if (m_folder)
        m_folder->setDirectory(GetProgramDir(create));
}

QString AppContext::smallFileName(const char *fileName) const
{
    return m_folder ? m_folder->directory() + QLatin1String(fileName)
                    : QStringLiteral("%1 (%2)").arg(QLatin1String(fileName), m_store->location());
}

bool AppContext::LoadBenutzer()
{
    pointFolderAtDirectory(false);
    bool readFailed = false;
    const std::optional<QByteArray> bytes = m_store->readSmallFile(WorkTimeStore::SmallFile::Users, readFailed);
    if (readFailed) {
        m_reporter.error(m_store->errorString());
        return false;
    }
    if (!bytes)
        return true;
    QBuffer buffer;
    buffer.setData(*bytes);
    buffer.open(QIODevice::ReadOnly);
    if (UserListStore::read(&buffer, m_userList) == UserListStore::LoadResult::Damaged)
        m_reporter.error(UserListStore::damagedMessage(smallFileName(UserListStore::FileName)));
    return true;
}

bool AppContext::readyForLogin()
{
    if (!m_serverUnread)
        return true;
    // Without the user list a login would check nobody's password (an empty
    // administrator password opens the main window): read it first.
    if (!LoadBenutzer() || !CreateandopenTables())
        return false;
    m_serverUnread = false;
    return true;
}

bool AppContext::SaveBenutzer()
{
    pointFolderAtDirectory(true);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    try {
        UserListStore::write(&buffer, m_userList);
    } catch (const KorvaldIoError &) {
        return false;
    }
    return m_store->writeSmallFile(WorkTimeStore::SmallFile::Users, bytes);
}

void AppContext::LoadOptions()
{
    SetCurrentLanguage(LanguageOptions::German);
    pointFolderAtDirectory(false);
    bool readFailed = false;
    const std::optional<QByteArray> bytes = m_store->readSmallFile(WorkTimeStore::SmallFile::Options, readFailed);
    const std::optional<int> stored = bytes ? LanguageOptions::fromBytes(*bytes) : std::nullopt;
    languagesetto = stored.value_or(LanguageOptions::languageOfLocale(QLocale::system()));
}

bool AppContext::SaveOptions()
{
    pointFolderAtDirectory(true);
    return m_store->writeSmallFile(WorkTimeStore::SmallFile::Options, LanguageOptions::toBytes(CurrentLanguage()));
}

void AppContext::setTableDirectories(bool create)
{
    pointFolderAtDirectory(create);
}

bool AppContext::CreateandopenTables()
{
    if (m_store->open())
        return true;
    if (!m_store->errorString().isEmpty())
        m_reporter.error(m_store->errorString());
    return false;
}

bool AppContext::openForReading()
{
    if (m_store->openForReading())
        return true;
    if (!m_store->errorString().isEmpty())
        m_reporter.error(m_store->errorString());
    return false;
}

void AppContext::openChangeLog()
{
    if (m_folder)
        m_folder->openChangeLog();
}

ClosedPeriod::Change AppContext::closePeriod(std::optional<QDate> until, const QString &adminPassword)
{
    return m_store->closePeriod(until, adminPassword, m_userList, m_clock.now().date());
}

AccountTables AppContext::accountTables()
{
    AccountTables account(m_clock);
    m_store->placeAccount(account);
    return account;
}

AppContext::ServerOpening AppContext::useServer(const QString &conninfo, const QString &password)
{
    ServerOpening opening;
    const std::optional<ServerConnection::Settings> settings = ServerConnection::parse(conninfo, &opening.message);
    if (!settings)
        return opening;
    auto server = std::make_unique<ServerStore>(*settings, m_clock);
    if (!password.isEmpty())
        server->setPassword(password);
    opening.connected = server->connection().open();
    if (!opening.connected) {
        opening.passwordRefused = server->connection().passwordRefused();
        opening.message = server->connection().errorString();
    }
    m_folder = nullptr;
    m_store = std::move(server);
    m_serverUnread = !opening.connected;
    return opening;
}

QString AppContext::chosenServer()
{
    const ServerChoice choice = ServerChoice::restore(*m_settings);
    return choice.useServer ? choice.conninfo() : QString();
}

QString AppContext::historyChecksumLine()
{
    const QByteArray hash = m_store->historyChecksum();
    if (hash.isEmpty())
        return {};
    return UiText(QStringLiteral("Prüfsumme des Änderungsprotokolls: %1")).arg(QString::fromLatin1(hash));
}

bool AppContext::historyMayRestart()
{
    if (!m_folder)
        return false;
    const ChangeLog::State state = m_folder->changeLog().state();
    return state == ChangeLog::State::Missing || state == ChangeLog::State::Damaged;
}

QString AppContext::historyDirectory(bool toVerify)
{
    if (m_folder)
        return m_folder->directory();
    m_historyCopy = std::make_unique<QTemporaryDir>();
    const QString copy = m_historyCopy->path();
    if (!m_historyCopy->isValid() || !(toVerify ? m_store->exportTo(copy) : m_store->exportHistoryTo(copy))) {
        m_reporter.error(m_historyCopy->isValid() ? m_store->errorString() : m_historyCopy->errorString());
        return {};
    }
    return ProgramDirectories::withTrailingSeparator(m_historyCopy->path());
}

HolidayCalendar AppContext::holidayCalendar()
{
    AccountTables tables = accountTables();
    AccountData data;
    if (!tables.read(data)) {
        m_reporter.error(tables.errorString());
        return {};
    }
    return HolidayCalendar(data.state, data.firmDays);
}

AppContext::Restart AppContext::restartHistory(const QString &adminPassword)
{
    Restart restart;
    if (!m_userList.acceptsAdminPassword(adminPassword)) {
        restart.message = ProgramText(19); // the administrator login's own words
        return restart;
    }
    // The closing file's date is taken over, as the administrator confirms
    // it by starting the history again; a file that cannot be read is not.
    std::optional<QDate> until;
    std::optional<QDate> closedUntil;
    if (!m_folder) {
        restart.message = UiText(QStringLiteral("Auf dem Server kann das Änderungsprotokoll nicht neu begonnen werden."));
        return restart;
    }
    if (ClosingDateFile::load(closedPeriod().filePath(), until) == ClosingDateFile::LoadResult::Loaded && until)
        closedUntil = until;
    if (!changeLog().restart(m_folder->directory(), QSysInfo::machineHostName(), closedUntil)) {
        restart.message = UiText(QStringLiteral("Das Änderungsprotokoll wurde nicht neu begonnen: %1"))
                              .arg(changeLog().errorString());
        return restart;
    }
    restart.done = true;
    restart.message = UiText(QStringLiteral("Das Änderungsprotokoll wurde neu begonnen."));
    return restart;
}

std::optional<QString> AppContext::ownFileRefusal(const QString &path)
{
    // The directory the tables were opened in: resolving the Database
    // directory anew would probe it and might ask the user a question.
    const QString directory = m_folder ? m_folder->directory() : QString();
    if (!OwnFiles::isOwnFile(path, OwnFiles::paths(directory, m_dictionary.filePath())))
        return std::nullopt;
    return OwnFiles::refusal(path);
}

bool AppContext::loginEmployee(const QString &userName, const QString &password)
{
    if (userName.isEmpty())
        return false;
    for (const UserRow &row : std::as_const(m_userList.users)) {
        if (row.userName == userName && row.password == password) {
            arbeiter = row.employeeName;
            m_store->setAuthor(arbeiter);
            return true;
        }
    }
    return false;
}

void AppContext::restoreMainWindowOptions()
{
    // The main window's check mark "Bei Mitarbeiter Auswahl für die Auswertung
    // gelöschte Mitarbeiter ausblenden", kept under that window's name.
    if (const auto checked = m_settings->checked(QStringLiteral("TMainForm"),
                                                 QStringLiteral("BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1")))
        hideDeletedEmployees = *checked;
}

void AppContext::restoreAdminOptions()
{
    if (const auto checked = m_settings->checked(QStringLiteral("TAdminForm"), QStringLiteral("CheckOnlyhoursCheck")))
        onlyHours = *checked;
}
