#include "installer/engine/DownloadEventQueue.h"

#include "installer/engine/InstallSession.h"

namespace ZKInstaller {

bool CDownloadEventQueue::Push(unsigned generation, int code, double value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back({generation, code, value});
    return m_events.size() == 1;
}

void CDownloadEventQueue::DrainInto(CInstallSession& session) {
    for (;;) {
        Event event{};
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_events.empty()) return;
            event = m_events.front();
            m_events.pop_front();
        }
        // Outside the lock: handling may run a modal box, during which the
        // worker keeps queueing.
        session.HandleDownloadEvent(event.generation, event.code, event.value);
    }
}

}  // namespace ZKInstaller
