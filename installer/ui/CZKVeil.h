#pragma once
// A translucent veil over the whole main window while a question is open:
// added on construction as the last child of the root layout, removed (and
// destroyed) on destruction.
#include "controls/CContainerUI.h"

namespace ZKInstaller {

class CZKVeil {
public:
    explicit CZKVeil(Veneer::CControlUI* rootLayout);
    ~CZKVeil();
    CZKVeil(const CZKVeil&) = delete;
    CZKVeil& operator=(const CZKVeil&) = delete;

private:
    Veneer::CContainerUI* m_root = nullptr;
    Veneer::CControlUI* m_veil = nullptr;  // owned by the root layout
};

}  // namespace ZKInstaller
