#pragma once
// Where a process's start-up time goes: the time spent in named phases (each
// counted exclusive of the phases opened inside it) and named moments, both in
// milliseconds. Only the thread that opens the first phase is timed; scopes on
// other threads count nothing. Phase and moment names are string literals.
#include <string>

namespace Veneer {

class UiPhaseScope {
public:
    explicit UiPhaseScope(const char* phase);
    ~UiPhaseScope();
    UiPhaseScope(const UiPhaseScope&) = delete;
    UiPhaseScope& operator=(const UiPhaseScope&) = delete;

private:
    int m_phase = -1;
    int m_outer = -1;
};

// Records the first time `moment` is reached, in ms since the process was
// created; later calls change nothing.
void UiMarkMoment(const char* moment);

// "archive 1.2, parse 0.8 (3x), ...; first frame at 96.0": every phase in the
// order first opened, then every moment, in ms.
std::wstring UiPhaseReport();

}  // namespace Veneer
