#include "controls/CControlUI.h"

#include <cwchar>

#include "core/UiHandle.h"

namespace Veneer {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (OnDestroy) OnDestroy(this);
    if (m_manager) m_manager->ReapControl(this);
}

UiString CControlUI::GetName() const { return m_name; }

void CControlUI::SetName(const wchar_t* name) { m_name = name; }

const wchar_t* CControlUI::GetClass() const { return L"ControlUI"; }

void* CControlUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Control") == 0) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const { return m_controlFlags; }

void CControlUI::SetControlFlags(UINT flags) { m_controlFlags = flags; }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_manager = manager;
    m_parent = parent;
    if (init && m_parent) Init();
}

UiString CControlUI::GetText() const { return m_text; }

void CControlUI::SetText(const wchar_t* text) {
    if (m_text == (text ? text : L"")) return;
    m_text = text;
    // "{\n}" in skin texts stands for a line feed.
    m_text.Replace(L"{\\n}", L"\n");
    Invalidate();
}

RECT CControlUI::GetRelativePos() const {
    if (!m_parent) return RECT{0, 0, 0, 0};
    const RECT& parent = m_parent->GetPos();
    RECT rect = m_item;
    OffsetRect(&rect, -parent.left, -parent.top);
    return rect;
}

RECT CControlUI::GetClientPos() const { return m_item; }

void CControlUI::SetPos(RECT rect, bool needInvalidate) {
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;

    UiRect invalidate = m_item;
    if (IsRectEmpty(&invalidate)) invalidate = rect;

    m_item = rect;
    if (!m_manager) return;

    if (!m_inSetPos) {
        m_inSetPos = true;
        if (OnSize) OnSize(this);
        m_inSetPos = false;
    }
    m_updateNeeded = false;

    if (needInvalidate && IsVisible()) {
        invalidate.Join(m_item);
        UiRect temp;
        for (CControlUI* parent = m_parent; parent; parent = parent->GetParent()) {
            if (!parent->IsVisible()) return;
            temp = invalidate;
            const RECT& parentItem = parent->GetPos();
            if (!IntersectRect(&invalidate, &temp, &parentItem)) return;
        }
        m_manager->Invalidate(invalidate);
    }
}

int CControlUI::ScaleValue(int value) const { return m_manager ? m_manager->GetDPIObj()->Scale(value) : value; }

SIZE CControlUI::GetFixedXY() const { return SIZE{ScaleValue(m_fixedXY.cx), ScaleValue(m_fixedXY.cy)}; }

void CControlUI::SetFixedXY(SIZE xy) {
    m_fixedXY = xy;
    NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const { return ScaleValue(m_fixedSize.cx); }

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    m_fixedSize.cx = cx;
    NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const { return ScaleValue(m_fixedSize.cy); }

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    m_fixedSize.cy = cy;
    NeedParentUpdate();
}

int CControlUI::GetMinWidth() const { return ScaleValue(m_minSize.cx); }

void CControlUI::SetMinWidth(int cx) {
    if (cx < 0 || m_minSize.cx == cx) return;
    m_minSize.cx = cx;
    NeedParentUpdate();
}

int CControlUI::GetMaxWidth() const { return ScaleValue(m_maxSize.cx); }

void CControlUI::SetMaxWidth(int cx) {
    if (cx < 0 || m_maxSize.cx == cx) return;
    m_maxSize.cx = cx;
    NeedParentUpdate();
}

int CControlUI::GetMinHeight() const { return ScaleValue(m_minSize.cy); }

void CControlUI::SetMinHeight(int cy) {
    if (cy < 0 || m_minSize.cy == cy) return;
    m_minSize.cy = cy;
    NeedParentUpdate();
}

int CControlUI::GetMaxHeight() const { return ScaleValue(m_maxSize.cy); }

void CControlUI::SetMaxHeight(int cy) {
    if (cy < 0 || m_maxSize.cy == cy) return;
    m_maxSize.cy = cy;
    NeedParentUpdate();
}

void CControlUI::SetFloatAlign(UINT align) {
    m_floatAlign = align;
    NeedParentUpdate();
}

UiString CControlUI::GetToolTip() const { return m_toolTip; }

void CControlUI::SetToolTip(const wchar_t* text) {
    m_toolTip = text;
    // "<n>" in skin tooltips stands for a line break.
    m_toolTip.Replace(L"<n>", L"\r\n");
}

void CControlUI::SetToolTipWidth(int width) { m_toolTipWidth = width; }

int CControlUI::GetToolTipWidth() const { return ScaleValue(m_toolTipWidth); }

