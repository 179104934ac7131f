#include "controls/CContainerUI.h"

#include <cwchar>

#include "controls/CScrollBarUI.h"
#include "controls/UiAttributeValues.h"

namespace Veneer {

CContainerUI::~CContainerUI() {
    // Children go at once: the manager may be going away with this container.
    m_delayedDestroy = false;
    RemoveAll();
    ReleaseVerticalBar();
    delete m_horizontalBar;
    m_horizontalBar = nullptr;
}

const wchar_t* CContainerUI::GetClass() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
    if (name && _wcsicmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
    return CControlUI::GetInterface(name);
}

// --- Child list -------------------------------------------------------------

CControlUI* CContainerUI::GetItemAt(int index) const { return static_cast<CControlUI*>(m_items.GetAt(index)); }

int CContainerUI::GetItemIndex(CControlUI* control) const { return m_items.Find(control); }

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int current = m_items.Find(control);
    // An index past the last child would drop the control from the list
    // after it was taken out.
    if (current < 0 || index < 0 || index >= m_items.GetSize()) return false;
    NeedUpdate();
    m_items.Remove(current);
    return m_items.InsertAt(index, control);
}

// Not through the virtual AddAt: a subclass that extends both would run its
// own part twice.
bool CContainerUI::Add(CControlUI* control) { return CContainerUI::AddAt(control, m_items.GetSize()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || control == this || index < 0 || index > m_items.GetSize()) return false;
    if (m_items.Find(control) >= 0) return false;
    // A control with a parent is held there (a child or a scroll bar): taking
    // it too would make two owners and a double delete.
    if (control->GetParent()) return false;
    // The parent pointer marks the ownership at once, before any window.
    if (m_manager) {
        m_manager->InitControls(control, this);
    } else {
        control->SetManager(control->GetManager(), this, false);
    }
    if (IsVisible()) {
        NeedUpdate();
    } else {
        control->SetInternVisible(false);
    }
    return m_items.InsertAt(index, control);
}

namespace {

CControlUI* ForgetInManager(CControlUI* control, void* manager) {
    static_cast<CPaintManagerUI*>(manager)->ReapControl(control);
    return nullptr;  // visit every control
}

}  // namespace

void CContainerUI::DisposeChild(CControlUI* control) {
    if (!m_autoDestroy) {
        // The child is its caller's again, detached whole: the window keeps no
        // pointer into it (focus, hover, names, groups) and it has no parent,
        // so it may be added elsewhere or deleted.
        if (m_manager) control->FindControl(ForgetInManager, m_manager, FINDF_ALL);
        control->SetManager(nullptr, nullptr, false);
        return;
    }
    if (m_delayedDestroy && m_manager) {
        m_manager->AddDelayedCleanup(control);
    } else {
        delete control;
    }
}

bool CContainerUI::Remove(CControlUI* control) {
    const int index = control ? m_items.Find(control) : -1;
    if (index < 0) return false;
    NeedUpdate();
    // Out of the list before it goes, so its destructor never finds itself here.
    m_items.Remove(index);
    DisposeChild(control);
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    return control && Remove(control);
}

void CContainerUI::RemoveAll() {
    while (!m_items.IsEmpty()) {
        auto* control = static_cast<CControlUI*>(m_items[m_items.GetSize() - 1]);
        m_items.Remove(m_items.GetSize() - 1);
        DisposeChild(control);
    }
    NeedUpdate();
}

// --- Layout values -----------------------------------------------------------

// Each side is a width of its own, scaled and rounded alone: 30,0,2,0 at
// 150 % is 45,0,3,0, like paddings and border sides.
RECT CContainerUI::GetInset() const { return ScaleRect(m_inset); }

void CContainerUI::SetInset(const RECT& inset) {
    if (EqualRect(&m_inset, &inset)) return;
    m_inset = inset;
    NeedUpdate();
}

int CContainerUI::GetChildPadding() const { return ScaleValue(m_childPadding); }

void CContainerUI::SetChildPadding(int padding) {
    m_childPadding = padding;
    NeedUpdate();
}

