#include "controls/CEventSource.h"

namespace Veneer {

void CEventSource::operator+=(const CDelegateBase& delegate) {
    if (!m_delegates) m_delegates = std::make_unique<DelegateList>();
    if (m_delegates->FindIf([&delegate](CDelegateBase* stored) { return stored->Equals(delegate); })) return;
    m_delegates->Add(std::unique_ptr<CDelegateBase>(delegate.Copy()));
}

void CEventSource::operator-=(const CDelegateBase& delegate) {
    if (!m_delegates) return;
    m_delegates->RemoveFirstIf([&delegate](CDelegateBase* stored) { return stored->Equals(delegate); });
}

bool CEventSource::operator()(void* param) {
    // A delegate may remove itself or others, or destroy the control that owns
    // this source; the walk survives all three.
    if (!m_delegates) return true;
    bool result = true;
    const UiWalk walk = m_delegates->ForEach([&](CDelegateBase* delegate) {
        result = delegate->Invoke(param);
        return !result;
    });
    return walk == UiWalk::OwnerGone ? result : walk == UiWalk::Completed;
}

}  // namespace Veneer
