#include "controls/CTabLayoutUI.h"

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

const wchar_t* CTabLayoutUI::GetClass() const { return L"TabLayoutUI"; }

void* CTabLayoutUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"TabLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    if (!CContainerUI::Add(control)) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_curSel == -1) {
        if (control->IsVisible()) {
            m_curSel = index;
        } else {
            control->SetVisible(false);
        }
    } else {
        // Only the selected page is shown, wherever the new one goes.
        if (index <= m_curSel) ++m_curSel;
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    const int index = control ? GetItemIndex(control) : -1;
    if (index < 0 || !CContainerUI::Remove(control)) return false;
    if (index == m_curSel) {
        if (GetCount() == 0) {
            m_curSel = -1;
        } else {
            // Page 0 takes over quietly: no "tabselect" for a removal.
            m_curSel = 0;
            GetItemAt(0)->SetVisible(true);
        }
        NeedParentUpdate();
    } else if (index < m_curSel) {
        --m_curSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_curSel = -1;
    CContainerUI::RemoveAll();
    NeedParentUpdate();
}

bool CTabLayoutUI::SetItemIndex(CControlUI* control, int index) {
    CControlUI* selected = GetItemAt(m_curSel);
    if (!CContainerUI::SetItemIndex(control, index)) return false;
    if (selected) m_curSel = GetItemIndex(selected);
    return true;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_curSel) return true;
    const int old = m_curSel;
    m_curSel = index;
    for (int i = 0; i < GetCount(); ++i) {
        if (i != index) GetItemAt(i)->SetVisible(false);
    }
    // Before the new page draws: its images are decoded while the old
    // page's are already gone, so the two sets never peak together.
    if (m_manager && old >= 0 && old < GetCount()) m_manager->ReleasePageImages(GetItemAt(old));
    CControlUI* page = GetItemAt(index);
    page->SetVisible(true);
    page->SetFocus();
    SetPos(m_item, true);
    NeedParentUpdate();
    if (m_manager) {
        m_manager->SetNextTabControl(true);
        m_manager->SendNotify(this, L"tabselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control) {
    const int index = GetItemIndex(control);
    return index >= 0 && SelectItem(index);
}

const void* CTabLayoutUI::ChildImagePage() const {
    return m_curSel >= 0 && m_curSel < GetCount() ? GetItemAt(m_curSel) : nullptr;
}

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    // "selectedid" selects and still goes on down the tables.
    if (_wcsicmp(name, L"selectedid") == 0) SelectItem(ParseAttributeInt(value));
    CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    const RECT client = GetClientPos();
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        if (i != m_curSel) continue;
        const RECT pad = child->GetPadding();
        RECT rc = client;
        rc.left += pad.left;
        rc.top += pad.top;
        rc.right -= pad.right;
        rc.bottom -= pad.bottom;
        const int width = rc.right - rc.left > 0 ? rc.right - rc.left : 0;
        const int height = rc.bottom - rc.top > 0 ? rc.bottom - rc.top : 0;
        SIZE sz = child->EstimateSize(SIZE{width, height});
        if (sz.cx == 0) sz.cx = width;
        if (sz.cy == 0) sz.cy = height;
        sz.cx = ClampWidth(child, sz.cx);
        sz.cy = ClampHeight(child, sz.cy);
        child->SetPos(RECT{rc.left, rc.top, rc.left + sz.cx, rc.top + sz.cy}, true);
    }
}

}  // namespace Veneer
