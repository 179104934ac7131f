#include "controls/CEventSource.h"

namespace Veneer {

CEventSource::~CEventSource() {
    for (int i = 0; i < m_delegates.GetSize(); ++i) delete static_cast<CDelegateBase*>(m_delegates[i]);
}

void CEventSource::operator+=(const CDelegateBase& delegate) {
    for (int i = 0; i < m_delegates.GetSize(); ++i) {
        if (static_cast<CDelegateBase*>(m_delegates[i])->Equals(delegate)) return;
    }
    CDelegateBase* copy = delegate.Copy();
    if (!m_delegates.Add(copy)) delete copy;
}

void CEventSource::operator-=(const CDelegateBase& delegate) {
    for (int i = 0; i < m_delegates.GetSize(); ++i) {
        auto* stored = static_cast<CDelegateBase*>(m_delegates[i]);
        if (stored->Equals(delegate)) {
            m_delegates.Remove(i);
            delete stored;
            return;
        }
    }
}

bool CEventSource::operator()(void* param) {
    // A listener may remove delegates while the list runs: index checked each step.
    for (int i = 0; i < m_delegates.GetSize(); ++i) {
        auto* delegate = static_cast<CDelegateBase*>(m_delegates[i]);
        if (!delegate->Invoke(param)) return false;
    }
    return true;
}

}  // namespace Veneer
