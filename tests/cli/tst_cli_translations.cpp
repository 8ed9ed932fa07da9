#include <QFile>
#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/DbfTable.h"
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
    void importTakesCorrectionsBack();
    void exportAndImportChangeNothing_data();
    void exportAndImportChangeNothing();
    void refusalsSpeakTheLanguage_data();
    void refusalsSpeakTheLanguage();

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
    QVERIFY2(update.out.contains(QStringLiteral("Zeilen hinzugefügt")), qPrintable(update.out));
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
    QVERIFY2(first.out.contains(QStringLiteral("leere Zellen gefüllt")), qPrintable(first.out));

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
    QVERIFY2(second.out.contains(QStringLiteral("0 leere Zellen gefüllt, 0 Zeilen hinzugefügt")), qPrintable(second.out));
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
        dictionary.TranslateText(QStringLiteral("Nur Englisch"));
        dictionary.setText(dictionary.rowCount() - 1, TranslationDictionary::EnglishColumn, QStringLiteral("English only"));
        QVERIFY(dictionary.SaveTranslationFile());
    }
    // Each key with the languages it lacks.
    const Result check = run({QStringLiteral("translations"), QStringLiteral("check")});
    QCOMPARE(check.exitCode, 1);
    QCOMPARE(check.out, QStringLiteral("Noch nicht übersetzt\ten es\nNur Englisch\tes\n"));
    QVERIFY(check.err.contains(QStringLiteral("2 von ")));
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
    QTest::newRow("English") << QStringLiteral("en") << QStringLiteral("Report by period");
    QTest::newRow("Spanish") << QStringLiteral("es") << QStringLiteral("Informe por período");
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

void TestCliTranslations::importTakesCorrectionsBack()
{
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), dictionaryPath()));
    QFile::setPermissions(dictionaryPath(), QFile::ReadOwner | QFile::WriteOwner);
    const QString sent = m_dir->filePath(QStringLiteral("corrected.tsv"));
    // A correction of a filled cell, a cell left empty, and a new key.
    QVERIFY(TestFiles::writeAll(sent, QByteArray("# from a translator\nde\ten\tes\n"
                                                 "Ort\tSite\t\n"
                                                 "Neu im Programm\tNew in the program\tNuevo en el programa\n")));
    const Result result = run({QStringLiteral("translations"), QStringLiteral("import"), sent});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.contains(QStringLiteral(": 3 Zellen geändert, 1 Zeilen hinzugefügt")), qPrintable(result.out));
    RecordingReporter reporter;
    TranslationDictionary dictionary(reporter, dictionaryPath());
    dictionary.BuildTranslationIndex();
    dictionary.setCurrentLanguage(TranslationDictionary::English);
    QCOMPARE(dictionary.TranslateText(QStringLiteral("Ort")), QStringLiteral("Site"));
    QCOMPARE(dictionary.TranslateText(QStringLiteral("Neu im Programm")), QStringLiteral("New in the program"));
    dictionary.setCurrentLanguage(TranslationDictionary::Spanish);
    QCOMPARE(dictionary.TranslateText(QStringLiteral("Ort")), QStringLiteral("Lugar"));
}

void TestCliTranslations::exportAndImportChangeNothing_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("comment");
    const QString ordinary = QStringLiteral("Glossar");
    QTest::newRow("a key that begins with #") << QStringLiteral("#3 Auswertung") << QStringLiteral("#3 report") << ordinary;
    QTest::newRow("a key of blanks") << QStringLiteral("   ") << QStringLiteral("blanks") << ordinary;
    QTest::newRow("U+FFFD") << QStringLiteral("Ersatz \uFFFD") << QStringLiteral("Replacement \uFFFD") << ordinary;
    QTest::newRow("lone surrogates") << (QStringLiteral("Halb ") + QChar(0xD83D)) << (QChar(0xDE00) + QStringLiteral(" half"))
                                     << ordinary;
    QTest::newRow("line breaks and blanks") << QStringLiteral(" Zwei\r\nZeilen ") << QStringLiteral("\tTwo lines ")
                                            << ordinary;
    QTest::newRow("a comment ending in CR") << QStringLiteral("Schluss") << QStringLiteral("End")
                                            << QStringLiteral("endet mit CR\r");
}

