#include <vector>

#include <QTemporaryDir>
#include <QtTest>

#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"
#include "translation/translateunit.h"

using TestFiles::le32;

namespace {

QByteArray wide(const QString &text)
{
    QByteArray bytes = le32(quint32(text.size()));
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

// A file of rows given as lists of column texts, written by hand.
QByteArray translationFile(qint32 columns, const QList<QStringList> &rows, qint32 rowCount = -1)
{
    QByteArray bytes = le32(quint32(columns)) + le32(quint32(rowCount < 0 ? rows.size() : rowCount));
    for (const QStringList &row : rows) {
        for (int c = 0; c < columns; ++c)
            bytes += wide(c < row.size() ? row.at(c) : QString());
    }
    return bytes;
}

// A one-column file of `rows` keys "A0000000".. that all fall in bucket 65,
// placed so that a middle-pivot quicksort finds the largest remaining key at
// the middle of every range: one recursion level and a full pass per key.
QByteArray adversarialFile(int rows)
{
    std::vector<int> position(static_cast<size_t>(rows));
    std::vector<int> value(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i)
        position[size_t(i)] = i;
    for (int high = rows - 1; high >= 0; --high) {
        const int middle = high / 2;
        value[size_t(position[size_t(middle)])] = high;
        std::swap(position[size_t(middle)], position[size_t(high)]);
    }
    QByteArray bytes = le32(1) + le32(quint32(rows));
    for (const int v : value)
        bytes += wide(QStringLiteral("A%1").arg(v, 7, 10, QLatin1Char('0')));
    return bytes;
}

const QString CorruptionMessage = QStringLiteral("The file translation.dat has been corrupted.");

} // namespace

class TestTranslateUnit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void translateText_data();
    void translateText();
    void newKeyIsAddedSavedAndFound();
    void blankSourcesRegisterNothing_data();
    void blankSourcesRegisterNothing();
    void firstStartWritesProgramTexts();
    void secondStartReadsFileBackUnchanged();
    void programTextOutOfRange_data();
    void programTextOutOfRange();
    void languageOutsideRowReadsGerman_data();
    void languageOutsideRowReadsGerman();
    void columnCounts_data();
    void columnCounts();
    void damagedFiles_data();
    void damagedFiles();
    void bucketsAreSortedOrdinally();
    void equalKeysFindTheFirstRow();
    void adversarialKeyOrderLoads();
    void deleteRowRepairsIndex();
    void unwritableFileIsSkippedSilently();
    void damagedFileIsKeptAside();
    void fillEmptyCellsKeepsWhatWasTyped();

private:
    QString filePath() const { return m_dir->filePath(QStringLiteral("translate.dat")); }
    std::unique_ptr<TranslationDictionary> load(const QByteArray &file);

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingReporter m_reporter;
};

void TestTranslateUnit::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_reporter.clear();
}

std::unique_ptr<TranslationDictionary> TestTranslateUnit::load(const QByteArray &file)
{
    if (!file.isNull())
        TestFiles::writeAll(filePath(), file);
    auto dictionary = std::make_unique<TranslationDictionary>(m_reporter, filePath());
    dictionary->BuildTranslationIndex();
    return dictionary;
}

void TestTranslateUnit::translateText_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("English") << 1 << QStringLiteral("Datum") << QStringLiteral("Date");
    QTest::newRow("outer spaces kept") << 1 << QStringLiteral("  Datum ") << QStringLiteral("  Date ");
    QTest::newRow("empty English column") << 1 << QStringLiteral("Ort") << QStringLiteral("Ort");
    QTest::newRow("Spanish") << 2 << QStringLiteral("Datum") << QStringLiteral("Fecha");
    QTest::newRow("German changed") << 3 << QStringLiteral("Pause") << QStringLiteral("Unterbrechung");
    QTest::newRow("German unchanged") << 3 << QStringLiteral("Datum") << QStringLiteral("Datum");
    QTest::newRow("translation trimmed") << 1 << QStringLiteral("Bis") << QStringLiteral("To");
    QTest::newRow("case matters") << 1 << QStringLiteral("datum") << QStringLiteral("datum");
    QTest::newRow("shares a bucket with A") << 1 << QStringLiteral("Łódź") << QStringLiteral("Lodz");
}

void TestTranslateUnit::translateText()
{
    QFETCH(int, language);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    auto dictionary = load(translationFile(30, {
        {QStringLiteral("Datum"), QStringLiteral("Date"), QStringLiteral("Fecha")},
        {QStringLiteral("Ort"), QString(), QStringLiteral("Lugar")},
        {QStringLiteral("Pause"), QStringLiteral("Break"), QString(), QStringLiteral("Unterbrechung")},
        {QStringLiteral("Bis"), QStringLiteral(" To\r\n")},
        {QStringLiteral("Łódź"), QStringLiteral("Lodz")},
        {QStringLiteral("Abend"), QStringLiteral("Evening")},
    }));
    dictionary->setCurrentLanguage(language);
    QCOMPARE(dictionary->TranslateText(source), expected);
    QVERIFY(m_reporter.messages().isEmpty());
}

