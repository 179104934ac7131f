#pragma once
// Timing helpers shared by the framework's benchmarks: a millisecond clock
// on the performance counter, repeated runs summarised by their best and
// median, and the `name: value unit` output lines.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Veneer::Bench {

inline double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Timing {
    double bestMs;  // the least disturbed run: the machine is shared
    double medianMs;
};

enum class GdiBatch { kFlush, kLeave };

// Runs `body` `runs` times (at least once). With GdiBatch::kFlush every run
// ends by flushing the GDI batch, so queued drawing is counted. `prepare`,
// when given, runs before each run, outside the timing.
inline Timing TimeRuns(int runs, const std::function<void()>& body, GdiBatch gdi = GdiBatch::kFlush,
                       const std::function<void()>& prepare = nullptr) {
    std::vector<double> times;
    for (int i = 0; i < std::max(runs, 1); ++i) {
        if (prepare) prepare();
        const double start = NowMs();
        body();
        if (gdi == GdiBatch::kFlush) ::GdiFlush();
        times.push_back(NowMs() - start);
    }
    std::sort(times.begin(), times.end());
    return Timing{times.front(), times[times.size() / 2]};
}

// Runs `a` and `b` alternately, `runs` times each, so that a figure and the
// floor it is divided by see the same machine: on a shared machine the speed
// drifts between one series of runs and the next. With `warmUps`, each turn
// first runs its body that many times untimed, so each timed run finds the
// caches as a run right after itself would, not as the other body left them.
inline std::pair<Timing, Timing> TimePaired(int runs, const std::function<void()>& a, const std::function<void()>& b,
                                            int warmUps = 0) {
    std::vector<double> timesA, timesB;
    for (int i = 0; i < std::max(runs, 1); ++i) {
        for (int which = 0; which < 2; ++which) {
            for (int w = 0; w < warmUps; ++w) (which == 0 ? a : b)();
            const double start = NowMs();
            (which == 0 ? a : b)();
            ::GdiFlush();
            (which == 0 ? timesA : timesB).push_back(NowMs() - start);
        }
    }
    const auto summary = [](std::vector<double>& times) {
        std::sort(times.begin(), times.end());
        return Timing{times.front(), times[times.size() / 2]};
    };
    return {summary(timesA), summary(timesB)};
}

// One `name: value unit` line, flushed at once so a slow run shows progress.
inline void Print(const std::string& name, double value, const char* unit) {
    std::printf("%s: %.4f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

}  // namespace Veneer::Bench
