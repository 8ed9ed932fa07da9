#pragma once

#include <optional>

#include <QString>

class AppContext;

// `tagwerk-cli report`: one of the five evaluations, built by the same code
// as the result window's text.
struct ReportCommandOptions
{
    QString kind;      // employee, place, activity, period, period-by-place, worktime-law
    QString from;
    QString to;
    std::optional<QString> choice;
    std::optional<bool> breaks;      // default: the option in "benutzer.dat"
    std::optional<bool> hideDeleted; // default: the main window's stored option
    std::optional<bool> hoursOnly;   // worktime-law only; default: the administrator's option
    QString format = QStringLiteral("text");
    QString output;                  // empty: stdout
};

int runReport(AppContext &context, const ReportCommandOptions &options);