void TestTranslateUnit::newKeyIsAddedSavedAndFound()
{
    auto dictionary = load(translationFile(30, {{QStringLiteral("Datum"), QStringLiteral("Date")}}));
    dictionary->setCurrentLanguage(1);
    QCOMPARE(dictionary->TranslateText(QStringLiteral(" Dauer ")), QStringLiteral(" Dauer "));
    QCOMPARE(dictionary->rowCount(), 2u);
    QCOMPARE(dictionary->text(1, 0), QStringLiteral("Dauer"));
    // Saved at once, with 29 empty columns.
    QCOMPARE(TestFiles::readAll(filePath()),
             translationFile(30, {{QStringLiteral("Datum"), QStringLiteral("Date")}, {QStringLiteral("Dauer")}}));
    // The unsorted bucket still finds it, and nothing is added twice.
    dictionary->setText(1, 1, QStringLiteral("Duration"));
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Dauer")), QStringLiteral("Duration"));
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Datum")), QStringLiteral("Date"));
    QCOMPARE(dictionary->rowCount(), 2u);
}

void TestTranslateUnit::blankSourcesRegisterNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("empty") << QString();
    QTest::newRow("three spaces") << QStringLiteral("   ");
}

void TestTranslateUnit::blankSourcesRegisterNothing()
{
    QFETCH(QString, source);
    auto dictionary = load(QByteArray());
    QCOMPARE(dictionary->TranslateText(source), source);
    QCOMPARE(dictionary->rowCount(), 0u);
    QVERIFY(!QFileInfo::exists(filePath()));
}

void TestTranslateUnit::firstStartWritesProgramTexts()
{
    auto dictionary = load(QByteArray());
    dictionary->RegisterProgramTexts();
    QList<QStringList> expected;
    for (int n = 1; n <= 51; ++n) {
        if (!ProgramTexts::german(n).isEmpty())
            expected.append({ProgramTexts::german(n)});
    }
    QCOMPARE(expected.size(), 46);
    QCOMPARE(TestFiles::readAll(filePath()), translationFile(30, expected));
    QVERIFY(m_reporter.messages().isEmpty());
}

void TestTranslateUnit::secondStartReadsFileBackUnchanged()
{
    {
        auto first = load(QByteArray());
        first->RegisterProgramTexts();
    }
    const QByteArray written = TestFiles::readAll(filePath());
    auto second = load(QByteArray());
    second->RegisterProgramTexts();
    QCOMPARE(second->rowCount(), 46u);
    QVERIFY(second->SaveTranslationFile());
    QCOMPARE(TestFiles::readAll(filePath()), written);
}

void TestTranslateUnit::programTextOutOfRange_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("17") << 17 << QString();
    QTest::newRow("52") << 52 << QString();
    QTest::newRow("139") << 139 << QString();
    QTest::newRow("-1") << -1 << QString();
    QTest::newRow("19") << 19 << QStringLiteral("Das Passwort war leider falsch.");
}

void TestTranslateUnit::programTextOutOfRange()
{
    QFETCH(int, n);
    QFETCH(QString, expected);
    auto dictionary = load(QByteArray());
    QCOMPARE(dictionary->ProgramText(n), expected);
    QCOMPARE(dictionary->rowCount(), expected.isEmpty() ? 0u : 1u);
}

void TestTranslateUnit::languageOutsideRowReadsGerman_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("expected");
    QTest::newRow("29, the last column") << 29 << QStringLiteral("Lang29");
    QTest::newRow("30") << 30 << QStringLiteral("Neu");
    QTest::newRow("0") << 0 << QStringLiteral("Neu");
    QTest::newRow("-5") << -5 << QStringLiteral("Neu");
    QTest::newRow("2 billion") << 2000000000 << QStringLiteral("Neu");
}

void TestTranslateUnit::languageOutsideRowReadsGerman()
{
    QFETCH(int, language);
    QFETCH(QString, expected);
    QStringList row{QStringLiteral("Alt"), QString(), QString(), QStringLiteral("Neu")};
    while (row.size() < 29)
        row.append(QString());
    row.append(QStringLiteral("Lang29"));
    auto dictionary = load(translationFile(30, {row}));
    dictionary->setCurrentLanguage(language);
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Alt")), expected);
}

void TestTranslateUnit::columnCounts_data()
{
    QTest::addColumn<int>("columns");
    QTest::newRow("31 columns: the last is dropped on save") << 31;
    QTest::newRow("2 columns: the rest read empty") << 2;
}

