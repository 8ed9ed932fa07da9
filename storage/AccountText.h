#pragma once

#include <optional>

#include <QString>

#include "AccountData.h"

// The working-time account's values as text, in the one form its tables,
// tagwerk-cli and the reports share: durations as H:MM with a leading "-"
// when negative, days with a decimal comma and no ",0" (3, 5,5).
namespace AccountText {

QString formatMinutes(qint64 minutes);
// H:MM or HH:MM, minutes 00 to 59, optionally led by "-" when `signedValue`.
std::optional<int> parseMinutes(const QString &text, bool signedValue = false);

QString formatDays(double days);
// Whole or half days: "3", "5,5" (also "5.5").
std::optional<double> parseDays(const QString &text);

// vacation, sick, leave, unpaid: the words of tagwerk-cli and the table.
QString kindName(AbsenceKind kind);
std::optional<AbsenceKind> kindNamed(const QString &name);
// The German name of a kind (its dictionary key): Urlaub, Krankheit, ...
QString kindTitle(AbsenceKind kind);

} // namespace AccountText
