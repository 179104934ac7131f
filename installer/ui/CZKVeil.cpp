#include "installer/ui/CZKVeil.h"

#include "manager/CPaintManagerUI.h"

namespace ZKInstaller {

using Veneer::CControlUI;

CZKVeil::CZKVeil(CControlUI* rootLayout)
    : m_root(rootLayout ? static_cast<Veneer::CContainerUI*>(rootLayout->GetInterface(L"Container")) : nullptr) {
    if (!m_root) return;
    auto* veil = new CControlUI;
    veil->SetFloat(true);
    veil->SetFloatPercent(CControlUI::TPercentInfo{0.0, 0.0, 1.0, 1.0});
    // The root's offset, back in design units (the getter scales).
    SIZE offset = m_root->GetFixedXY();
    if (Veneer::CPaintManagerUI* manager = m_root->GetManager()) {
        offset = SIZE{manager->GetDPIObj()->ScaleBack(offset.cx), manager->GetDPIObj()->ScaleBack(offset.cy)};
    }
    veil->SetFixedXY(offset);
    veil->SetBkColor(0x33000000);  // black at about 20 %
    if (!m_root->Add(veil)) {
        delete veil;
        return;
    }
    m_veil = veil;
    if (Veneer::CPaintManagerUI* manager = m_root->GetManager()) ::UpdateWindow(manager->GetPaintWindow());
}

CZKVeil::~CZKVeil() {
    if (m_root && m_veil) m_root->Remove(m_veil);
}

}  // namespace ZKInstaller