void CContainerUI::SetChildAlign(UINT align) {
    m_childAlign = align;
    NeedUpdate();
}

void CContainerUI::SetChildVAlign(UINT align) {
    m_childVAlign = align;
    NeedUpdate();
}

int CContainerUI::FindSelectable(int index, bool forward) const {
    const int count = m_items.GetSize();
    if (count == 0) return -1;
    if (index < 0) index = 0;
    if (index >= count) index = count - 1;
    auto selectable = [this](int i) {
        const CControlUI* child = GetItemAt(i);
        return child->IsVisible() && child->IsEnabled();
    };
    const int step = forward ? 1 : -1;
    for (int i = index; i >= 0 && i < count; i += step) {
        if (selectable(i)) return i;
    }
    for (int i = index - step; i >= 0 && i < count; i -= step) {
        if (selectable(i)) return i;
    }
    return -1;
}

int CContainerUI::ClampWidth(const CControlUI* child, int width) {
    if (width < child->GetMinWidth()) width = child->GetMinWidth();
    if (width > child->GetMaxWidth()) width = child->GetMaxWidth();
    return width;
}

int CContainerUI::ClampHeight(const CControlUI* child, int height) {
    if (height < child->GetMinHeight()) height = child->GetMinHeight();
    if (height > child->GetMaxHeight()) height = child->GetMaxHeight();
    return height;
}

SIZE CContainerUI::LimitAvailable(const CControlUI* child, SIZE available) {
    const int fixedWidth = child->GetFixedWidth();
    const int fixedHeight = child->GetFixedHeight();
    if (fixedWidth > 0 && fixedWidth < available.cx) available.cx = fixedWidth;
    if (fixedHeight > 0 && fixedHeight < available.cy) available.cy = fixedHeight;
    // The maximum holds even over a larger fixed size.
    if (child->GetMaxWidth() < available.cx) available.cx = child->GetMaxWidth();
    if (child->GetMaxHeight() < available.cy) available.cy = child->GetMaxHeight();
    return available;
}

// --- Attributes --------------------------------------------------------------

namespace {

bool ParseChildAlign(const wchar_t* value, UINT* align) {
    if (wcscmp(value, L"left") == 0) *align = kChildAlignLeft;
    else if (wcscmp(value, L"center") == 0) *align = kChildAlignCenter;
    else if (wcscmp(value, L"right") == 0) *align = kChildAlignRight;
    else return false;
    return true;
}

bool ParseChildVAlign(const wchar_t* value, UINT* align) {
    if (wcscmp(value, L"top") == 0) *align = kChildAlignTop;
    else if (wcscmp(value, L"vcenter") == 0) *align = kChildAlignVCenter;
    else if (wcscmp(value, L"bottom") == 0) *align = kChildAlignBottom;
    else return false;
    return true;
}

using Row = TAttributeRow<CContainerUI>;

const Row kContainerAttributes[] = {
    {L"inset",
     [](CContainerUI& c, const wchar_t* v) {
         c.SetInset(ParseAttributeRect(v));
         return true;
     }},
    {L"mousechild",
     [](CContainerUI& c, const wchar_t* v) {
         c.SetMouseChildEnabled(ParseAttributeBool(v));
         return true;
     }},
    {L"vscrollbar",
     [](CContainerUI& c, const wchar_t* v) {
         c.EnableScrollBar(ParseAttributeBool(v), c.GetHorizontalScrollBar() != nullptr);
         return true;
     }},
    {L"vscrollbarstyle",
     [](CContainerUI& c, const wchar_t* v) {
         c.SetVerticalScrollBarStyle(v);
         return true;
     }},
    {L"hscrollbar",
     [](CContainerUI& c, const wchar_t* v) {
         c.EnableScrollBar(c.GetVerticalScrollBar() != nullptr, ParseAttributeBool(v));
         return true;
     }},
    {L"hscrollbarstyle",
     [](CContainerUI& c, const wchar_t* v) {
         c.SetHorizontalScrollBarStyle(v);
         return true;
     }},
    {L"childpadding",
     [](CContainerUI& c, const wchar_t* v) {
         c.SetChildPadding(ParseAttributeInt(v));
         return true;
     }},
    // The alignment words, like the names, are exact; an unknown word keeps
    // the alignment.
    {L"childalign",
     [](CContainerUI& c, const wchar_t* v) {
         UINT align = 0;
         if (ParseChildAlign(v, &align)) c.SetChildAlign(align);
         return true;
     },
     true},
    {L"childvalign",
     [](CContainerUI& c, const wchar_t* v) {
         UINT align = 0;
         if (ParseChildVAlign(v, &align)) c.SetChildVAlign(align);
         return true;
     },
     true},
    {L"scrollstepsize",
     [](CContainerUI& c, const wchar_t* v) {
         c.SetScrollStepSize(ParseAttributeInt(v));
         return true;
     }},
};

}  // namespace

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    static const TAttributeIndex<TAttributeRow<CContainerUI>> index(kContainerAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CControlUI::SetAttribute(name, value);
}

