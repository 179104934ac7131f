#include "installer/ui/ZkBase.h"

#include <utility>

namespace ZKInstaller {

ZkBase::~ZkBase() {
    if (m_onDestroyed) m_onDestroyed();
}

void ZkBase::OnEvent(uint32_t, uint32_t, uint32_t) {}

void ZkBase::SetOnDestroyed(std::function<void()> callback) { m_onDestroyed = std::move(callback); }

void ZkBase::SetResultCallback(std::function<void(int)> callback) { m_resultCallback = std::move(callback); }

void ZkBase::NotifyOwner(uint32_t code, uint32_t argument, uint32_t extra) {
    if (m_owner) m_owner->OnEvent(code, argument, extra);
}

}  // namespace ZKInstaller
