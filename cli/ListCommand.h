#pragma once

#include <optional>

#include <QString>

class CliOutput;
class DbfTable;

// `tagwerk-cli list`: every live record in file order, one line each, its
// twelve fields separated by TAB.
struct ListOptions
{
    std::optional<QString> employee; // exact, case-sensitive
};

int runList(DbfTable &table, const ListOptions &options, CliOutput &out);