void TestTranslateUnit::columnCounts()
{
    QFETCH(int, columns);
    QStringList row;
    for (int c = 0; c < columns; ++c)
        row.append(QStringLiteral("c%1").arg(c));
    auto dictionary = load(translationFile(columns, {row}));
    QVERIFY(m_reporter.messages().isEmpty());
    for (int c = 0; c < 30; ++c)
        QCOMPARE(dictionary->text(0, c), c < columns ? row.at(c) : QString());
    QVERIFY(dictionary->SaveTranslationFile());
    QCOMPARE(TestFiles::readAll(filePath()), translationFile(30, {row.mid(0, 30)}));
}

void TestTranslateUnit::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rowsKept");
    QTest::addColumn<QString>("lastKey");
    const QByteArray two = translationFile(30, {{QStringLiteral("Eins"), QStringLiteral("One")},
                                                {QStringLiteral("Zwei"), QStringLiteral("Two")}});
    QTest::newRow("cut in the second row") << two.left(two.size() - 30) << 2 << QStringLiteral("Zwei");
    QTest::newRow("cut in the first key") << two.left(8 + 4 + 3) << 1 << QString();
    QTest::newRow("more rows announced") << translationFile(30, {{QStringLiteral("Eins")}}, 5) << 2 << QString();
    QTest::newRow("negative columns") << translationFile(-1, {}, 3) << 0 << QString();
    QTest::newRow("length past the end") << (le32(30) + le32(1) + le32(1000000) + "ab") << 1 << QString();
    QTest::newRow("negative length") << (le32(30) + le32(1) + le32(0xFFFFFFF0u)) << 1 << QString();
    QTest::newRow("no columns, two billion rows") << (le32(0) + le32(2000000000u)) << 0 << QString();
    QTest::newRow("header cut") << QByteArray("\x1E\x00\x00", 3) << 0 << QString();
}

void TestTranslateUnit::damagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rowsKept);
    QFETCH(QString, lastKey);
    auto dictionary = load(file);
    QCOMPARE(m_reporter.errors().size(), 1);
    QVERIFY(m_reporter.errors().first().startsWith(CorruptionMessage));
    QCOMPARE(m_reporter.messages().first().caption, QString());
    QCOMPARE(int(dictionary->rowCount()), rowsKept);
    if (rowsKept > 0)
        QCOMPARE(dictionary->text(quint32(rowsKept - 1), 0), lastKey);
    // Rows read before the fault are usable.
    if (lastKey == QLatin1String("Zwei")) {
        dictionary->setCurrentLanguage(1);
        QCOMPARE(dictionary->TranslateText(QStringLiteral("Eins")), QStringLiteral("One"));
    }
}

void TestTranslateUnit::bucketsAreSortedOrdinally()
{
    auto dictionary = load(translationFile(30, {{QStringLiteral("Ab")}, {QStringLiteral("A")}, {QStringLiteral("Aa")},
                                                {QStringLiteral("AZ")}, {QStringLiteral("Ł")}, {QStringLiteral("A b")}}));
    TDynaArray &bucket = dictionary->TranslationIndex('A');
    QCOMPARE(bucket.count, 6u); // "Ł" is U+0141: its low byte is 0x41 too
    QStringList order;
    for (quint32 i = 0; i < bucket.count; ++i) {
        const auto *entry = static_cast<const TranslationDictionary::IndexEntry *>(bucket.GetObject(i));
        order << dictionary->text(quint32(entry->row), 0);
    }
    QCOMPARE(order, (QStringList{QStringLiteral("A"), QStringLiteral("A b"), QStringLiteral("AZ"), QStringLiteral("Aa"),
                                 QStringLiteral("Ab"), QStringLiteral("Ł")}));
}

void TestTranslateUnit::equalKeysFindTheFirstRow()
{
    // Three rows of one key among others: the sort keeps them in table order.
    auto dictionary = load(translationFile(30, {{QStringLiteral("Ort"), QStringLiteral("Place")},
                                                {QStringLiteral("Ofen"), QStringLiteral("Oven")},
                                                {QStringLiteral("Ort"), QStringLiteral("Site")},
                                                {QStringLiteral("Ort"), QStringLiteral("Spot")},
                                                {QStringLiteral("Oase"), QStringLiteral("Oasis")}}));
    dictionary->setCurrentLanguage(1);
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Ort")), QStringLiteral("Place"));
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Oase")), QStringLiteral("Oasis"));
    QCOMPARE(dictionary->rowCount(), 5u);
}

