#include "ShippedTranslations.h"

#include <QSet>

#include "translateunit.h"

namespace ShippedTranslations {

Filled fillEmptyCells(TranslationDictionary &dictionary, const TranslationSource &source)
{
    Filled filled;
    for (const TranslationSource::Row &row : source.rows)
        dictionary.fillEmptyCells(row.german, row.english, row.spanish, &filled.cells, &filled.rows);
    return filled;
}

Filled importCells(TranslationDictionary &dictionary, const TranslationSource &source)
{
    Filled changed;
    for (const TranslationSource::Row &row : source.rows)
        dictionary.importCells(row.german, row.english, row.spanish, &changed.cells, &changed.rows);
    return changed;
}

TranslationSource toSource(TranslationDictionary &dictionary, const QStringList &comments)
{
    TranslationSource source;
    source.comments = comments;
    for (quint32 r = 0; r < dictionary.rowCount(); ++r) {
        const QString key = dictionary.text(r, TranslationDictionary::GermanColumn);
        if (key.isEmpty())
            continue; // a row no lookup can find
        source.rows.append({key, dictionary.text(r, TranslationDictionary::EnglishColumn),
                            dictionary.text(r, TranslationDictionary::SpanishColumn)});
    }
    return source;
}

QStringList untranslatedKeys(TranslationDictionary &dictionary)
{
    QStringList keys;
    for (quint32 r = 0; r < dictionary.rowCount(); ++r) {
        const QString key = dictionary.text(r, TranslationDictionary::GermanColumn);
        if (key.isEmpty())
            continue;
        if (dictionary.text(r, TranslationDictionary::EnglishColumn).trimmed().isEmpty()
            || dictionary.text(r, TranslationDictionary::SpanishColumn).trimmed().isEmpty())
            keys << key;
    }
    return keys;
}

QList<QPair<QString, QStringList>> missingLanguages(TranslationDictionary &dictionary)
{
    QList<QPair<QString, QStringList>> missing;
    for (quint32 r = 0; r < dictionary.rowCount(); ++r) {
        const QString key = dictionary.text(r, TranslationDictionary::GermanColumn);
        if (key.isEmpty())
            continue;
        QStringList languages;
        if (dictionary.text(r, TranslationDictionary::EnglishColumn).trimmed().isEmpty())
            languages << QStringLiteral("en");
        if (dictionary.text(r, TranslationDictionary::SpanishColumn).trimmed().isEmpty())
            languages << QStringLiteral("es");
        if (!languages.isEmpty())
            missing.append({key, languages});
    }
    return missing;
}

QStringList duplicateKeys(const TranslationSource &source)
{
    QSet<QString> seen;
    QStringList duplicates;
    for (const TranslationSource::Row &row : source.rows) {
        const QString key = row.german.trimmed();
        if (seen.contains(key) && !duplicates.contains(key))
            duplicates << key;
        seen.insert(key);
    }
    return duplicates;
}

} // namespace ShippedTranslations
