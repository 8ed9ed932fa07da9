#include "AppContext.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSysInfo>

#include "LanguageOptions.h"
#include "OwnFiles.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "storage/ClosingDateFile.h"
#include "storage/UserListStore.h"
#include "translation/UiText.h"

AppContext::AppContext(Reporter &reporter, const Clock &clock, const QString &programDirectory,
                       const QString &appDataFolder, std::unique_ptr<WindowSettingsStore> settings)
    : m_reporter(reporter)
    , m_clock(clock)
    , m_settings(std::move(settings))
    , m_directories(programDirectory, appDataFolder, reporter)
    , m_dictionary(reporter, m_directories.progpath() + QLatin1String(TranslationFileName))
    , m_tables(clock, reporter, [this](int n) { return m_dictionary.ProgramText(n); })
    , m_clashIndex(m_tables.Dbf1)
    , m_closedPeriod([this] { return m_tables.directory(); })
    , m_changeLog(m_tables.Dbf1, clock)
{
    m_closedPeriod.setRecordedClosing([this] {
        ClosedPeriod::Recorded recorded;
        if (const auto closing = m_changeLog.lastClosing()) {
            recorded.known = true;
            recorded.any = closing->any;
            recorded.until = closing->until;
        }
        return recorded;
    });
    m_tables.Dbf1.setLockBusyHandler([this](const QString &message) {
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

void AppContext::LoadBenutzer()
{
    const QString path = GetProgramDir(false) + QLatin1String(UserListStore::FileName);
    if (UserListStore::load(path, m_userList) == UserListStore::LoadResult::Damaged)
        m_reporter.error(UserListStore::damagedMessage(path));
}

bool AppContext::SaveBenutzer()
{
    return UserListStore::save(GetProgramDir(true) + QLatin1String(UserListStore::FileName), m_userList);
}

void AppContext::LoadOptions()
{
    SetCurrentLanguage(LanguageOptions::German);
    languagesetto = LanguageOptions::LoadOptions(GetProgramDir(false))
                        .value_or(LanguageOptions::languageOfLocale(QLocale::system()));
}

bool AppContext::SaveOptions()
{
    return LanguageOptions::SaveOptions(GetProgramDir(true), CurrentLanguage());
}

void AppContext::setTableDirectories(bool create)
{
    // One resolution for each table, as each table component asks on its own.
    m_tables.setDirectory(GetProgramDir(create)); // Dbf1
    m_tables.setDirectory(GetProgramDir(create)); // Dbf2
}

bool AppContext::CreateandopenTables()
{
    const bool opened = m_tables.CreateandopenTables();
    m_clashIndex.rebuild();
    if (opened)
        openChangeLog();
    return opened;
}

void AppContext::openChangeLog()
{
    // The table stays readable without its history; every change is refused
    // (the journal says why) until the history can be written again.
    if (!m_changeLog.open(m_tables.directory()))
        m_reporter.error(m_changeLog.errorString());
}

// Entered in the history first, then written to the file, both under the
// table's lock, so that no booking sees the one without the other.
ClosedPeriod::Change AppContext::closePeriod(std::optional<QDate> until, const QString &adminPassword)
{
    // Without the table there is no history to enter the closing in: it is
    // refused (after the password), never written unentered.
    DbfTable &table = m_tables.Dbf1;
    const bool locked = table.isOpen() && table.lockHeader();
    const auto recordFirst = [this](const ClosedPeriod::State &before, std::optional<QDate> after) {
        if (!m_changeLog.isOpen())
            return m_changeLog.errorString().isEmpty() ? UiText(QStringLiteral("Das Änderungsprotokoll ist nicht geöffnet."))
                                                       : m_changeLog.errorString();
        QDate old = before.kind == ClosedPeriod::State::Closed ? before.until : QDate();
        if (before.kind == ClosedPeriod::State::Unknown) {
            if (const auto closing = m_changeLog.lastClosing())
                old = closing->until;
        }
        if (m_changeLog.appendPeriodClosing(QLatin1String(ChangeLog::AdministratorName), QSysInfo::machineHostName(),
                                            old, after.value_or(QDate())))
            return QString();
        return UiText(QStringLiteral("Das Abschlussdatum wurde nicht geändert, weil es nicht ins Änderungsprotokoll "
                                     "eingetragen werden kann: %1"))
            .arg(m_changeLog.errorString());
    };
    const ClosedPeriod::Change change =
        m_closedPeriod.closeUntil(until, adminPassword, m_userList, m_clock.now().date(), recordFirst);
    if (locked)
        table.unlockHeader();
    return change;
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
    if (ClosingDateFile::load(m_closedPeriod.filePath(), until) == ClosingDateFile::LoadResult::Loaded && until)
        closedUntil = until;
    if (!m_changeLog.restart(m_tables.directory(), QSysInfo::machineHostName(), closedUntil)) {
        restart.message = UiText(QStringLiteral("Das Änderungsprotokoll wurde nicht neu begonnen: %1"))
                              .arg(m_changeLog.errorString());
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
    if (!OwnFiles::isOwnFile(path, OwnFiles::paths(m_tables.directory(), m_dictionary.filePath())))
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
            m_changeLog.setAuthor(arbeiter);
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
