#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"

// tagwerk-cli translations update | export | check, and reports in English
// and Spanish through the shipped dictionary.
class TestCliTranslations : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void updateBuildsAMissingFile();
    void updateFillsOnlyEmptyCells();
    void exportWritesTheSourceFormat();
    void checkListsWhatIsMissing();
    void exportNeverGoesOverTheDictionary();
    void usageErrors_data();
    void usageErrors();
    void reportsInTheChosenLanguage_data();
    void reportsInTheChosenLanguage();

private:
    struct Result
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList &arguments) const;
    QString dictionaryPath() const { return m_dir->filePath(QStringLiteral("translate.dat")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
};

void TestCliTranslations::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

TestCliTranslations::Result TestCliTranslations::run(const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH), arguments);
    Result result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
    }
    return result;
}

void TestCliTranslations::updateBuildsAMissingFile()
{
    const Result update = run({QStringLiteral("translations"), QStringLiteral("update")});
    QCOMPARE(update.exitCode, 0);
    QVERIFY2(update.out.contains(QStringLiteral("added ")), qPrintable(update.out));
    QCOMPARE(TestFiles::readAll(dictionaryPath()), TestFiles::readAll(QStringLiteral(TAGWERK_TRANSLATE_DAT)));
    const Result check = run({QStringLiteral("translations"), QStringLiteral("check")});
    QCOMPARE(check.exitCode, 0);
    QCOMPARE(check.out, QString());
}

void TestCliTranslations::updateFillsOnlyEmptyCells()
{
    {
        RecordingReporter reporter;
        TranslationDictionary typed(reporter, dictionaryPath());
        typed.BuildTranslationIndex();
        typed.TranslateText(QStringLiteral("Ort"));
        typed.TranslateText(QStringLiteral("Ein Text, den nur dieser Übersetzer kennt"));
        typed.setText(0, TranslationDictionary::EnglishColumn, QStringLiteral("Spot"));
        typed.setText(1, TranslationDictionary::SpanishColumn, QStringLiteral("Un texto propio"));
        QVERIFY(typed.SaveTranslationFile());
    }
    const Result first = run({QStringLiteral("translations"), QStringLiteral("update")});
    QCOMPARE(first.exitCode, 0);
    QVERIFY2(first.out.contains(QStringLiteral("filled ")), qPrintable(first.out));

    RecordingReporter reporter;
    TranslationDictionary merged(reporter, dictionaryPath());
    merged.BuildTranslationIndex();
    QCOMPARE(merged.text(0, TranslationDictionary::GermanColumn), QStringLiteral("Ort"));
    QCOMPARE(merged.text(0, TranslationDictionary::EnglishColumn), QStringLiteral("Spot"));
    QCOMPARE(merged.text(0, TranslationDictionary::SpanishColumn), QStringLiteral("Lugar"));
    QCOMPARE(merged.text(1, TranslationDictionary::SpanishColumn), QStringLiteral("Un texto propio"));
    QVERIFY(merged.rowCount() > 100);

    const QByteArray before = TestFiles::readAll(dictionaryPath());
    const Result second = run({QStringLiteral("translations"), QStringLiteral("update")});
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.out.contains(QStringLiteral("filled 0 empty cells, added 0 rows")), qPrintable(second.out));
    QCOMPARE(TestFiles::readAll(dictionaryPath()), before);
}

void TestCliTranslations::exportWritesTheSourceFormat()
{
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), dictionaryPath()));
    {
        RecordingReporter reporter;
        TranslationDictionary dictionary(reporter, dictionaryPath());
        dictionary.BuildTranslationIndex();
        dictionary.TranslateText(QStringLiteral("Zwei\nZeilen"));
        dictionary.setText(dictionary.rowCount() - 1, TranslationDictionary::EnglishColumn, QStringLiteral(" Two\tlines"));
        QVERIFY(dictionary.SaveTranslationFile());
    }
    const QString exported = m_dir->filePath(QStringLiteral("sent-back.tsv"));
    QCOMPARE(run({QStringLiteral("translations"), QStringLiteral("export"), exported}).exitCode, 0);
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    TranslationSource source;
    QVERIFY2(source.read(&file), qPrintable(source.errorString()));
    QVERIFY(!source.comments.isEmpty());
    const TranslationSource::Row last = source.rows.last();
    QCOMPARE(last.german, QStringLiteral("Zwei\nZeilen"));
    QCOMPARE(last.english, QStringLiteral(" Two\tlines"));
    QVERIFY(TestFiles::readAll(exported).contains("Zwei\\nZeilen\t\\sTwo\\tlines\t\n"));

    // Every shipped row went out, and the translator's own one after them.
    QFile shipped(QStringLiteral(TAGWERK_TRANSLATIONS_SOURCE));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    TranslationSource original;
    QVERIFY(original.read(&shipped));
    QCOMPARE(source.rows.size(), original.rows.size() + 1);
}

