// "translate.dat" as the program meets it: any bytes. Loads it and builds
// the index, looks every key up, adds one new key (which rewrites the file),
// and checks that loading the rewritten file finds the same texts.
#include "FuzzSupport.h"

#include "translation/translateunit.h"

namespace {

const QString NewKey = QStringLiteral("Ein ganz neuer Text");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString directory = FuzzSupport::freshDirectory();
    const QString path = directory + QStringLiteral("translate.dat");
    if (!FuzzSupport::writeFile(path, data, size))
        return 0;
    TranslationDictionary dictionary(FuzzSupport::reporter(), path);
    dictionary.setCurrentLanguage(TranslationDictionary::English);
    dictionary.BuildTranslationIndex();
    const quint32 rows = dictionary.rowCount();
    QStringList keys;
    QStringList found;
    for (quint32 row = 0; row < rows; ++row) {
        const QString key = dictionary.text(row, TranslationDictionary::GermanColumn);
        // A key with outer spaces is looked up without them and may add a
        // row, rewriting the file each time: left out, it only slows the run.
        if (key.isEmpty() || key.startsWith(QLatin1Char(' ')) || key.endsWith(QLatin1Char(' ')))
            continue;
        keys << key;
        found << dictionary.TranslateText(key);
    }
    // Every key was found: nothing was added.
    FUZZ_CHECK(dictionary.rowCount() == rows);
    dictionary.TranslateText(NewKey);
    const quint32 rowsWritten = dictionary.rowCount();
    if (dictionary.savesWritten() == 0)
        return 0;

    TranslationDictionary again(FuzzSupport::reporter(), path);
    again.setCurrentLanguage(TranslationDictionary::English);
    again.BuildTranslationIndex();
    FUZZ_CHECK(again.rowCount() == rowsWritten);
    for (qsizetype i = 0; i < keys.size(); ++i)
        FUZZ_CHECK(again.TranslateText(keys.at(i)) == found.at(i));
    FUZZ_CHECK(again.TranslateText(NewKey) == NewKey);
    FUZZ_CHECK(again.rowCount() == rowsWritten);
    return 0;
}
