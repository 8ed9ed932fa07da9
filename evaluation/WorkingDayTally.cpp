#include "WorkingDayTally.h"

#include <algorithm>

namespace {
constexpr int MinutesPerDay = 24 * 60;
}

void WorkingDayTally::add(int start, int end, int pause)
{
    if (end < start)
        end += MinutesPerDay;
    m_work += std::max(0, end - start - pause);
    m_pause += pause;
    insert(start, end);
}

int WorkingDayTally::breaks(int shortestGap) const
{
    int total = m_pause;
    for (qsizetype i = 1; i < m_blocks.size(); ++i) {
        const int gap = m_blocks[i].start - m_blocks[i - 1].end;
        if (gap >= shortestGap)
            total += gap;
    }
    return total;
}

// Blocks that the new one overlaps or touches melt into it.
void WorkingDayTally::insert(int start, int end)
{
    qsizetype first = 0;
    while (first < m_blocks.size() && m_blocks[first].end < start)
        ++first;
    qsizetype last = first;
    while (last < m_blocks.size() && m_blocks[last].start <= end) {
        start = std::min<int>(start, m_blocks[last].start);
        end = std::max<int>(end, m_blocks[last].end);
        ++last;
    }
    const Block merged{qint16(start), qint16(end)};
    if (first == last) {
        m_blocks.insert(first, merged);
        return;
    }
    m_blocks[first] = merged;
    m_blocks.remove(first + 1, last - first - 1);
}
