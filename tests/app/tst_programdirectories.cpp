#include <QTemporaryDir>
#include <QProcessEnvironment>
#include <QtTest>

#include "session/LanguageOptions.h"
#include "session/OwnFiles.h"
#include "session/ProgramDirectories.h"
#include "base/WindowSettingsStore.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"

class TestProgramDirectories : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultDirectoryIsCreatedOnlyWhenAsked();
    void noAppDataFolderMeansProgramDirectory();
    void programDirectory_data();
    void programDirectory();
    void ownDirectory_data();
    void ownDirectory();
    void choiceSurvivesInSettings();
    void settingsValuesAreStrings();
    void languageOptions_data();
    void languageOptions();
    void saveOptionsWritesFourBytes();
    void probeLeavesEveryFileAlone_data();
    void probeLeavesEveryFileAlone();
    void windowsDefaultIsTheLocalFolder();
    void ownFilesUnderWindowsNameRules_data();
    void ownFilesUnderWindowsNameRules();
    void firstStartTakesSystemLanguage_data();
    void firstStartTakesSystemLanguage();

private:
    QString sub(const QString &name) const { return ProgramDirectories::withTrailingSeparator(m_dir->filePath(name)); }
    std::unique_ptr<ProgramDirectories> directories(const QString &program);

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingReporter m_reporter;
    std::unique_ptr<WindowSettingsStore> m_settings;
};

void TestProgramDirectories::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_reporter.clear();
    m_settings = std::make_unique<WindowSettingsStore>(m_dir->filePath(QStringLiteral("settings.ini")));
    QDir(m_dir->path()).mkpath(QStringLiteral("program"));
}

std::unique_ptr<ProgramDirectories> TestProgramDirectories::directories(const QString &program)
{
    auto result = std::make_unique<ProgramDirectories>(program, m_dir->filePath(QStringLiteral("appdata")), m_reporter);
    result->attachSettings(m_settings.get());
    return result;
}

void TestProgramDirectories::defaultDirectoryIsCreatedOnlyWhenAsked()
{
    auto dirs = directories(sub(QStringLiteral("program")));
    const QString expected = sub(QStringLiteral("appdata/Korvald/Tagwerk"));
    QCOMPARE(dirs->GetProgramDir(false), expected);
    QVERIFY(!QFileInfo::exists(expected));
    QCOMPARE(dirs->GetProgramDir(true), expected);
    QVERIFY(QFileInfo(expected).isDir());
    QVERIFY(expected.endsWith(QDir::separator()));
}

void TestProgramDirectories::noAppDataFolderMeansProgramDirectory()
{
    ProgramDirectories dirs(m_dir->filePath(QStringLiteral("program")), QString(), m_reporter);
    QCOMPARE(dirs.GetProgramDir(true), sub(QStringLiteral("program")));
}

void TestProgramDirectories::programDirectory_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("writable") << true;
    QTest::newRow("not writable") << false;
}

void TestProgramDirectories::programDirectory()
{
    QFETCH(bool, writable);
    // A directory that does not exist stands for one we may not write to.
    const QString program = writable ? sub(QStringLiteral("program")) : sub(QStringLiteral("gone"));
    auto dirs = directories(program);
    dirs->setChoice(ProgramDirectories::Choice::ProgramDirectory);
    const QString result = dirs->GetProgramDir(false);
    QCOMPARE(result, writable ? program : sub(QStringLiteral("appdata/Korvald/Tagwerk")));
    QVERIFY(m_reporter.messages().isEmpty()); // switched without a word
    QCOMPARE(m_settings->checked(QStringLiteral("TSetDataBaseForm"), QStringLiteral("RadioButton1")),
             writable ? std::nullopt : std::optional<bool>(true));
    QCOMPARE(QDir(program).entryList(QDir::Files), QStringList()); // the probe left nothing behind
}

void TestProgramDirectories::ownDirectory_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QList<Reporter::Answer>>("answers");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("questions");
    const QString ownPath = QStringLiteral("own");
    QTest::newRow("without trailing separator") << ownPath << QList<Reporter::Answer>() << QStringLiteral("own/") << 0;
    QTest::newRow("with trailing separator") << ownPath + QLatin1Char('/') << QList<Reporter::Answer>() << QStringLiteral("own/") << 0;
    QTest::newRow("unwritable, answered No") << QStringLiteral("gone") << QList<Reporter::Answer>{Reporter::Answer::No}
                                             << QStringLiteral("gone/") << 1;
    QTest::newRow("unwritable, answered Yes") << QStringLiteral("gone") << QList<Reporter::Answer>{Reporter::Answer::Yes}
                                              << QStringLiteral("appdata/Korvald/Tagwerk/") << 1;
}

