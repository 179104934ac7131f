#pragma once
// A scroll bar as far as its container needs one: orientation, range,
// position and line size, painted as a plain control. The container creates,
// places and shows it; the bar only keeps the numbers consistent.
#include "controls/CControlUI.h"

namespace Veneer {

class CContainerUI;

class CScrollBarUI : public CControlUI {
public:
    // Default thickness in design units.
    static constexpr int kDefaultSize = 16;

    CScrollBarUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    CContainerUI* GetOwner() const { return m_owner; }
    void SetOwner(CContainerUI* owner) { m_owner = owner; }
    bool IsHorizontal() const { return m_horizontal; }
    // A horizontal bar is kDefaultSize high and stretches across; a vertical
    // one is kDefaultSize wide.
    void SetHorizontal(bool horizontal = true);
    // Pixels that can be scrolled; never negative. The position is kept in
    // [0, range].
    int GetScrollRange() const { return m_range; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_position; }
    void SetScrollPos(int position);
    // Pixels per line step, design units.
    int GetLineSize() const;
    void SetLineSize(int size);

private:
    CContainerUI* m_owner = nullptr;
    bool m_horizontal = false;
    int m_range = 100;
    int m_position = 0;
    int m_lineSize = 8;  // design units
};

}  // namespace Veneer
