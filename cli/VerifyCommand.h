#pragma once

#include <QString>

class CliOutput;

// `tagwerk-cli verify`: checks the change history against itself and the
// work-time table. Prints the number of entries and the last hash (exit 0),
// or each finding (exit 1).
int runVerify(const QString &databaseDirectory, const QString &tablePath, CliOutput &out);
