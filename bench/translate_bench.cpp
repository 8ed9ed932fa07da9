// Measures the translation dictionary:   translate_bench [ROWS] [LOOKUPS]
// writes a "translate.dat" of ROWS keys (100,000 by default) with English
// translations, loads it and builds the index, then looks up LOOKUPS keys
// (10,000 by default) that are present, and a few that are absent (each of
// those adds a row and rewrites the whole file, as the program does). Last,
// it loads a file of ROWS keys that all fall in one index bucket, in the
// order that makes a middle-pivot quicksort take one recursion level per key.
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "Stopwatch.h"
#include "base/Reporter.h"
#include "translation/korvald.h"
#include "translation/translateunit.h"

namespace {

class SilentReporter final : public Reporter
{
public:
    void error(const QString &text, const QString &) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void information(const QString &, const QString &) override {}
    Answer question(const QString &, const QString &, Buttons) override { return Answer::No; }
};

// German-looking keys whose first letters spread over the alphabet, as window
// texts and messages do.
QString key(int i)
{
    static const char *const words[] = {"Auswertung", "Benutzer", "Datum", "Eintrag", "Fehler", "Gesamt", "Hinweis",
                                        "Ort", "Pause", "Stunden", "Tätigkeit", "Übersicht", "Zeitraum", "Mitarbeiter"};
    constexpr int wordCount = int(sizeof(words) / sizeof(words[0]));
    return QStringLiteral("%1 %2 Nr. %3").arg(QString::fromUtf8(words[i % wordCount]),
                                              QString::fromUtf8(words[(i / wordCount) % wordCount]).toLower())
        .arg(i);
}

void writeDictionary(const QString &path, int rows)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    WriteInt32(&file, TranslationDictionary::Columns);
    WriteInt32(&file, rows);
    for (int i = 0; i < rows; ++i) {
        WriteWideStr(&file, key(i));
        WriteWideStr(&file, QStringLiteral("English %1").arg(i));
        for (int c = 2; c < TranslationDictionary::Columns; ++c)
            WriteWideStr(&file, QString());
    }
}

// Key values 0..rows-1 placed so that a middle-pivot quicksort finds the
// largest remaining key at the middle of every range it partitions.
std::vector<int> adversarialOrder(int rows)
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
    return value;
}

void writeAdversarialDictionary(const QString &path, int rows)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    WriteInt32(&file, 1);
    WriteInt32(&file, rows);
    for (const int value : adversarialOrder(rows))
        WriteWideStr(&file, QStringLiteral("A%1").arg(value, 7, 10, QLatin1Char('0')));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int rows = args.size() > 1 ? args.at(1).toInt() : 100000;
    const int lookups = args.size() > 2 ? args.at(2).toInt() : 10000;
    constexpr int AbsentLookups = 20;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("translate.dat"));
    writeDictionary(path, rows);
    SilentReporter reporter;
    TranslationDictionary dictionary(reporter, path);
    dictionary.setCurrentLanguage(TranslationDictionary::English);

    auto start = Stopwatch::now();
    dictionary.BuildTranslationIndex();
    const double loadMs = millisecondsSince(start);

    QStringList present;
    for (int i = 0; i < lookups; ++i)
        present << key(int(QRandomGenerator::global()->bounded(rows)));
    qsizetype checksum = 0;
    start = Stopwatch::now();
    for (const QString &k : present)
        checksum += dictionary.TranslateText(k).size();
    const double presentMs = millisecondsSince(start);

    start = Stopwatch::now();
    for (int i = 0; i < AbsentLookups; ++i)
        checksum += dictionary.TranslateText(QStringLiteral("Neuer Text %1").arg(i)).size();
    const double absentMs = millisecondsSince(start);

    std::printf("%d rows (%.1f MB): load and index %.1f ms; %d present lookups %.1f ms (%.2f us each); "
                "%d absent lookups %.1f ms (%.1f ms each, the file rewritten every time)  (checksum %lld)\n",
                rows, QFileInfo(path).size() / 1e6, loadMs, lookups, presentMs, presentMs * 1000 / lookups,
                AbsentLookups, absentMs, absentMs / AbsentLookups, static_cast<long long>(checksum));

    const QString adversarialPath = dir.filePath(QStringLiteral("adversarial.dat"));
    writeAdversarialDictionary(adversarialPath, rows);
    TranslationDictionary adversarial(reporter, adversarialPath);
    start = Stopwatch::now();
    adversarial.BuildTranslationIndex();
    std::printf("%d keys in one bucket, ordered against a middle-pivot quicksort (%.1f MB): load and index %.1f ms\n",
                rows, QFileInfo(adversarialPath).size() / 1e6, millisecondsSince(start));
    return 0;
}