void CControlUI::SetCursor(WORD cursor) {
    m_cursor = cursor;
    Invalidate();
}

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    const bool wasVisible = IsVisible();
    m_visible = visible;
    m_focused = false;
    if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
    if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
    m_internVisible = visible;
    if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_manager) m_manager->SetFocus(this);
}

void CControlUI::SetFloat(bool floating) {
    if (m_floating == floating) return;
    m_floating = floating;
    NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & FINDF_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & FINDF_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if ((flags & FINDF_HITTEST) != 0 &&
        (!m_mouseEnabled || !PtInRect(&m_item, *static_cast<const POINT*>(data)))) {
        return nullptr;
    }
    return proc(this, data);
}

void CControlUI::Init() {
    DoInit();
    if (OnInit) OnInit(this);
}

void CControlUI::Event(TUiEvent& event) {
    if (OnEvent(&event)) DoEvent(event);
}

void CControlUI::DoEvent(TUiEvent& event) {
    switch (event.kind) {
        case UiEventKind::UIEVT_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, m_cursor ? MAKEINTRESOURCEW(m_cursor) : IDC_ARROW));
            return;
        case UiEventKind::UIEVT_SETFOCUS:
            m_focused = true;
            Invalidate();
            return;
        case UiEventKind::UIEVT_KILLFOCUS:
            m_focused = false;
            Invalidate();
            return;
        case UiEventKind::UIEVT_TIMER:
            if (m_manager) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
            return;
        case UiEventKind::UIEVT_CONTEXTMENU:
            if (m_menuUsed) {
                if (m_manager) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
                return;
            }
            break;
        default:
            break;
    }
    if (m_parent) m_parent->DoEvent(event);
}

SIZE CControlUI::EstimateSize(SIZE available) {
    (void)available;
    return SIZE{GetFixedWidth(), GetFixedHeight()};
}

bool CControlUI::Paint(HDC dc, const RECT& paintArea, CControlUI* stopControl) {
    if (stopControl == this) return false;
    if (!IntersectRect(&m_paintRect, &paintArea, &m_item)) return true;
    return DoPaint(dc, m_paintRect, stopControl);
}

bool CControlUI::DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl) {
    (void)stopControl;
    // The decoration never leaves paintArea ∩ item; the previous clip comes back
    // at the end.
    RECT clip;
    if (!IntersectRect(&clip, &paintArea, &m_item)) return true;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);

    PaintBkColor(dc);
    PaintBkImage(dc);
    PaintStatusImage(dc);
    PaintForeColor(dc);
    PaintForeImage(dc);
    PaintText(dc);
    PaintBorder(dc);

    ::RestoreDC(dc, saved);
    return true;
}

void CControlUI::PaintBkColor(HDC dc) {
    // Solid fill of the opaque colour over the paint rectangle.
    if ((m_bkColor >> 24) == 0) return;
    UiBrush brush(::CreateSolidBrush(RGB((m_bkColor >> 16) & 0xFF, (m_bkColor >> 8) & 0xFF, m_bkColor & 0xFF)));
    if (brush) ::FillRect(dc, &m_paintRect, brush.Get());
}

UiString CControlUI::GetVirtualWnd() const {
    if (!m_virtualWnd.IsEmpty()) return m_virtualWnd;
    if (m_parent) return m_parent->GetVirtualWnd();
    return UiString();
}

void CControlUI::SetVirtualWnd(const wchar_t* name) {
    m_virtualWnd = name;
    if (m_manager) m_manager->SetUsedVirtualWnd(true);
}

void CControlUI::Invalidate() {
    if (!IsVisible()) return;
    UiRect invalidate = m_item;
    UiRect temp;
    for (CControlUI* parent = m_parent; parent; parent = parent->GetParent()) {
        temp = invalidate;
        const RECT& parentItem = parent->GetPos();
        if (!IntersectRect(&invalidate, &temp, &parentItem)) return;
    }
    if (m_manager) m_manager->Invalidate(invalidate);
}

void CControlUI::NeedUpdate() {
    if (!IsVisible()) return;
    m_updateNeeded = true;
    Invalidate();
    if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (m_parent) {
        m_parent->NeedUpdate();
        m_parent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_manager) m_manager->NeedUpdate();
}

bool CControlUI::SetTimer(UINT id, UINT elapse) { return m_manager && m_manager->SetTimer(this, id, elapse); }

bool CControlUI::KillTimer(UINT id) { return m_manager && m_manager->KillTimer(this, id); }

void CControlUI::SetBkColor(DWORD color) {
    if (m_bkColor == color) return;
    m_bkColor = color;
    Invalidate();
}

}  // namespace Veneer
