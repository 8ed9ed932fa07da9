#include <algorithm>

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "support/RecordingReporter.h"
#include "translation/ProgramTexts.h"
#include "translation/ShippedTranslations.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"

// The readable source of the translations, its escapes, and the translate.dat
// the build makes from it.
class TestShippedTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void escapesRoundTrip_data();
    void escapesRoundTrip();
    void malformedSources_data();
    void malformedSources();
    void writtenSourceReadsBack();
    void everyRowIsTranslated();
    void noKeyTwice();
    void everyProgramTextIsShipped();
    void fieldNamesSurviveTheCut_data();
    void fieldNamesSurviveTheCut();
    void builtFileHoldsTheSource();
    void agreedWording_data();
    void agreedWording();
    void textsInTheCodeAreShipped();

private:
    TranslationSource m_shipped;
};

void TestShippedTranslations::initTestCase()
{
    QFile file(QStringLiteral(TAGWERK_TRANSLATIONS_SOURCE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(m_shipped.read(&file), qPrintable(m_shipped.errorString()));
}

void TestShippedTranslations::escapesRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << QStringLiteral("Ort") << QStringLiteral("Ort");
    QTest::newRow("inner blank stays") << QStringLiteral("Zeit von") << QStringLiteral("Zeit von");
    QTest::newRow("outer blanks shown") << QStringLiteral("  Datum ") << QStringLiteral("\\s\\sDatum\\s");
    QTest::newRow("only blanks") << QStringLiteral("   ") << QStringLiteral("\\s\\s\\s");
    QTest::newRow("line breaks") << QStringLiteral("eins\r\nzwei") << QStringLiteral("eins\\r\\nzwei");
    QTest::newRow("TAB") << QStringLiteral("a\tb") << QStringLiteral("a\\tb");
    QTest::newRow("backslash before n") << QStringLiteral("C:\\neu") << QStringLiteral("C:\\\\neu");
    QTest::newRow("letters beyond Windows-1252") << QStringLiteral("Łódź") << QStringLiteral("Łódź");
}

void TestShippedTranslations::escapesRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(TranslationSource::escape(text), escaped);
    QString back;
    QVERIFY(TranslationSource::unescape(escaped, &back));
    QCOMPARE(back, text);
}

void TestShippedTranslations::malformedSources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("error");
    QTest::newRow("no column line") << QByteArray("# only a comment\n") << QStringLiteral("column line");
    QTest::newRow("wrong column line") << QByteArray("de\tes\n") << QStringLiteral("line 1:");
    QTest::newRow("four columns") << QByteArray("de\ten\tes\nOrt\tPlace\tLugar\tx\n") << QStringLiteral("line 2:");
    QTest::newRow("unknown escape") << QByteArray("de\ten\tes\n#\nOrt\tPl\\ace\tLugar\n") << QStringLiteral("line 3:");
    QTest::newRow("empty key") << QByteArray("de\ten\tes\n\tPlace\tLugar\n") << QStringLiteral("line 2:");
}

void TestShippedTranslations::malformedSources()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, error);
    QBuffer buffer(&source);
    buffer.open(QIODevice::ReadOnly);
    TranslationSource read;
    QVERIFY(!read.read(&buffer));
    QVERIFY2(read.errorString().contains(error), qPrintable(read.errorString()));
}

void TestShippedTranslations::writtenSourceReadsBack()
{
    QByteArray bytes = m_shipped.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TranslationSource again;
    QVERIFY(again.read(&buffer));
    QCOMPARE(again.comments, m_shipped.comments);
    QCOMPARE(again.rows.size(), m_shipped.rows.size());
    for (qsizetype i = 0; i < again.rows.size(); ++i) {
        QCOMPARE(again.rows.at(i).german, m_shipped.rows.at(i).german);
        QCOMPARE(again.rows.at(i).english, m_shipped.rows.at(i).english);
        QCOMPARE(again.rows.at(i).spanish, m_shipped.rows.at(i).spanish);
    }
}

void TestShippedTranslations::everyRowIsTranslated()
{
    QStringList missing;
    for (const TranslationSource::Row &row : m_shipped.rows) {
        if (row.english.trimmed().isEmpty() || row.spanish.trimmed().isEmpty())
            missing << row.german;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1String(" | "))));
}

void TestShippedTranslations::noKeyTwice()
{
    const QStringList duplicates = ShippedTranslations::duplicateKeys(m_shipped);
    QVERIFY2(duplicates.isEmpty(), qPrintable(duplicates.join(QLatin1String(" | "))));
}

void TestShippedTranslations::everyProgramTextIsShipped()
{
    QSet<QString> keys;
    for (const TranslationSource::Row &row : m_shipped.rows)
        keys.insert(row.german);
    for (int n = 1; n <= ProgramTexts::Count; ++n) {
        const QString text = ProgramTexts::german(n);
        QVERIFY2(text.isEmpty() || keys.contains(text), qPrintable(text));
    }
}

void TestShippedTranslations::fieldNamesSurviveTheCut_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("English") << int(TranslationDictionary::English);
    QTest::newRow("Spanish") << int(TranslationDictionary::Spanish);
}