const wchar_t* const* CContainerUI::GetContainerAttributeNames(int* count) {
    constexpr int kCount = static_cast<int>(sizeof(kContainerAttributes) / sizeof(kContainerAttributes[0]));
    static const wchar_t* names[kCount];
    for (int i = 0; i < kCount; ++i) names[i] = kContainerAttributes[i].name;
    if (count) *count = kCount;
    return names;
}

void CContainerUI::SetVerticalScrollBarStyle(const wchar_t* style) {
    m_verticalBarStyle = style;
    EnableScrollBar(true, m_horizontalBar != nullptr);
    if (m_verticalBar && !m_externalVerticalBar) m_verticalBar->ApplyAttributeList(m_verticalBarStyle.GetData());
}

void CContainerUI::SetHorizontalScrollBarStyle(const wchar_t* style) {
    m_horizontalBarStyle = style;
    EnableScrollBar(m_verticalBar != nullptr, true);
    if (m_horizontalBar) m_horizontalBar->ApplyAttributeList(m_horizontalBarStyle.GetData());
}

// --- Scroll bars ---------------------------------------------------------------

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
    bool changed = false;
    if (vertical && !m_verticalBar) {
        auto* bar = new CScrollBarUI;
        bar->SetOwner(this);
        bar->SetVisible(false);  // shown by the layout once the content needs it
        bar->SetManager(m_manager, this, false);
        if (!m_verticalBarStyle.IsEmpty()) bar->ApplyAttributeList(m_verticalBarStyle.GetData());
        m_verticalBar = bar;
        changed = true;
    } else if (!vertical && m_verticalBar) {
        ReleaseVerticalBar();
        changed = true;
    }
    if (horizontal && !m_horizontalBar) {
        auto* bar = new CScrollBarUI;
        bar->SetHorizontal(true);
        bar->SetOwner(this);
        bar->SetVisible(false);
        bar->SetManager(m_manager, this, false);
        if (!m_horizontalBarStyle.IsEmpty()) bar->ApplyAttributeList(m_horizontalBarStyle.GetData());
        m_horizontalBar = bar;
        changed = true;
    } else if (!horizontal && m_horizontalBar) {
        delete m_horizontalBar;
        m_horizontalBar = nullptr;
        changed = true;
    }
    if (changed) NeedUpdate();
}

void CContainerUI::ReleaseVerticalBar() {
    if (!m_verticalBar) return;
    if (m_externalVerticalBar) {
        m_verticalBar->OnDestroy -= MakeDelegate(this, &CContainerUI::OnExternalBarDestroyed);
        if (m_verticalBar->GetOwner() == this) m_verticalBar->SetOwner(nullptr);
    } else {
        delete m_verticalBar;
    }
    m_verticalBar = nullptr;
    m_externalVerticalBar = false;
}

bool CContainerUI::OnExternalBarDestroyed(void* control) {
    if (m_externalVerticalBar && control == m_verticalBar) {
        m_verticalBar = nullptr;
        m_externalVerticalBar = false;
    }
    return true;
}

