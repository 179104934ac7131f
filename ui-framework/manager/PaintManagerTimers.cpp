// Per-control timers on the manager's window. System ids run through 0..239
// from a per-manager counter; a killed record keeps its id so that the same
// (control, key) restarts with it.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT key, UINT elapse) {
    // A timer without a window would become a thread timer with an id of the
    // system's choosing, which WM_TIMER could never match.
    if (!control || !m_hwnd) return false;
    for (const auto& timer : m_timers) {
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
            for (const auto& timer : m_timers) {
                if (timer->hwnd == m_hwnd && timer->systemId == id) return true;
            }
            return false;
        },
        systemId);
    if (!found) return false;
    if (::SetTimer(m_hwnd, systemId, elapse, nullptr) == 0) return false;
    m_timers.push_back(std::make_unique<TimerInfo>(TimerInfo{control, key, m_hwnd, systemId, false}));
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT key) {
    for (const auto& timer : m_timers) {
        if (timer->control != control || timer->hwnd != m_hwnd || timer->key != key || timer->killed) continue;
        if (::IsWindow(m_hwnd)) ::KillTimer(timer->hwnd, timer->systemId);
        timer->killed = true;
        return true;
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(),
                                  [control](const std::unique_ptr<TimerInfo>& timer) {
                                      if (timer->control != control) return false;
                                      if (!timer->killed && ::IsWindow(timer->hwnd))
                                          ::KillTimer(timer->hwnd, timer->systemId);
                                      return true;
                                  }),
                   m_timers.end());
}

void CPaintManagerUI::RemoveAllTimers() {
    for (const auto& timer : m_timers) {
        if (!timer->killed && ::IsWindow(timer->hwnd)) ::KillTimer(timer->hwnd, timer->systemId);
    }
    m_timers.clear();
}

bool CPaintManagerUI::OnTimer(WPARAM wParam, LPARAM lParam) {
    for (const auto& timer : m_timers) {
        if (timer->hwnd == m_hwnd && timer->systemId == wParam && !timer->killed) {
            SendEvent(timer->control, UiEventKind::UIEVT_TIMER, timer->key, lParam);
            return true;
        }
    }
    return false;
}

}  // namespace Veneer