void TestCliTranslations::checkListsWhatIsMissing()
{
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), dictionaryPath()));
    QFile::setPermissions(dictionaryPath(), QFile::ReadOwner | QFile::WriteOwner);
    {
        RecordingReporter reporter;
        TranslationDictionary dictionary(reporter, dictionaryPath());
        dictionary.BuildTranslationIndex();
        dictionary.TranslateText(QStringLiteral("Noch nicht übersetzt"));
    }
    const Result check = run({QStringLiteral("translations"), QStringLiteral("check")});
    QCOMPARE(check.exitCode, 1);
    QCOMPARE(check.out, QStringLiteral("Noch nicht übersetzt\n"));
    QVERIFY(check.err.contains(QStringLiteral("1 of ")));
}

void TestCliTranslations::exportNeverGoesOverTheDictionary()
{
    QCOMPARE(run({QStringLiteral("translations"), QStringLiteral("update")}).exitCode, 0);
    const QByteArray before = TestFiles::readAll(dictionaryPath());
    const Result result = run({QStringLiteral("translations"), QStringLiteral("export"), dictionaryPath()});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(!result.err.isEmpty());
    QCOMPARE(TestFiles::readAll(dictionaryPath()), before);
}

void TestCliTranslations::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no action") << QStringList{QStringLiteral("translations")};
    QTest::newRow("unknown action") << QStringList{QStringLiteral("translations"), QStringLiteral("merge")};
    QTest::newRow("export without a file") << QStringList{QStringLiteral("translations"), QStringLiteral("export")};
    QTest::newRow("check of no file") << QStringList{QStringLiteral("translations"), QStringLiteral("check")};
    QTest::newRow("foreign option") << QStringList{QStringLiteral("translations"), QStringLiteral("check"),
                                                   QStringLiteral("--month")};
}

void TestCliTranslations::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Result result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(!result.err.isEmpty());
    QVERIFY(!QFile::exists(dictionaryPath()));
}

void TestCliTranslations::reportsInTheChosenLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << QStringLiteral("en") << QStringLiteral("Evaluation by period");
    QTest::newRow("Spanish") << QStringLiteral("es") << QStringLiteral("Evaluación por período");
}

void TestCliTranslations::reportsInTheChosenLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, title);
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), dictionaryPath()));
    QFile::setPermissions(dictionaryPath(), QFile::ReadOwner | QFile::WriteOwner);
    DbfTable table(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    record.setText(WorkTimeTables::Pause, QStringLiteral("00:30"));
    record.setLogical(WorkTimeTables::Auswaerts, true);
    QVERIFY(table.append(record));
    table.close();

    const Result report = run({QStringLiteral("--db"), m_dir->path(), QStringLiteral("--lang"), language,
                               QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                               QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024"),
                               QStringLiteral("--breaks")});
    QCOMPARE(report.exitCode, 0);
    QVERIFY2(report.out.contains(title), qPrintable(report.out));
    for (const char *german : {"Auswertung", "Zeitraum", "Mitarbeiter", "Gesamtstunden", "Tätigkeit", "Übernachtung",
                               "Bemerkungen", "Pause"}) {
        QVERIFY2(!report.out.contains(QString::fromUtf8(german)), qPrintable(report.out));
    }
}

QTEST_GUILESS_MAIN(TestCliTranslations)
#include "tst_cli_translations.moc"
