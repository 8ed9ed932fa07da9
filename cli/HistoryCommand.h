#pragma once

#include <QString>

#include "recording/ChangeLogHistory.h"

class CliOutput;

// `tagwerk-cli history`: the change history as TSV, one entry a line,
// oldest first: timestamp, who, computer, action, record number, and the
// changes as "FIELD: old → new" joined by "; ", and the entry's chain hash,
// which an auditor keeps to ask later for what came after it.
int runHistory(const QString &databaseDirectory, const ChangeLogHistory::Filter &filter, CliOutput &out);
