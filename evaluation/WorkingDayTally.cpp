#include "WorkingDayTally.h"

#include <algorithm>

namespace {
constexpr int MinutesPerDay = 24 * 60;
}

void WorkingDayTally::add(int start, int end, int pause, int shortestBreak)
{
    if (end < start)
        end += MinutesPerDay;
    m_bookedWork += std::max(0, end - start - pause);
    insert(Block{qint16(start), qint16(end), pause, pause >= shortestBreak ? pause : 0});
}

int WorkingDayTally::work() const
{
    int total = 0;
    for (const Block &block : m_blocks)
        total += std::max(0, block.end - block.start - block.pause);
    return total;
}

int WorkingDayTally::breaks(int shortestGap) const
{
    int total = 0;
    for (qsizetype i = 0; i < m_blocks.size(); ++i) {
        total += m_blocks[i].counted;
        const int gap = i > 0 ? m_blocks[i].start - m_blocks[i - 1].end : 0;
        if (gap >= shortestGap)
            total += gap;
    }
    return total;
}

int WorkingDayTally::workOnDate(const WorkingDayTally *dayBefore) const
{
    return clockMinutes(this, dayBefore);
}

int WorkingDayTally::workAfterMidnight(const WorkingDayTally &dayBefore)
{
    return clockMinutes(nullptr, &dayBefore);
}

// The blocks of both dates as spans of the one date, merged as they come
// in order of start; few blocks a day make the sort cheap.
int WorkingDayTally::clockMinutes(const WorkingDayTally *own, const WorkingDayTally *dayBefore)
{
    struct Span
    {
        int start;
        int end;
    };
    QVarLengthArray<Span, 8> spans;
    int breaks = 0;
    if (own) {
        for (const Block &block : own->m_blocks) {
            spans.append(Span{block.start, std::min<int>(block.end, MinutesPerDay)});
            if (block.end <= MinutesPerDay)
                breaks += std::min(block.pause, block.end - block.start);
        }
    }
    if (dayBefore) {
        for (const Block &block : dayBefore->m_blocks) {
            if (block.end > MinutesPerDay)
                spans.append(Span{std::max<int>(block.start, MinutesPerDay) - MinutesPerDay, block.end - MinutesPerDay});
        }
    }
    std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.start < b.start; });
    int total = 0;
    int reached = 0; // the latest end so far
    for (const Span &span : spans) {
        total += std::max(0, span.end - std::max(span.start, reached));
        reached = std::max(reached, span.end);
    }
    return std::max(0, total - breaks);
}

// Two bookings overlap when they share time, or when one of no length lies
// within the other.
bool WorkingDayTally::overlap(const Block &a, const Block &b)
{
    if (a.start < b.end && b.start < a.end)
        return true;
    if (a.start == a.end)
        return b.start <= a.start && a.start <= b.end;
    return b.start == b.end && a.start <= b.start && b.start <= a.end;
}

// The blocks that the new one overlaps melt into it keeping the longest
// break; those it only touches melt in adding theirs. Blocks never touch one
// another, so the ones it meets lie side by side.
void WorkingDayTally::insert(Block added)
{
    qsizetype first = 0;
    while (first < m_blocks.size() && m_blocks[first].end < added.start)
        ++first;
    qsizetype last = first;
    Block merged = added;
    int touchingPause = 0;
    int touchingCounted = 0;
    while (last < m_blocks.size() && m_blocks[last].start <= added.end) {
        const Block &met = m_blocks[last];
        merged.start = std::min(merged.start, met.start);
        merged.end = std::max(merged.end, met.end);
        if (overlap(met, added)) {
            merged.pause = std::max(merged.pause, met.pause);
            merged.counted = std::max(merged.counted, met.counted);
        } else {
            touchingPause += met.pause;
            touchingCounted += met.counted;
        }
        ++last;
    }
    merged.pause += touchingPause;
    merged.counted += touchingCounted;
    if (first == last) {
        m_blocks.insert(first, merged);
        return;
    }
    m_blocks[first] = merged;
    m_blocks.remove(first + 1, last - first - 1);
}
