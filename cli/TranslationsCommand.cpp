#include "TranslationsCommand.h"

#include <QFile>
#include <QSaveFile>

#include "CliCommand.h"
#include "session/OwnFiles.h"
#include "translation/ShippedTranslations.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"

namespace {

const QString ShippedSource = QStringLiteral(":/translations.tsv");

QString cannotWrite(const QString &path)
{
    return QStringLiteral("tagwerk-cli: ") + TranslateText(QStringLiteral("%1 kann nicht geschrieben werden")).arg(path);
}

bool readShipped(TranslationSource *source)
{
    QFile file(ShippedSource);
    if (file.open(QIODevice::ReadOnly) && source->read(&file))
        return true;
    printError(QStringLiteral("tagwerk-cli: ")
               + TranslateText(QStringLiteral("Die mitgelieferten Übersetzungen können nicht gelesen werden: %1"))
                     .arg(source->errorString()));
    return false;
}

int update(TranslationDictionary &dictionary)
{
    TranslationSource shipped;
    if (!readShipped(&shipped))
        return CliExit::Usage;
    const ShippedTranslations::Filled filled = ShippedTranslations::fillEmptyCells(dictionary, shipped);
    if ((filled.cells > 0 || filled.rows > 0) && !dictionary.SaveTranslationFile()) {
        printError(cannotWrite(dictionary.filePath()));
        return CliExit::Usage;
    }
    CliOutput out;
    out.writeLine(TranslateText(QStringLiteral("%1: %2 leere Zellen gefüllt, %3 Zeilen hinzugefügt"))
                      .arg(dictionary.filePath())
                      .arg(filled.cells)
                      .arg(filled.rows));
    return CliExit::Ok;
}

int exportTo(TranslationDictionary &dictionary, const QString &path)
{
    TranslationSource shipped;
    const QStringList comments = readShipped(&shipped) ? shipped.comments : QStringList();
    const QByteArray bytes = ShippedTranslations::toSource(dictionary, comments).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        printError(QStringLiteral("tagwerk-cli: %1: %2").arg(path, file.errorString()));
        return CliExit::Usage;
    }
    return CliExit::Ok;
}

// A translator's file back into the dictionary: the cells it fills replace
// the dictionary's, so a corrected text reaches an existing translate.dat.
int importFrom(TranslationDictionary &dictionary, const QString &path)
{
    QFile file(path);
    TranslationSource source;
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("tagwerk-cli: %1: %2").arg(path, file.errorString()));
        return CliExit::Usage;
    }
    if (!source.read(&file)) {
        printError(QStringLiteral("tagwerk-cli: %1: %2").arg(path, source.errorString()));
        return CliExit::Usage;
    }
    const ShippedTranslations::Filled changed = ShippedTranslations::importCells(dictionary, source);
    if ((changed.cells > 0 || changed.rows > 0) && !dictionary.SaveTranslationFile()) {
        printError(cannotWrite(dictionary.filePath()));
        return CliExit::Usage;
    }
    CliOutput out;
    out.writeLine(TranslateText(QStringLiteral("%1: %2 Zellen geändert, %3 Zeilen hinzugefügt"))
                      .arg(dictionary.filePath())
                      .arg(changed.cells)
                      .arg(changed.rows));
    return CliExit::Ok;
}

// One line a key: the key as the source format writes it, a TAB, and the
// languages it lacks.
int check(TranslationDictionary &dictionary)
{
    const auto missing = ShippedTranslations::missingLanguages(dictionary);
    CliOutput out;
    for (const auto &[key, languages] : missing)
        out.writeLine(TranslationSource::escape(key) + QLatin1Char('\t') + languages.join(QLatin1Char(' ')));
    out.flush();
    if (!missing.isEmpty()) {
        printError(TranslateText(QStringLiteral("%1 von %2 Schlüsseln fehlt Englisch oder Spanisch"))
                       .arg(missing.size())
                       .arg(dictionary.keyCount()));
        return CliExit::Refused;
    }
    return CliExit::Ok;
}

} // namespace

int runTranslations(const QStringList &arguments, const QString &programDirectory, Reporter &reporter)
{
    const QString action = arguments.value(0);
    const bool takesFile = action == QLatin1String("export") || action == QLatin1String("import");
    if ((action != QLatin1String("update") && !takesFile && action != QLatin1String("check"))
        || arguments.size() != (takesFile ? 2 : 1)) {
        printError(QStringLiteral("tagwerk-cli: ")
                   + TranslateText(QStringLiteral("translations nimmt update, import DATEI, export DATEI oder check")));
        return CliExit::Usage;
    }
    const QString path = programDirectory + QStringLiteral("translate.dat");
    if (action != QLatin1String("update") && !QFile::exists(path)) {
        printError(QStringLiteral("tagwerk-cli: ") + TranslateText(QStringLiteral("%1 gibt es nicht")).arg(path));
        return CliExit::Usage;
    }
    // An export is text: written over the dictionary (or a table or user file
    // beside it) it would destroy what it exports.
    if (action == QLatin1String("export") && OwnFiles::isOwnFile(arguments.at(1), OwnFiles::paths(programDirectory, path))) {
        printError(QStringLiteral("tagwerk-cli: ") + OwnFiles::refusal(arguments.at(1)));
        return CliExit::Usage;
    }
    TranslationDictionary dictionary(reporter, path);
    dictionary.BuildTranslationIndex();
    if (action == QLatin1String("update"))
        return update(dictionary);
    if (action == QLatin1String("export"))
        return exportTo(dictionary, arguments.at(1));
    if (action == QLatin1String("import"))
        return importFrom(dictionary, arguments.at(1));
    return check(dictionary);
}
