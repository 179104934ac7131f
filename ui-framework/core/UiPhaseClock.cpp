#include "core/UiPhaseClock.h"

#include <windows.h>

#include <cstring>

#include "core/UiString.h"

namespace Veneer {

namespace {

constexpr int kMaxPhases = 24;

struct Entry {
    const char* name = nullptr;
    long long ticks = 0;  // performance-counter ticks, or ms x 1000 for moments
    int count = 0;
};

struct Clock {
    DWORD thread = 0;
    double ticksPerMs = 0;
    double originMs = 0;  // process creation, on the performance counter's scale
    Entry phases[kMaxPhases];
    Entry moments[kMaxPhases];
    int current = -1;
    long long since = 0;
};

Clock& TheClock() {
    static Clock clock;
    return clock;
}

long long Now() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The clock belongs to the first thread that uses it; false on others.
bool OnClockThread(Clock& clock) {
    if (clock.thread == 0) {
        LARGE_INTEGER frequency{};
        ::QueryPerformanceFrequency(&frequency);
        clock.ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;
        // How long ago the process was created, read against the counter now.
        FILETIME created{}, exited{}, kernel{}, user{}, now{};
        ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER a{}, b{};
        a.LowPart = created.dwLowDateTime;
        a.HighPart = created.dwHighDateTime;
        b.LowPart = now.dwLowDateTime;
        b.HighPart = now.dwHighDateTime;
        const double ageMs = b.QuadPart > a.QuadPart ? static_cast<double>(b.QuadPart - a.QuadPart) / 10000.0 : 0.0;
        clock.originMs = static_cast<double>(Now()) / clock.ticksPerMs - ageMs;
        clock.thread = ::GetCurrentThreadId();
    }
    return clock.thread == ::GetCurrentThreadId();
}

int Find(Entry (&entries)[kMaxPhases], const char* name) {
    for (int i = 0; i < kMaxPhases; ++i) {
        if (entries[i].name == name || (entries[i].name && std::strcmp(entries[i].name, name) == 0)) return i;
        if (!entries[i].name) {
            entries[i].name = name;
            return i;
        }
    }
    return -1;
}

}  // namespace

UiPhaseScope::UiPhaseScope(const char* phase) {
    Clock& clock = TheClock();
    if (!OnClockThread(clock)) return;
    m_phase = Find(clock.phases, phase);
    if (m_phase < 0) return;
    const long long now = Now();
    if (clock.current >= 0) clock.phases[clock.current].ticks += now - clock.since;
    m_outer = clock.current;
    clock.current = m_phase;
    clock.since = now;
    ++clock.phases[m_phase].count;
}

UiPhaseScope::~UiPhaseScope() {
    if (m_phase < 0) return;
    Clock& clock = TheClock();
    const long long now = Now();
    clock.phases[m_phase].ticks += now - clock.since;
    clock.current = m_outer;
    clock.since = now;
}

void UiMarkMoment(const char* moment) {
    Clock& clock = TheClock();
    if (!OnClockThread(clock)) return;
    const int index = Find(clock.moments, moment);
    if (index < 0 || clock.moments[index].count > 0) return;
    const double ms = static_cast<double>(Now()) / clock.ticksPerMs - clock.originMs;
    clock.moments[index].ticks = static_cast<long long>(ms * 1000.0);
    clock.moments[index].count = 1;
}

std::wstring UiPhaseReport() {
    Clock& clock = TheClock();
    std::wstring report;
    UiString part;
    // The phase open now has its time up to this moment.
    const long long open = clock.current >= 0 ? Now() - clock.since : 0;
    for (int i = 0; i < kMaxPhases && clock.phases[i].name; ++i) {
        const Entry& phase = clock.phases[i];
        const long long ticks = phase.ticks + (i == clock.current ? open : 0);
        part.SmallFormat(phase.count > 1 ? L"%ls%hs %.1f (%dx)" : L"%ls%hs %.1f", report.empty() ? L"" : L", ",
                         phase.name, static_cast<double>(ticks) / clock.ticksPerMs, phase.count);
        report += part.GetData();
    }
    for (const Entry& moment : clock.moments) {
        if (!moment.name) break;
        part.SmallFormat(L"; %hs at %.1f", moment.name, static_cast<double>(moment.ticks) / 1000.0);
        report += part.GetData();
    }
    return report;
}

}  // namespace Veneer
