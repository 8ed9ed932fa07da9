#pragma once

#include <optional>

#include <QDate>
#include <QString>

class CliOutput;
class RecordTable;

// `tagwerk-cli list`: every live record in file order, one line each, its
// twelve fields separated by TAB.
struct ListOptions
{
    std::optional<QString> employee; // exact, case-sensitive
    bool currentMonth = false;       // the record list's "Nur aktueller Monat"
    QDate today;
};

int runList(RecordTable &table, const ListOptions &options, CliOutput &out);
