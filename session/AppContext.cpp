#include "AppContext.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSysInfo>

#include "LanguageOptions.h"
#include "OwnFiles.h"
#include "base/Clock.h"
#include "base/Reporter.h"
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
    m_changeLog.setFailureReporter(&m_reporter);
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

void AppContext::setTableDirectories()
{
    // One resolution for each table, as each table component asks on its own.
    m_tables.setDirectory(GetProgramDir(true)); // Dbf1
    m_tables.setDirectory(GetProgramDir(true)); // Dbf2
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
    // Without its history the table is still usable; the user is told that
    // changes now go unlogged.
    if (!m_changeLog.open(m_tables.directory()))
        m_reporter.error(UiText(QStringLiteral("Das Änderungsprotokoll kann nicht geöffnet werden; Änderungen werden "
                                               "nicht protokolliert: %1"))
                             .arg(m_changeLog.errorString()));
}

ClosedPeriod::Change AppContext::closePeriod(std::optional<QDate> until, const QString &adminPassword)
{
    const ClosedPeriod::Change change = m_closedPeriod.closeUntil(until, adminPassword, m_userList, m_clock.now().date());
    if (change.result != ClosedPeriod::Change::Done || !m_changeLog.isOpen())
        return change;
    const QDate before = change.before.kind == ClosedPeriod::State::Closed ? change.before.until : QDate();
    if (!m_changeLog.appendPeriodClosing(QLatin1String(ChangeLog::AdministratorName), QSysInfo::machineHostName(),
                                         before, change.after.value_or(QDate())))
        m_reporter.error(UiText(QStringLiteral("Das Abschlussdatum ist gespeichert, konnte aber nicht ins "
                                               "Änderungsprotokoll eingetragen werden: %1"))
                             .arg(m_changeLog.errorString()));
    return change;
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