void TestProgramDirectories::ownDirectory()
{
    QFETCH(QString, own);
    QFETCH(QList<Reporter::Answer>, answers);
    QFETCH(QString, expected);
    QFETCH(int, questions);
    QDir(m_dir->path()).mkpath(QStringLiteral("own"));
    auto dirs = directories(sub(QStringLiteral("program")));
    dirs->setChoice(ProgramDirectories::Choice::OwnDirectory);
    dirs->setOwnDirectory(m_dir->filePath(own));
    m_reporter.setNextAnswers(answers);
    QCOMPARE(dirs->GetProgramDir(false), QDir::toNativeSeparators(m_dir->filePath(expected)));
    QCOMPARE(int(m_reporter.messages().size()), questions);
    if (questions > 0) {
        QCOMPARE(m_reporter.messages().first().kind, RecordingReporter::Message::Question);
        QVERIFY(m_reporter.messages().first().text.startsWith(
            QStringLiteral("Das Programm scheint nicht auf das eingestellte Datenbankverzeichnis zugreifen zu können.")));
        // Asked again on every call until the answer is Yes.
        const bool switched = answers.first() == Reporter::Answer::Yes;
        dirs->GetProgramDir(false);
        QCOMPARE(int(m_reporter.messages().size()), switched ? 1 : 2);
    }
}

void TestProgramDirectories::choiceSurvivesInSettings()
{
    {
        auto dirs = directories(sub(QStringLiteral("program")));
        dirs->setChoice(ProgramDirectories::Choice::OwnDirectory);
        dirs->setOwnDirectory(QStringLiteral("  /srv/tagwerk  "));
        dirs->saveSettings();
    }
    WindowSettingsStore reread(m_dir->filePath(QStringLiteral("settings.ini")));
    QCOMPARE(reread.value(QStringLiteral("TSetDataBaseForm"), QStringLiteral("RadioButton2_Checked")), QStringLiteral("True"));
    QCOMPARE(reread.value(QStringLiteral("TSetDataBaseForm"), QStringLiteral("RadioButton1_Checked")), QStringLiteral("False"));
    QCOMPARE(reread.value(QStringLiteral("TSetDataBaseForm"), QStringLiteral("DirectoryEdit1_Text")), QStringLiteral("/srv/tagwerk"));
    auto dirs = directories(sub(QStringLiteral("program")));
    QCOMPARE(dirs->choice(), ProgramDirectories::Choice::DefaultDirectory);
    dirs->restoreSettings();
    QCOMPARE(dirs->choice(), ProgramDirectories::Choice::OwnDirectory);
    QCOMPARE(dirs->ownDirectory(), QStringLiteral("/srv/tagwerk"));
}

void TestProgramDirectories::settingsValuesAreStrings()
{
    QCOMPARE(m_settings->checked(QStringLiteral("TAdminForm"), QStringLiteral("CheckOnlyhoursCheck")), std::nullopt);
    m_settings->setChecked(QStringLiteral("TAdminForm"), QStringLiteral("CheckOnlyhoursCheck"), true);
    m_settings->setText(QStringLiteral("TAdminForm"), QStringLiteral("Edit1"), QStringLiteral(" geheim "));
    m_settings->sync();
    WindowSettingsStore reread(m_dir->filePath(QStringLiteral("settings.ini")));
    QCOMPARE(reread.value(QStringLiteral("TAdminForm"), QStringLiteral("CheckOnlyhoursCheck_Checked")), QStringLiteral("True"));
    QCOMPARE(reread.text(QStringLiteral("TAdminForm"), QStringLiteral("Edit1")), QStringLiteral("geheim"));
}

void TestProgramDirectories::languageOptions_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<int>("expected");    // 0: nothing read
    QTest::newRow("no file") << QByteArray() << 0;
    QTest::newRow("0 reads as German") << TestFiles::le32(0) << 3;
    QTest::newRow("Spanish") << TestFiles::le32(2) << 2;
    QTest::newRow("English") << TestFiles::le32(1) << 1;
    QTest::newRow("other code as it stands") << TestFiles::le32(7) << 7;
    QTest::newRow("two bytes") << QByteArray("\x01\x00", 2) << 0;
}

void TestProgramDirectories::languageOptions()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    const QString directory = sub(QStringLiteral("program"));
    if (!file.isNull())
        QVERIFY(TestFiles::writeAll(directory + QStringLiteral("options.dat"), file));
    QCOMPARE(LanguageOptions::LoadOptions(directory).value_or(0), expected);
}

