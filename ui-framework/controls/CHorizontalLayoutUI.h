#pragma once
// Children side by side: fixed widths first, the rest shared by the stretch
// children (estimated width 0), the last of which absorbs every leftover
// pixel; a child without a fixed height fills the layout's height.
#include "controls/CContainerUI.h"

namespace Veneer {

class CHorizontalLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    // The set-cursor flag while a separator is configured and enabled.
    UINT GetControlFlags() const override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;

    // Separator band width in design units (negative: at the left edge).
    int GetSepWidth() const;
    void SetSepWidth(int width);
    bool IsSepImmMode() const { return m_sepImmediate; }
    void SetSepImmMode(bool immediate) { m_sepImmediate = immediate; }

private:
    int m_sepWidth = 0;  // design units
    bool m_sepImmediate = false;
};

}  // namespace Veneer