// A new table takes its field names from the program texts of the current
// language; dBase keeps ten characters of them, upper-cased.
void TestShippedTranslations::fieldNamesSurviveTheCut()
{
    QFETCH(int, language);
    const int fieldTexts[] = {36, 44, 37, 38, 45, 46, 42, 47, 35, 48, 50, 51};
    QSet<QString> cut;
    for (int n : fieldTexts) {
        const QString german = ProgramTexts::german(n);
        QString name;
        for (const TranslationSource::Row &row : m_shipped.rows) {
            if (row.german == german)
                name = language == TranslationDictionary::English ? row.english : row.spanish;
        }
        QVERIFY2(!name.isEmpty(), qPrintable(german));
        const QString stored = name.toUpper().left(10).trimmed();
        QVERIFY2(!cut.contains(stored), qPrintable(stored));
        cut.insert(stored);
    }
}

void TestShippedTranslations::builtFileHoldsTheSource()
{
    // A copy: a key the file lacked would be added to it.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("translate.dat"));
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), copy));
    RecordingReporter reporter;
    TranslationDictionary built(reporter, copy);
    built.BuildTranslationIndex();
    QVERIFY(reporter.messages().isEmpty());
    for (const TranslationSource::Row &row : m_shipped.rows) {
        built.setCurrentLanguage(TranslationDictionary::English);
        QCOMPARE(built.TranslateText(row.german), row.english.trimmed());
        built.setCurrentLanguage(TranslationDictionary::Spanish);
        QCOMPARE(built.TranslateText(row.german), row.spanish.trimmed());
    }
    QCOMPARE(built.savesWritten(), 0); // no key was missing
}

namespace {

// The text of C++ string literals written one after another.
QString literalText(const QString &literals)
{
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    QString text;
    for (const QRegularExpressionMatch &match : literal.globalMatch(literals)) {
        const QString body = match.captured(1);
        for (qsizetype i = 0; i < body.size(); ++i) {
            if (body.at(i) != QLatin1Char('\\') || i + 1 == body.size()) {
                text += body.at(i);
                continue;
            }
            const QChar next = body.at(++i);
            text += next == QLatin1Char('n') ? QChar(u'\n') : next == QLatin1Char('t') ? QChar(u'\t') : next;
        }
    }
    return text;
}

} // namespace

// Texts handed to the dictionary as literals in the code: each must be
// shipped with both translations (window texts are checked by the walk).
void TestShippedTranslations::textsInTheCodeAreShipped()
{
    static const QRegularExpression call(
        QStringLiteral("(?:UiText|TranslateText)\\(\\s*QStringLiteral\\(((?:\\s*\"(?:[^\"\\\\]|\\\\.)*\")+)\\s*\\)"));
    QHash<QString, TranslationSource::Row> rows;
    for (const TranslationSource::Row &row : m_shipped.rows)
        rows.insert(row.german, row);
    QStringList missing;
    int found = 0;
    for (const char *folder : {"app", "base", "cli", "evaluation", "recording", "storage", "translation", "users", "widgets"}) {
        QDirIterator files(QStringLiteral(TAGWERK_SOURCE_DIR "/") + QLatin1String(folder), {QStringLiteral("*.cpp")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString code = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch &match : call.globalMatch(code)) {
                const QString key = literalText(match.captured(1)).trimmed();
                ++found;
                const auto row = rows.constFind(key);
                if (row == rows.constEnd() || row->english.trimmed().isEmpty() || row->spanish.trimmed().isEmpty())
                    missing << key;
            }
        }
    }
    QVERIFY(found > 20);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1String(" | "))));
}

void TestShippedTranslations::agreedWording_data()
{
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("spanish");
    const auto row = [](const char *german, const char *english, const char *spanish) {
        QTest::newRow(german) << QString::fromUtf8(german) << QString::fromUtf8(english) << QString::fromUtf8(spanish);
    };
    row("Auswertung", "Report", "Informe");
    row("Auswertung nach Zeitraum...", "Report by period...", "Informe por período...");
    row("Arbeitszeitgesetz prüfen...", "Check German Working Hours Act (ArbZG)...",
        "Comprobar Ley alemana de jornada (ArbZG)...");
    row("(doppelte Buchung)", "(double booking)", "(registro duplicado)");
    row("Buchungen abschließen bis...", "Close period up to...", "Cerrar período hasta...");
    row("Zeit von:", "Start time:", "Hora de inicio:");
    row("Zeit bis", "End time", "Hora de fin");
    row("%1 und %2", "%1 and %2", "%1 y %2");
    row("Hiermit löschen Sie den folgenden Mitarbeiter:", "You are about to delete the following employee:",
        "Va a eliminar al siguiente empleado:");
    row("Mitarbeiter können ihre Daten nachträglich bearbeiten", "Employees may edit their data afterwards",
        "Los empleados pueden editar sus datos posteriormente");
}

void TestShippedTranslations::agreedWording()
{
    QFETCH(QString, german);
    QFETCH(QString, english);
    QFETCH(QString, spanish);
    const auto found = std::find_if(m_shipped.rows.cbegin(), m_shipped.rows.cend(),
                                    [&](const TranslationSource::Row &row) { return row.german == german; });
    QVERIFY2(found != m_shipped.rows.cend(), qPrintable(german));
    QCOMPARE(found->english, english);
    QCOMPARE(found->spanish, spanish);
}

QTEST_GUILESS_MAIN(TestShippedTranslations)
#include "tst_shippedtranslations.moc"
