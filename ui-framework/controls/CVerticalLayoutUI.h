#pragma once
// Children one under the other: fixed heights first, the rest shared by the
// stretch children (estimated height 0), the last of which absorbs every
// leftover pixel; widths fill the client area unless fixed.
#include "controls/CContainerUI.h"

namespace Veneer {

class CVerticalLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    // The set-cursor flag while a separator is configured and enabled.
    UINT GetControlFlags() const override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;

    // Separator band height in design units (negative: at the top edge).
    int GetSepHeight() const;
    void SetSepHeight(int height);
    bool IsSepImmMode() const { return m_sepImmediate; }
    void SetSepImmMode(bool immediate) { m_sepImmediate = immediate; }

private:
    int m_sepHeight = 0;  // design units
    bool m_sepImmediate = false;
};

}  // namespace Veneer
