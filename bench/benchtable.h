#pragma once

// Shared by the benchmark programs: timing helpers and one table format, so
// that scripts/bench.sh prints one readable table whatever program a row
// comes from. A row: what was measured, the figure, what it is compared
// with, and whether the goal is met.

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace Bench {

// Median wall time in milliseconds of `runs` calls of `work`.
inline double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

inline void header(const char *program)
{
    std::printf("\n%s\n%-52s %12s  %-28s %s\n", program, "measure", "figure", "goal", "");
}

inline void row(const QString &measure, const QString &figure, const QString &goal, bool met)
{
    std::printf("%-52s %12s  %-28s %s\n", qPrintable(measure), qPrintable(figure), qPrintable(goal),
                met ? "ok" : "MISSED");
    std::fflush(stdout);
}

inline QString ms(double value)
{
    return QString::number(value, 'f', 2) + " ms";
}

} // namespace Bench
