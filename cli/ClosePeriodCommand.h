#pragma once

#include <QString>

class AppContext;

// `tagwerk-cli close-period`: closes every booking up to a date, or reopens
// them with "none", through the same core call as "Buchungen abschließen
// bis..." and behind the same administrator password.
struct ClosePeriodOptions
{
    QString until;         // DD.MM.YYYY, YYYY-MM-DD or "none"
    QString adminPassword; // already read from standard input for "-"
};

// Returns the exit code: 0 done (the new state on stdout), 1 refused (a wrong
// password, a date after today, a file that cannot be written), 2 a usage
// error.
int runClosePeriod(AppContext &context, const ClosePeriodOptions &options);
