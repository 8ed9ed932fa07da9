#pragma once

#include <QVarLengthArray>

// What the working-time law check keeps of one employee's bookings of one
// date, whatever order they come in: the sum of the booked work, and the
// times worked as disjoint blocks with their stored breaks. Overlapping
// bookings melt into one block: a person is at work once at a time, so
// their breaks are taken as the same break, the longest of them. Touching
// bookings melt too, adding their breaks. The gaps between the blocks are
// exactly the gaps a walk over the bookings ordered by start finds before
// each booking (its start minus the latest end before it), so a day of many
// bookings costs a few blocks, not a list of its bookings.
class WorkingDayTally
{
public:
    // Minutes after midnight of the date. An end before the start lies on
    // the next day; an end equal to the start makes a booking of no length.
    // A stored break shorter than `shortestBreak` is no rest break: it is
    // not worked, but it does not count among the breaks either.
    void add(int start, int end, int pause, int shortestBreak);

    // The work as booked: each booking's time less its break, summed (the
    // reading of bookings that hold only a number of hours).
    int bookedWork() const { return m_bookedWork; }
    // The work by the clock: the time of the blocks less their breaks.
    int work() const;
    // The counted stored breaks plus every gap between blocks of at least `shortestGap`.
    int breaks(int shortestGap) const;
    int earliestStart() const { return m_blocks.front().start; }
    int latestEnd() const { return m_blocks.back().end; } // next-day ends beyond 24:00
    // The work that lies between 00:00 and 24:00 of this date: the blocks'
    // time on it, with the part of `dayBefore`'s blocks that ran past
    // midnight, counted once where they overlap. A break is taken off only
    // where its block lies wholly on the date (a break of a booking across
    // midnight may lie on either side of it).
    int workOnDate(const WorkingDayTally *dayBefore) const;
    // The same for a date without bookings of its own.
    static int workAfterMidnight(const WorkingDayTally &dayBefore);

private:
    struct Block
    {
        qint16 start;
        qint16 end;     // up to 48:00
        int pause;   // stored breaks, all of them
        int counted; // stored breaks long enough to be rest breaks
    };

    void insert(Block added);
    static bool overlap(const Block &a, const Block &b);
    static int clockMinutes(const WorkingDayTally *own, const WorkingDayTally *dayBefore);

    QVarLengthArray<Block, 1> m_blocks; // ordered, disjoint, never touching
    int m_bookedWork = 0;
};
