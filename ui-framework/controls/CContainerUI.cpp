#include "controls/CContainerUI.h"

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

CContainerUI::~CContainerUI() {
    // Children go at once: the manager may be going away with this container.
    m_delayedDestroy = false;
    RemoveAll();
}

const wchar_t* CContainerUI::GetClass() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
    if (name && _wcsicmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
    return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const { return static_cast<CControlUI*>(m_items.GetAt(index)); }

int CContainerUI::GetItemIndex(CControlUI* control) const { return m_items.Find(control); }

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int current = m_items.Find(control);
    if (current < 0) return false;
    NeedUpdate();
    m_items.Remove(current);
    return m_items.InsertAt(index, control);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, m_items.GetSize()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || index < 0 || index > m_items.GetSize()) return false;
    if (m_manager) m_manager->InitControls(control, this);
    if (IsVisible()) {
        NeedUpdate();
    } else {
        control->SetInternVisible(false);
    }
    return m_items.InsertAt(index, control);
}

void CContainerUI::DisposeChild(CControlUI* control) {
    if (!m_autoDestroy) return;
    if (m_delayedDestroy && m_manager) {
        m_manager->AddDelayedCleanup(control);
    } else {
        delete control;
    }
}

bool CContainerUI::Remove(CControlUI* control) {
    const int index = m_items.Find(control);
    if (!control || index < 0) return false;
    NeedUpdate();
    m_items.Remove(index);
    DisposeChild(control);
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    return control && Remove(control);
}

void CContainerUI::RemoveAll() {
    // Taken out of the list first so a child's destructor never sees itself here.
    while (!m_items.IsEmpty()) {
        auto* control = static_cast<CControlUI*>(m_items[m_items.GetSize() - 1]);
        m_items.Remove(m_items.GetSize() - 1);
        DisposeChild(control);
    }
    NeedUpdate();
}

// Each side is a width of its own, scaled and rounded alone: 30,0,2,0 at
// 150 % is 45,0,3,0, like paddings and border sides.
RECT CContainerUI::GetInset() const { return ScaleRect(m_inset); }

