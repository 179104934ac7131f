// Per-control timers on the manager's window. System ids run through 0..239
// from a per-manager counter; a killed record keeps its id so that the same
// (control, key) restarts with it.
#include <windows.h>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

struct CPaintManagerUI::TimerInfo {
    CControlUI* control;
    UINT key;       // the control's own timer id
    HWND hwnd;
    UINT systemId;  // id given to ::SetTimer
    bool killed;
};

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT key, UINT elapse) {
    // A timer without a window would become a thread timer with an id of the
    // system's choosing, which WM_TIMER could never match.
    if (!control || !m_hwnd) return false;
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        auto* timer = static_cast<TimerInfo*>(m_timers[i]);
        if (timer->control != control || timer->hwnd != m_hwnd || timer->key != key) continue;
        if (!timer->killed) return false;
        if (::SetTimer(m_hwnd, timer->systemId, elapse, nullptr) == 0) return false;
        timer->killed = false;
        return true;
    }

    // Ids held by a record (alive or kept for reuse) are skipped: setting one
    // again would silently replace the other control's system timer.
    UINT systemId = 0;
    const bool found = NextTimerId(
        m_timerCounter,
        [this](UINT id) {
            for (int i = 0; i < m_timers.GetSize(); ++i) {
                const auto* timer = static_cast<const TimerInfo*>(m_timers[i]);
                if (timer->hwnd == m_hwnd && timer->systemId == id) return true;
            }
            return false;
        },
        systemId);
    if (!found) return false;
    if (::SetTimer(m_hwnd, systemId, elapse, nullptr) == 0) return false;
    auto* timer = new TimerInfo{control, key, m_hwnd, systemId, false};
    if (!m_timers.Add(timer)) {
        ::KillTimer(m_hwnd, systemId);
        delete timer;
        return false;
    }
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT key) {
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        auto* timer = static_cast<TimerInfo*>(m_timers[i]);
        if (timer->control != control || timer->hwnd != m_hwnd || timer->key != key || timer->killed) continue;
        if (::IsWindow(m_hwnd)) ::KillTimer(timer->hwnd, timer->systemId);
        timer->killed = true;
        return true;
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    for (int i = m_timers.GetSize() - 1; i >= 0; --i) {
        auto* timer = static_cast<TimerInfo*>(m_timers[i]);
        if (timer->control != control) continue;
        if (!timer->killed && ::IsWindow(timer->hwnd)) ::KillTimer(timer->hwnd, timer->systemId);
        m_timers.Remove(i);
        delete timer;
    }
}

void CPaintManagerUI::RemoveAllTimers() {
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        auto* timer = static_cast<TimerInfo*>(m_timers[i]);
        if (!timer->killed && ::IsWindow(timer->hwnd)) ::KillTimer(timer->hwnd, timer->systemId);
        delete timer;
    }
    m_timers.Empty();
}

bool CPaintManagerUI::OnTimer(WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < m_timers.GetSize(); ++i) {
        const auto* timer = static_cast<const TimerInfo*>(m_timers[i]);
        if (timer->hwnd == m_hwnd && timer->systemId == wParam && !timer->killed) {
            SendEvent(timer->control, UiEventKind::UIEVT_TIMER, timer->key, lParam);
            return true;
        }
    }
    return false;
}

}  // namespace Veneer
