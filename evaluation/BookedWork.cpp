#include "BookedWork.h"

#include "storage/DateTimeText.h"
#include "storage/DbfRecord.h"
#include "storage/WorkTimeTables.h"

namespace {

constexpr int SecondsPerDay = 24 * 60 * 60;

std::optional<int> secondsOf(const DbfRecord &record, int field)
{
    const QByteArrayView bytes = record.rawText(field);
    return DateTimeText::parseSecondsOfDay(QLatin1String(bytes.data(), bytes.size()));
}

} // namespace

namespace BookedWork {

std::optional<int> seconds(std::optional<int> start, std::optional<int> end, int breakSeconds)
{
    if (!start || !end)
        return std::nullopt;
    int span = *end - *start;
    if (span < 0)
        span += SecondsPerDay; // the work crossed midnight
    return span - breakSeconds;
}

std::optional<int> seconds(const DbfRecord &record)
{
    return seconds(secondsOf(record, WorkTimeTables::ZeitVon), secondsOf(record, WorkTimeTables::ZeitBis),
                   secondsOf(record, WorkTimeTables::Pause).value_or(0));
}

} // namespace BookedWork