// Whatever a key or cell holds, it goes out and comes back as itself.
void TestCliTranslations::exportAndImportChangeNothing()
{
    QFETCH(QString, key);
    QFETCH(QString, english);
    QFETCH(QString, comment);
    TranslationSource written;
    written.comments = {comment};
    written.rows = {{key, english, QStringLiteral("es")}};
    QBuffer buffer;
    buffer.setData(written.toUtf8());
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    TranslationSource read;
    QVERIFY2(read.read(&buffer), qPrintable(read.errorString()));
    QCOMPARE(read.comments, written.comments);
    QCOMPARE(read.rows.size(), 1);
    QCOMPARE(read.rows.first().german, key);
    QCOMPARE(read.rows.first().english, english);

    {
        RecordingReporter reporter;
        TranslationDictionary dictionary(reporter, dictionaryPath());
        dictionary.BuildTranslationIndex();
        dictionary.TranslateText(QStringLiteral("Ort"));
        int cells = 0;
        int rows = 0;
        dictionary.importCells(key, english, QString(), &cells, &rows);
        QCOMPARE(rows, 1);
        QVERIFY(dictionary.SaveTranslationFile());
    }
    const QByteArray before = TestFiles::readAll(dictionaryPath());
    const QString sent = m_dir->filePath(QStringLiteral("sent.tsv"));
    QCOMPARE(run({QStringLiteral("translations"), QStringLiteral("export"), sent}).exitCode, 0);
    const Result back = run({QStringLiteral("translations"), QStringLiteral("import"), sent});
    QCOMPARE(back.exitCode, 0);
    QVERIFY2(back.out.contains(QStringLiteral(": 0 Zellen geändert, 0 Zeilen hinzugefügt")), qPrintable(back.out + back.err));
    QCOMPARE(TestFiles::readAll(dictionaryPath()), before);
}

void TestCliTranslations::refusalsSpeakTheLanguage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QStringList book = {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"),
                              QStringLiteral("--password"), QStringLiteral("x"), QStringLiteral("--place"),
                              QStringLiteral("Bonn"), QStringLiteral("--activity"), QStringLiteral("Malen"),
                              QStringLiteral("--date"), QStringLiteral("05.03.2024")};
    const QStringList report = {QStringLiteral("report"), QStringLiteral("period"), QStringLiteral("--from"),
                                QStringLiteral("1.3.24"), QStringLiteral("--to"), QStringLiteral("31.03.2024")};
    QTest::newRow("German, an unknown option") << QStringList{QStringLiteral("list"), QStringLiteral("--bogus")}
                                               << QStringLiteral("tagwerk-cli: Unbekannte Option 'bogus'");
    QTest::newRow("English, times") << QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + book
                                           + QStringList{QStringLiteral("--from"), QStringLiteral("8:00"),
                                                         QStringLiteral("--to"), QStringLiteral("9:00")}
                                    << QStringLiteral("tagwerk-cli book: Times take HH:MM");
    QTest::newRow("Spanish, report dates") << QStringList{QStringLiteral("--lang"), QStringLiteral("es")} + report
                                           << QStringLiteral("tagwerk-cli report: --from y --to admiten DD.MM.YYYY o YYYY-MM-DD");
    QTest::newRow("Spanish after the command") << QStringList{QStringLiteral("list"), QStringLiteral("--lang=es"),
                                                              QStringLiteral("--record"), QStringLiteral("1")}
                                               << QStringLiteral("tagwerk-cli: --record no se puede usar con list");
    QTest::newRow("Spanish, translations") << QStringList{QStringLiteral("--lang"), QStringLiteral("es"),
                                                          QStringLiteral("translations"), QStringLiteral("merge")}
                                           << QStringLiteral("tagwerk-cli: translations admite update, import ARCHIVO, "
                                                             "export ARCHIVO o check");
}

void TestCliTranslations::refusalsSpeakTheLanguage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), dictionaryPath()));
    QFile::setPermissions(dictionaryPath(), QFile::ReadOwner | QFile::WriteOwner);
    QDir().mkpath(m_dir->filePath(QStringLiteral("db")));
    {
        // A table to read: the refusals must not be those of a missing table.
        DbfTable table(m_clock);
        QVERIFY(table.create(m_dir->filePath(QStringLiteral("db/arbeitszeit.dbf")),
                             WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    }
    const QByteArray before = TestFiles::readAll(dictionaryPath());
    const Result result = run(QStringList{QStringLiteral("--db"), m_dir->filePath(QStringLiteral("db"))} + arguments);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.err.split(QLatin1Char('\n')).first(), message);
    QCOMPARE(TestFiles::readAll(dictionaryPath()), before); // a run reads the dictionary, never writes it
}

QTEST_GUILESS_MAIN(TestCliTranslations)
#include "tst_cli_translations.moc"
