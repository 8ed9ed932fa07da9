#pragma once

#include <QVarLengthArray>

// What the working-time law check keeps of one employee's bookings of one
// date, whatever order they come in: the sums of work and stored breaks,
// and the times worked as disjoint blocks (overlapping or touching bookings
// melt into one). The gaps between the blocks are exactly the gaps a walk
// over the bookings ordered by start finds before each booking (its start
// minus the latest end before it), so a day of many bookings costs a few
// blocks, not a list of its bookings.
class WorkingDayTally
{
public:
    // Minutes after midnight of the date. An end before the start lies on
    // the next day; an end equal to the start makes a booking of no length.
    void add(int start, int end, int pause);

    int work() const { return m_work; }
    // The stored breaks plus every gap between blocks of at least `shortestGap`.
    int breaks(int shortestGap) const;
    int earliestStart() const { return m_blocks.front().start; }
    int latestEnd() const { return m_blocks.back().end; } // next-day ends beyond 24:00

private:
    struct Block
    {
        qint16 start;
        qint16 end; // up to 48:00
    };

    void insert(int start, int end);

    QVarLengthArray<Block, 1> m_blocks; // ordered, disjoint, never touching
    int m_work = 0;
    int m_pause = 0;
};
