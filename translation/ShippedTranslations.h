#pragma once

#include <QStringList>

#include "TranslationSource.h"

class TranslationDictionary;

// Moving translations between the dictionary and its readable source: the
// shipped rows go into a dictionary without replacing what a translator
// typed, and a dictionary goes out as the same text format, so a
// translator's work can be sent back and merged.
namespace ShippedTranslations {

struct Filled
{
    int cells = 0;
    int rows = 0;
};

// Adds every key of `source` the dictionary lacks, and fills only the
// English and Spanish cells that are empty. The file is not written.
Filled fillEmptyCells(TranslationDictionary &dictionary, const TranslationSource &source);

// A translator's file (the export format) coming back: every cell it fills
// replaces the dictionary's, keys it adds are added, empty cells change
// nothing. `cells` counts the cells changed. The file is not written.
Filled importCells(TranslationDictionary &dictionary, const TranslationSource &source);
// Every row with a key, in table order, as German, English, Spanish.
TranslationSource toSource(TranslationDictionary &dictionary, const QStringList &comments);

// The keys whose English or Spanish cell is empty, in table order.
QStringList untranslatedKeys(TranslationDictionary &dictionary);
// The same, each with the codes of the languages it lacks ("en", "es").
QList<QPair<QString, QStringList>> missingLanguages(TranslationDictionary &dictionary);

// Keys given more than once in `source`, each named once.
QStringList duplicateKeys(const TranslationSource &source);

} // namespace ShippedTranslations
