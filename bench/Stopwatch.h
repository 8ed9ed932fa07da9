#pragma once

#include <chrono>

// Wall-clock timing for the benchmark programs.
using Stopwatch = std::chrono::steady_clock;

inline double millisecondsSince(Stopwatch::time_point start)
{
    return std::chrono::duration<double, std::milli>(Stopwatch::now() - start).count();
}
