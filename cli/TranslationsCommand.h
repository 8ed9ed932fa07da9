#pragma once

#include <QStringList>

class Reporter;

// tagwerk-cli translations update | export FILE | check
// over the "translate.dat" in `programDirectory` (with a trailing separator):
//   update  adds the shipped translations to the cells that are empty and the
//           keys that are missing, and says how many it filled;
//   export  writes the file as the readable source format, so a
//           translator's work can be sent back;
//   check   lists every key without English or Spanish; exit 1 if any.
int runTranslations(const QStringList &arguments, const QString &programDirectory, Reporter &reporter);