void CContainerUI::SetInset(const RECT& inset) {
    if (EqualRect(&m_inset, &inset)) return;
    m_inset = inset;
    NeedUpdate();
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (_wcsicmp(name, L"inset") == 0) {
        SetInset(ParseAttributeRect(value));
    } else if (_wcsicmp(name, L"mousechild") == 0) {
        SetMouseChildEnabled(ParseAttributeBool(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

RECT CContainerUI::GetClientPos() const {
    const RECT inset = GetInset();
    RECT client = m_item;
    client.left += inset.left;
    client.top += inset.top;
    client.right -= inset.right;
    client.bottom -= inset.bottom;
    return client;
}

void CContainerUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    if (m_items.IsEmpty()) return;
    const RECT client = GetClientPos();
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        int width = client.right - client.left;
        int height = client.bottom - client.top;
        if (width < child->GetMinWidth()) width = child->GetMinWidth();
        if (width > child->GetMaxWidth()) width = child->GetMaxWidth();
        if (height < child->GetMinHeight()) height = child->GetMinHeight();
        if (height > child->GetMaxHeight()) height = child->GetMaxHeight();
        child->SetPos(RECT{client.left, client.top, client.left + width, client.top + height}, false);
    }
}

void CContainerUI::RelayoutChild(CControlUI* child) {
    if (child->IsFloat()) {
        SetFloatPos(GetItemIndex(child));
    } else {
        CControlUI::RelayoutChild(child);
    }
}

void CContainerUI::SetFloatPos(int index) {
    CControlUI* child = GetItemAt(index);
    if (!child || !child->IsVisible() || !child->IsFloat()) return;
    const SIZE xy = child->GetFixedXY();
    const int width = child->GetFixedWidth();
    const int height = child->GetFixedHeight();
    const int parentWidth = m_item.right - m_item.left;
    const int parentHeight = m_item.bottom - m_item.top;
    RECT rect;
    const UINT align = child->GetFloatAlign();
    if (align != 0) {
        const int x = (align & 1) ? (parentWidth - width) / 2 : (align & 2) ? parentWidth - width : xy.cx;
        const int y = (align & 4) ? (parentHeight - height) / 2 : (align & 8) ? parentHeight - height : xy.cy;
        rect = RECT{m_item.left + x, m_item.top + y, m_item.left + x + width, m_item.top + y + height};
    } else {
        // A negative fixed position anchors the child to the right or bottom edge.
        const int anchorX = xy.cx < 0 ? m_item.right : m_item.left;
        const int anchorY = xy.cy < 0 ? m_item.bottom : m_item.top;
        rect = RECT{anchorX + xy.cx, anchorY + xy.cy, anchorX + xy.cx + width, anchorY + xy.cy + height};
    }
    child->SetPos(rect, false);
}

void CContainerUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    CControlUI::SetVisible(visible);
    for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetEnabled(enabled);
    Invalidate();
}

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    const bool hitTest = (flags & FINDF_HITTEST) != 0;
    if ((flags & FINDF_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & FINDF_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if (hitTest && !PtInRect(&m_item, *static_cast<const POINT*>(data))) return nullptr;
    if ((flags & FINDF_UPDATETEST) != 0 && proc(this, data) != nullptr) return nullptr;

    CControlUI* result = nullptr;
    if ((flags & FINDF_MEFIRST) != 0 && (!hitTest || m_mouseEnabled)) result = proc(this, data);

    if (!result && (!hitTest || m_mouseChildEnabled)) {
        const RECT client = GetClientPos();
        const int count = m_items.GetSize();
        const bool topFirst = (flags & FINDF_TOPFIRST) != 0;
        for (int n = 0; n < count; ++n) {
            CControlUI* child = GetItemAt(topFirst ? count - 1 - n : n);
            CControlUI* found = child->FindControl(proc, data, flags);
            if (!found) continue;
            // A layout search collects every control that needs layout: one
            // found child does not end it.
            if ((flags & FINDF_UPDATETEST) != 0) continue;
            if (!hitTest || found->IsFloat() || PtInRect(&client, *static_cast<const POINT*>(data))) {
                result = found;
                break;
            }
        }
    }

    if (!result && (flags & FINDF_MEFIRST) == 0 && (!hitTest || m_mouseEnabled)) result = proc(this, data);
    return result;
}

void CContainerUI::DoEvent(TUiEvent& event) {
    if (!m_mouseEnabled && IsMouseEventKind(event.kind)) {
        if (m_parent) {
            m_parent->DoEvent(event);
        } else {
            CControlUI::DoEvent(event);
        }
        return;
    }
    if (event.kind == UiEventKind::UIEVT_SETFOCUS) {
        m_focused = true;
        return;
    }
    if (event.kind == UiEventKind::UIEVT_KILLFOCUS) {
        m_focused = false;
        return;
    }
    CControlUI::DoEvent(event);
}

bool CContainerUI::DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl) {
    RECT outer;
    if (!IntersectRect(&outer, &paintArea, &m_item)) return true;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, outer.left, outer.top, outer.right, outer.bottom);
    CControlUI::DoPaint(dc, paintArea, stopControl);

    bool result = true;
    const RECT client = GetClientPos();
    RECT inner;
    const bool meetsClient = IntersectRect(&inner, &paintArea, &client) != FALSE;
    RECT temp;
    for (int i = 0; i < m_items.GetSize() && result; ++i) {
        CControlUI* child = GetItemAt(i);
        if (child == stopControl) {
            result = false;
            break;
        }
        if (!child->IsVisible() || !IntersectRect(&temp, &paintArea, &child->GetPos())) continue;
        if (child->IsFloat()) {
            // Floating children may extend over the inset: the outer clip holds.
            if (!IntersectRect(&temp, &m_item, &child->GetPos())) continue;
            result = child->Paint(dc, paintArea, stopControl);
        } else if (meetsClient) {
            if (!IntersectRect(&temp, &client, &child->GetPos())) continue;
            const int innerSaved = ::SaveDC(dc);
            ::IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
            result = child->Paint(dc, paintArea, stopControl);
            ::RestoreDC(dc, innerSaved);
        }
    }
    ::RestoreDC(dc, saved);
    return result;
}

}  // namespace Veneer
