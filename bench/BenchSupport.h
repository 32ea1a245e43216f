#pragma once

// Timing and reporting shared by the benchmark programs: each prints
// "FIGURE <name> <value>" lines, the value a ratio against a reference
// measured in the same run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace bench
{

inline double millisecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

/// The least of several runs, each after its (untimed) preparation: the
/// figure least disturbed by the machine.
inline double bestOf(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i)
    {
        prepare();
        best = std::min(best, millisecondsOf(work));
    }
    return best;
}

inline double bestOf(int runs, const std::function<void()>& work)
{
    return bestOf(
        runs, [] {}, work);
}

/// The least result of several runs of a measurement that returns its own time.
inline double bestResult(const std::function<double()>& run, int runs)
{
    double result = run();
    for (int i = 1; i < runs; ++i)
        result = std::min(result, run());
    return result;
}

inline void figure(const char* name, double value)
{
    std::printf("FIGURE %s %.4f\n", name, value);
    std::fflush(stdout);
}

/// The ratio of two timings, with both printed as a comment line.
inline void figure(const char* name, double ours, double theirs)
{
    std::printf("# %s: ours %.6f s, reference %.6f s\n", name, ours, theirs);
    figure(name, ours / theirs);
}

} // namespace bench