void CContainerUI::AttachVerticalScrollBar(CScrollBarUI* bar) {
    if (bar == m_verticalBar) return;
    ReleaseVerticalBar();
    if (bar) {
        m_verticalBar = bar;
        m_externalVerticalBar = true;
        bar->SetOwner(this);
        bar->OnDestroy += MakeDelegate(this, &CContainerUI::OnExternalBarDestroyed);
    }
    NeedUpdate();
}

SIZE CContainerUI::GetScrollPos() const {
    return SIZE{m_horizontalBar ? m_horizontalBar->GetScrollPos() : 0,
                m_verticalBar ? m_verticalBar->GetScrollPos() : 0};
}

SIZE CContainerUI::GetScrollRange() const {
    return SIZE{m_horizontalBar ? m_horizontalBar->GetScrollRange() : 0,
                m_verticalBar ? m_verticalBar->GetScrollRange() : 0};
}

SIZE CContainerUI::GetVisibleScrollOffset() const {
    SIZE offset{0, 0};
    if (m_verticalBar && (m_externalVerticalBar || m_verticalBar->IsVisible())) offset.cy = m_verticalBar->GetScrollPos();
    if (m_horizontalBar && m_horizontalBar->IsVisible()) offset.cx = m_horizontalBar->GetScrollPos();
    return offset;
}

void CContainerUI::SetScrollPos(SIZE position) {
    const SIZE old = GetScrollPos();
    if (m_verticalBar) m_verticalBar->SetScrollPos(position.cy);
    if (m_horizontalBar) m_horizontalBar->SetScrollPos(position.cx);
    const SIZE now = GetScrollPos();
    if (now.cx == old.cx && now.cy == old.cy) return;
    SetPos(m_item, false);
    Invalidate();
}

void CContainerUI::SetScrollStepSize(int size) {
    if (size > 0) m_scrollStepSize = size;
}

int CContainerUI::GetScrollStepSize() const { return ScaleValue(m_scrollStepSize); }

namespace {
int LineStep(int step, const CScrollBarUI* bar) { return step > 0 ? step : bar ? bar->GetLineSize() : 0; }
}  // namespace

void CContainerUI::LineUp() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy - LineStep(GetScrollStepSize(), m_verticalBar)});
}
void CContainerUI::LineDown() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy + LineStep(GetScrollStepSize(), m_verticalBar)});
}
void CContainerUI::PageUp() {
    const SIZE pos = GetScrollPos();
    const RECT client = GetClientPos();
    SetScrollPos(SIZE{pos.cx, pos.cy - (client.bottom - client.top)});
}
void CContainerUI::PageDown() {
    const SIZE pos = GetScrollPos();
    const RECT client = GetClientPos();
    SetScrollPos(SIZE{pos.cx, pos.cy + (client.bottom - client.top)});
}
void CContainerUI::HomeUp() { SetScrollPos(SIZE{GetScrollPos().cx, 0}); }
void CContainerUI::EndDown() { SetScrollPos(SIZE{GetScrollPos().cx, GetScrollRange().cy}); }
void CContainerUI::LineLeft() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx - LineStep(GetScrollStepSize(), m_horizontalBar), pos.cy});
}
void CContainerUI::LineRight() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx + LineStep(GetScrollStepSize(), m_horizontalBar), pos.cy});
}
void CContainerUI::PageLeft() {
    const SIZE pos = GetScrollPos();
    const RECT client = GetClientPos();
    SetScrollPos(SIZE{pos.cx - (client.right - client.left), pos.cy});
}
void CContainerUI::PageRight() {
    const SIZE pos = GetScrollPos();
    const RECT client = GetClientPos();
    SetScrollPos(SIZE{pos.cx + (client.right - client.left), pos.cy});
}
void CContainerUI::HomeLeft() { SetScrollPos(SIZE{0, GetScrollPos().cy}); }
void CContainerUI::EndRight() { SetScrollPos(SIZE{GetScrollRange().cx, GetScrollPos().cy}); }