// A dictionary file travels between translators: a key order made to defeat
// the index sort must neither exhaust the stack nor take quadratic time.
void TestTranslateUnit::adversarialKeyOrderLoads()
{
    constexpr int Rows = 100000;
    auto dictionary = load(adversarialFile(Rows));
    QVERIFY(m_reporter.messages().isEmpty());
    QCOMPARE(dictionary->rowCount(), quint32(Rows));
    TDynaArray &bucket = dictionary->TranslationIndex('A');
    QCOMPARE(bucket.count, quint32(Rows));
    for (quint32 i = 0; i < bucket.count; i += 9973) {
        const auto *entry = static_cast<const TranslationDictionary::IndexEntry *>(bucket.GetObject(i));
        QCOMPARE(dictionary->text(quint32(entry->row), 0), QStringLiteral("A%1").arg(i, 7, 10, QLatin1Char('0')));
    }
    QCOMPARE(dictionary->TranslateText(QStringLiteral("A0054321")), QStringLiteral("A0054321"));
    QCOMPARE(dictionary->rowCount(), quint32(Rows));
}

void TestTranslateUnit::deleteRowRepairsIndex()
{
    auto dictionary = load(translationFile(30, {{QStringLiteral("Eins"), QStringLiteral("One")},
                                                {QStringLiteral("Zwei"), QStringLiteral("Two")},
                                                {QStringLiteral("Drei"), QStringLiteral("Three")}}));
    dictionary->setCurrentLanguage(1);
    dictionary->DeleteRow(0);
    QCOMPARE(dictionary->rowCount(), 2u);
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Zwei")), QStringLiteral("Two"));
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Drei")), QStringLiteral("Three"));
    QCOMPARE(dictionary->rowCount(), 2u);
    // The deleted key is no longer known: looking it up adds it again.
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Eins")), QStringLiteral("Eins"));
    QCOMPARE(dictionary->rowCount(), 3u);
}

void TestTranslateUnit::unwritableFileIsSkippedSilently()
{
    // The dictionary's file lies in a folder that does not exist.
    TranslationDictionary dictionary(m_reporter, m_dir->filePath(QStringLiteral("missing/translate.dat")));
    dictionary.BuildTranslationIndex();
    QCOMPARE(dictionary.TranslateText(QStringLiteral("Datum")), QStringLiteral("Datum"));
    QCOMPARE(dictionary.rowCount(), 1u);
    QVERIFY(m_reporter.messages().isEmpty());
}

void TestTranslateUnit::damagedFileIsKeptAside()
{
    // The second of three rows has a length that runs past the end: the
    // third row's translation is only in the damaged file.
    QByteArray damaged = translationFile(30, {{QStringLiteral("Eins"), QStringLiteral("One")},
                                              {QStringLiteral("Zwei"), QStringLiteral("Two")},
                                              {QStringLiteral("Drei"), QStringLiteral("Three")}});
    const int secondRow = 8 + 30 * 4 + 2 * (4 + 3);
    damaged.replace(secondRow, 4, le32(0x7FFFFFFF));
    TestFiles::writeAll(filePath() + QStringLiteral(".damaged"), "an earlier copy");
    auto dictionary = load(damaged);
    const QString copy = filePath() + QStringLiteral(".damaged.2");
    QCOMPARE(dictionary->damagedCopyPath(), copy);
    QCOMPARE(m_reporter.errors().size(), 1);
    QVERIFY(m_reporter.errors().first().contains(copy));

    dictionary->TranslateText(QStringLiteral("Ein neuer Text")); // rewrites the file
    QCOMPARE(TestFiles::readAll(copy), damaged);
    QCOMPARE(TestFiles::readAll(filePath() + QStringLiteral(".damaged")), QByteArray("an earlier copy"));
    QVERIFY(TestFiles::readAll(filePath()) != damaged);
}

void TestTranslateUnit::fillEmptyCellsKeepsWhatWasTyped()
{
    auto dictionary = load(translationFile(30, {{QStringLiteral("Ort"), QStringLiteral("Spot (typed)")}}));
    int cells = 0;
    int rows = 0;
    dictionary->fillEmptyCells(QStringLiteral("Ort"), QStringLiteral("Place"), QStringLiteral("Lugar"), &cells, &rows);
    dictionary->fillEmptyCells(QStringLiteral("Datum"), QStringLiteral("Date"), QStringLiteral("Fecha"), &cells, &rows);
    QCOMPARE(cells, 3);
    QCOMPARE(rows, 1);
    dictionary->setCurrentLanguage(TranslationDictionary::English);
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Ort")), QStringLiteral("Spot (typed)"));
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Datum")), QStringLiteral("Date"));
    dictionary->setCurrentLanguage(TranslationDictionary::Spanish);
    QCOMPARE(dictionary->TranslateText(QStringLiteral("Ort")), QStringLiteral("Lugar"));
}

QTEST_GUILESS_MAIN(TestTranslateUnit)
#include "tst_translateunit.moc"
