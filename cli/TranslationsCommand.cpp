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

bool readShipped(TranslationSource *source)
{
    QFile file(ShippedSource);
    if (file.open(QIODevice::ReadOnly) && source->read(&file))
        return true;
    printError(QStringLiteral("tagwerk-cli: the shipped translations cannot be read: %1").arg(source->errorString()));
    return false;
}

int update(TranslationDictionary &dictionary)
{
    TranslationSource shipped;
    if (!readShipped(&shipped))
        return CliExit::Usage;
    const ShippedTranslations::Filled filled = ShippedTranslations::fillEmptyCells(dictionary, shipped);
    if ((filled.cells > 0 || filled.rows > 0) && !dictionary.SaveTranslationFile()) {
        printError(QStringLiteral("tagwerk-cli: %1 cannot be written").arg(dictionary.filePath()));
        return CliExit::Usage;
    }
    CliOutput out;
    out.writeLine(QStringLiteral("%1: filled %2 empty cells, added %3 rows")
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

int check(TranslationDictionary &dictionary)
{
    const QStringList missing = ShippedTranslations::untranslatedKeys(dictionary);
    CliOutput out;
    for (const QString &key : missing)
        out.writeLine(TranslationSource::escape(key));
    out.flush();
    if (!missing.isEmpty()) {
        printError(QStringLiteral("%1 of %2 keys lack English or Spanish").arg(missing.size()).arg(dictionary.keyCount()));
        return CliExit::Refused;
    }
    return CliExit::Ok;
}

} // namespace

int runTranslations(const QStringList &arguments, const QString &programDirectory, Reporter &reporter)
{
    const QString action = arguments.value(0);
    const int expected = action == QLatin1String("export") ? 2 : 1;
    if ((action != QLatin1String("update") && action != QLatin1String("export") && action != QLatin1String("check"))
        || arguments.size() != expected) {
        printError(QStringLiteral("tagwerk-cli: translations takes update, export FILE or check"));
        return CliExit::Usage;
    }
    const QString path = programDirectory + QStringLiteral("translate.dat");
    if (action != QLatin1String("update") && !QFile::exists(path)) {
        printError(QStringLiteral("tagwerk-cli: there is no %1").arg(path));
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
    return check(dictionary);
}