void CContainerUI::ProcessScrollBar(RECT rect, int cxRequired, int cyRequired) {
    bool shownOrHidden = false;
    if (m_verticalBar) {
        const int excess = cyRequired - (rect.bottom - rect.top);
        if (m_externalVerticalBar) {
            m_verticalBar->SetScrollRange(excess > 0 ? excess : 0);
        } else if (excess > 0) {
            if (!m_verticalBar->IsOwnVisible()) {
                m_verticalBar->SetVisible(true);
                shownOrHidden = true;
            }
            m_verticalBar->SetScrollRange(excess);
            m_verticalBar->SetPos(
                RECT{rect.right, rect.top, rect.right + m_verticalBar->GetFixedWidth(), rect.bottom}, false);
        } else {
            if (m_verticalBar->IsOwnVisible()) {
                m_verticalBar->SetVisible(false);
                shownOrHidden = true;
            }
            m_verticalBar->SetScrollRange(0);
        }
    }
    if (m_horizontalBar) {
        const int excess = cxRequired - (rect.right - rect.left);
        if (excess > 0) {
            if (!m_horizontalBar->IsOwnVisible()) {
                m_horizontalBar->SetVisible(true);
                shownOrHidden = true;
            }
            m_horizontalBar->SetScrollRange(excess);
            m_horizontalBar->SetPos(
                RECT{rect.left, rect.bottom, rect.right, rect.bottom + m_horizontalBar->GetFixedHeight()}, false);
        } else {
            if (m_horizontalBar->IsOwnVisible()) {
                m_horizontalBar->SetVisible(false);
                shownOrHidden = true;
            }
            m_horizontalBar->SetScrollRange(0);
        }
    }
    // A bar that came or went changes the client area: one more pass, and no
    // more, so content that fits only without a bar cannot make it flicker.
    if (shownOrHidden && !m_inScrollRelayout) {
        m_inScrollRelayout = true;
        SetPos(m_item, false);
        m_inScrollRelayout = false;
    }
}

// --- State passed down ---------------------------------------------------------

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetManager(manager, this, init);
    if (m_verticalBar && !m_externalVerticalBar) m_verticalBar->SetManager(manager, this, init);
    if (m_horizontalBar) m_horizontalBar->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

RECT CContainerUI::GetClientPos() const {
    const RECT inset = GetInset();
    RECT client = m_item;
    client.left += inset.left;
    client.top += inset.top;
    client.right -= inset.right;
    client.bottom -= inset.bottom;
    if (m_verticalBar && !m_externalVerticalBar && m_verticalBar->IsVisible()) {
        client.right -= m_verticalBar->GetFixedWidth();
    }
    if (m_horizontalBar && m_horizontalBar->IsVisible()) client.bottom -= m_horizontalBar->GetFixedHeight();
    return client;
}

void CContainerUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    const RECT client = GetClientPos();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(client, 0, 0);
        return;
    }
    const SIZE scroll = GetVisibleScrollOffset();
    const int left = client.left - scroll.cx;
    const int top = client.top - scroll.cy;
    int needWidth = 0;
    int needHeight = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const int width = ClampWidth(child, client.right - client.left);
        const int height = ClampHeight(child, client.bottom - client.top);
        if (width > needWidth) needWidth = width;
        if (height > needHeight) needHeight = height;
        child->SetPos(RECT{left, top, left + width, top + height}, false);
    }
    ProcessScrollBar(client, needWidth, needHeight);
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
    const CControlUI::TPercentInfo percent = child->GetFloatPercent();
    const double fractions[4] = {percent.left, percent.top, percent.right, percent.bottom};
    const RECT rect = PlaceFloatChild(m_item, child->GetFixedXY(), child->GetFixedWidth(), child->GetFixedHeight(),
                                      child->GetFloatAlign(), fractions);
    child->SetPos(rect, false);
}