void TestProgramDirectories::saveOptionsWritesFourBytes()
{
    const QString directory = sub(QStringLiteral("program"));
    QVERIFY(TestFiles::writeAll(directory + QStringLiteral("options.dat"), QByteArray(100, 'x')));
    QVERIFY(LanguageOptions::SaveOptions(directory, 2));
    QCOMPARE(TestFiles::readAll(directory + QStringLiteral("options.dat")), QByteArray("\x02\x00\x00\x00", 4));
    QVERIFY(!LanguageOptions::SaveOptions(sub(QStringLiteral("gone")), 2));
}

// The probe runs at every start, in a firm's shared folder too: whatever
// lies there, a user's "test.dat" included, stays as it is.
void TestProgramDirectories::probeLeavesEveryFileAlone_data()
{
    QTest::addColumn<QString>("existing");
    QTest::newRow("a user's test.dat") << QStringLiteral("test.dat");
    QTest::newRow("a file of the probe's pattern") << QStringLiteral("tagwerk-probe-XXXXXX.tmp");
    QTest::newRow("a file of another name") << QStringLiteral("notes.txt");
}

void TestProgramDirectories::probeLeavesEveryFileAlone()
{
    QFETCH(QString, existing);
    const QString program = sub(QStringLiteral("program"));
    QFile file(program + existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a user's own words");
    file.close();
    const QStringList before = QDir(program).entryList(QDir::Files | QDir::Hidden);
    QVERIFY(ProgramDirectories::probeWritable(program));
    QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden), before);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a user's own words"));
    QVERIFY(!ProgramDirectories::probeWritable(sub(QStringLiteral("gone"))));
}

// A roaming profile is copied to the server at logoff and back at logon: a
// table in it would be overwritten by another PC's copy.
void TestProgramDirectories::windowsDefaultIsTheLocalFolder()
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("APPDATA"), QStringLiteral("C:\\Users\\anna\\AppData\\Roaming"));
    environment.insert(QStringLiteral("LOCALAPPDATA"), QStringLiteral("C:\\Users\\anna\\AppData\\Local"));
    QCOMPARE(ProgramDirectories::windowsAppDataFolder(environment), QStringLiteral("C:\\Users\\anna\\AppData\\Local"));
    environment.remove(QStringLiteral("LOCALAPPDATA"));
    QCOMPARE(ProgramDirectories::windowsAppDataFolder(environment), QString());
}

// Windows ignores case and trailing dots and blanks: those spellings of the
// program's own files are its own files there, and are refused as outputs.
void TestProgramDirectories::ownFilesUnderWindowsNameRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ownOnWindows");
    QTest::addColumn<bool>("ownElsewhere");
    QTest::newRow("as written") << QStringLiteral("arbeitszeit.dbf") << true << true;
    QTest::newRow("upper case") << QStringLiteral("ARBEITSZEIT.DBF") << true << false;
    QTest::newRow("trailing dot") << QStringLiteral("benutzer.dat.") << true << false;
    QTest::newRow("trailing blanks and dots") << QStringLiteral("Options.dat . .") << true << false;
    QTest::newRow("directory in another case") << QStringLiteral("../DB/abschluss.dat") << true << false;
    QTest::newRow("another file") << QStringLiteral("bericht.csv") << false << false;
    QTest::newRow("a dot inside") << QStringLiteral("benutzer.d.at") << false << false;
}

void TestProgramDirectories::ownFilesUnderWindowsNameRules()
{
    QFETCH(QString, name);
    QFETCH(bool, ownOnWindows);
    QFETCH(bool, ownElsewhere);
    QDir(m_dir->path()).mkpath(QStringLiteral("db"));
    const QString database = m_dir->filePath(QStringLiteral("db")) + QLatin1Char('/');
    const QStringList own = OwnFiles::paths(database, m_dir->filePath(QStringLiteral("program/translate.dat")));
    const QString path = database + name;
    QCOMPARE(OwnFiles::isOwnFile(path, own, OwnFiles::NameRules::Windows), ownOnWindows);
    QCOMPARE(OwnFiles::isOwnFile(path, own, OwnFiles::NameRules::Exact), ownElsewhere);
}

void TestProgramDirectories::firstStartTakesSystemLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("expected");
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << 1;
    QTest::newRow("es_MX") << QLocale(QLocale::Spanish, QLocale::Mexico) << 2;
    QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << 3;
    QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << 3;
    QTest::newRow("C") << QLocale::c() << 3;
}

void TestProgramDirectories::firstStartTakesSystemLanguage()
{
    QFETCH(QLocale, locale);
    QFETCH(int, expected);
    QCOMPARE(LanguageOptions::languageOfLocale(locale), expected);
}

QTEST_GUILESS_MAIN(TestProgramDirectories)
#include "tst_programdirectories.moc"
