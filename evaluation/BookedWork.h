#pragma once

#include <optional>

class DbfRecord;

// The work one booking counts for in every evaluation, and so in the
// working-time account: end - start - break, across midnight when the end is
// earlier than the start. A booking whose start or end is no time counts for
// nothing, and a break that is no time for none.
namespace BookedWork {

// Times as seconds since midnight.
std::optional<int> seconds(std::optional<int> start, std::optional<int> end, int breakSeconds);
// The same, read from a work-time record's bytes.
std::optional<int> seconds(const DbfRecord &record);

} // namespace BookedWork