void CContainerUI::Move(SIZE offset, bool needInvalidate) {
    // Floating children hold their position relative to this container, so
    // moving them as well would move them twice; the layout pass asked for
    // by the base places children and bars at the new position.
    CControlUI::Move(offset, needInvalidate);
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

void CContainerUI::SetMouseEnabled(bool enabled) {
    if (m_verticalBar && !m_externalVerticalBar) m_verticalBar->SetMouseEnabled(enabled);
    if (m_horizontalBar) m_horizontalBar->SetMouseEnabled(enabled);
    m_mouseEnabled = enabled;
}

// --- Search, events, painting ------------------------------------------------

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    const bool hitTest = (flags & FINDF_HITTEST) != 0;
    const bool updateTest = (flags & FINDF_UPDATETEST) != 0;
    if ((flags & FINDF_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & FINDF_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if (hitTest && !PtInRect(&m_item, *static_cast<const POINT*>(data))) return nullptr;
    if (updateTest && proc(this, data) != nullptr) return nullptr;

    CControlUI* result = nullptr;
    if ((flags & FINDF_MEFIRST) != 0 && (!hitTest || m_mouseEnabled)) result = proc(this, data);

    // A layout search collects every control that needs layout: one found
    // control does not end it.
    if (!result && (!hitTest || m_mouseEnabled)) {
        CScrollBarUI* bars[] = {m_externalVerticalBar ? nullptr : m_verticalBar, m_horizontalBar};
        for (CScrollBarUI* bar : bars) {
            if (!bar) continue;
            CControlUI* found = bar->FindControl(proc, data, flags);
            if (found && !updateTest) {
                result = found;
                break;
            }
        }
    }

    if (!result && (!hitTest || m_mouseChildEnabled)) {
        const RECT client = GetClientPos();
        const int count = m_items.GetSize();
        const bool topFirst = (flags & FINDF_TOPFIRST) != 0;
        for (int n = 0; n < count; ++n) {
            CControlUI* child = GetItemAt(topFirst ? count - 1 - n : n);
            CControlUI* found = child->FindControl(proc, data, flags);
            if (!found || updateTest) continue;
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
    const bool vertical = m_verticalBar && m_verticalBar->IsVisible() && m_verticalBar->IsEnabled();
    const bool horizontal = m_horizontalBar && m_horizontalBar->IsVisible() && m_horizontalBar->IsEnabled();
    if (event.kind == UiEventKind::UIEVT_SCROLLWHEEL && (vertical || horizontal)) {
        const bool up = LOWORD(event.wParam) == SB_LINEUP;
        if (vertical) {
            up ? LineUp() : LineDown();
        } else {
            up ? LineLeft() : LineRight();
        }
        return;
    }
    if (event.kind == UiEventKind::UIEVT_KEYDOWN && (vertical || horizontal)) {
        switch (event.keyChar) {
            case VK_UP: if (vertical) { LineUp(); return; } break;
            case VK_DOWN: if (vertical) { LineDown(); return; } break;
            case VK_PRIOR: if (vertical) { PageUp(); return; } break;
            case VK_NEXT: if (vertical) { PageDown(); return; } break;
            case VK_HOME: if (vertical) { HomeUp(); return; } break;
            case VK_END: if (vertical) { EndDown(); return; } break;
            case VK_LEFT: if (horizontal) { LineLeft(); return; } break;
            case VK_RIGHT: if (horizontal) { LineRight(); return; } break;
            default: break;
        }
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
    const CPaintManagerUI::ImagePageScope page(m_manager, ChildImagePage());
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
    // The bars last, over the children, inside the outer clip.
    CScrollBarUI* bars[] = {m_externalVerticalBar ? nullptr : m_verticalBar, m_horizontalBar};
    for (CScrollBarUI* bar : bars) {
        if (!result || !bar) continue;
        if (bar == stopControl) {
            result = false;
            break;
        }
        if (!bar->IsVisible() || !IntersectRect(&temp, &paintArea, &bar->GetPos())) continue;
        result = bar->Paint(dc, paintArea, stopControl);
    }
    ::RestoreDC(dc, saved);
    return result;
}

}  // namespace Veneer
