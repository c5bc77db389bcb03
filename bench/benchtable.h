#pragma once

// Shared by every benchmark program: timing helpers and one table format, so
// that `make bench` prints one readable table whatever program a row comes
// from, and fails when any goal is missed. A row: what was measured, the
// figure, what it is compared with, and whether the goal is met. Plain C++,
// so that the Qt-free benchmarks of the helper print through it too.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace Bench {

// The median of the figures (the upper one of an even count).
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Median wall time in milliseconds of `runs` calls of `work`.
template<typename Work>
double medianMs(int runs, Work &&work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return median(std::move(times));
}

inline int &missedGoals()
{
    static int count = 0;
    return count;
}

inline void header(std::string_view program)
{
    std::printf("\n%.*s\n%-52s %12s  %-28s %s\n", int(program.size()), program.data(), "measure", "figure",
                "goal", "");
}

// A row whose goal is not met prints MISSED and makes exitCode() non-zero.
inline void row(std::string_view measure, std::string_view figure, std::string_view goal, bool met)
{
    if (!met)
        ++missedGoals();
    std::printf("%-52.*s %12.*s  %-28.*s %s\n", int(measure.size()), measure.data(), int(figure.size()),
                figure.data(), int(goal.size()), goal.data(), met ? "ok" : "MISSED");
    std::fflush(stdout);
}

// A figure with `decimals` digits after the point and a unit ("ms", "x").
inline std::string figure(double value, int decimals, std::string_view unit)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %.*s", decimals, value, int(unit.size()), unit.data());
    return text;
}

inline std::string ms(double value)
{
    return figure(value, 2, "ms");
}

// Microseconds from milliseconds, for figures that milliseconds round to 0.
inline std::string us(double milliseconds)
{
    return figure(milliseconds * 1000, 1, "us");
}

inline std::string ratio(double value)
{
    return figure(value, 2, "x");
}

// What main() returns: 1 when any row missed its goal.
inline int exitCode()
{
    return missedGoals() == 0 ? 0 : 1;
}

} // namespace Bench
