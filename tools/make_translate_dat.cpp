// Builds the shipped dictionary "translate.dat" from its readable source:
//   make_translate_dat translations.tsv translate.dat
// through the dictionary's own code, so the file is exactly what the program
// would write. Run by the build; a malformed source stops it with the line.
#include <cstdio>

#include <QCoreApplication>
#include <QFile>

#include "base/Reporter.h"
#include "translation/ShippedTranslations.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

class StderrReporter final : public Reporter
{
public:
    void error(const QString &text, const QString &) override { printError(text); }
    void information(const QString &text, const QString &) override { printError(text); }
    Answer question(const QString &text, const QString &, Buttons) override
    {
        printError(text);
        return Answer::No;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        printError(QStringLiteral("usage: make_translate_dat SOURCE.tsv translate.dat"));
        return 2;
    }
    const QString sourcePath = arguments.at(1);
    const QString target = arguments.at(2);
    QFile file(sourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("%1: %2").arg(sourcePath, file.errorString()));
        return 1;
    }
    TranslationSource source;
    if (!source.read(&file)) {
        printError(QStringLiteral("%1: %2").arg(sourcePath, source.errorString()));
        return 1;
    }
    for (const QString &key : ShippedTranslations::duplicateKeys(source))
        printError(QStringLiteral("%1: warning: \"%2\" is given more than once; the first row's cells win")
                       .arg(sourcePath, key));

    // Built from nothing: an older file at the target is replaced, not merged.
    QFile::remove(target);
    StderrReporter reporter;
    TranslationDictionary dictionary(reporter, target);
    ShippedTranslations::fillEmptyCells(dictionary, source);
    if (!dictionary.SaveTranslationFile()) {
        printError(QStringLiteral("%1: cannot be written").arg(target));
        return 1;
    }
    return 0;
}
