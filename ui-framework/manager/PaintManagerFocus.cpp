// Keyboard focus, Tab order and mouse capture.
#include <windows.h>

#include "controls/CControlUI.h"
#include "render/CUiRender.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

namespace {

// Collects every control of a search in tree order.
CControlUI* CollectControls(CControlUI* control, void* data) {
    static_cast<UiPtrArray*>(data)->Add(control);
    return nullptr;
}

bool IsTabStop(CControlUI* control) { return (control->GetControlFlags() & CTLFLAG_TABSTOP) != 0; }

// The ring in design units: a halo between the control and the ring keeps
// the ring apart from a control of the ring's own colour.
constexpr int kFocusHalo = 1;
constexpr int kFocusRingWidth = 2;
constexpr DWORD kFocusRingColor = 0xFF2F6BFF;  // ARGB
constexpr DWORD kFocusHaloColor = 0xFFFFFFFF;

}  // namespace

RECT CPaintManagerUI::GetFocusRingRect(const CControlUI* control) const {
    RECT ring = control ? control->GetPos() : RECT{};
    const int out = m_dpi.Scale(kFocusHalo + kFocusRingWidth);
    ::InflateRect(&ring, out, out);
    return ring;
}

void CPaintManagerUI::ShowFocusRing(bool show) {
    if (m_focusRingShown == show) return;
    m_focusRingShown = show;
    if (m_focus) Invalidate(GetFocusRingRect(m_focus));
}

void CPaintManagerUI::PaintFocusRing(HDC dc, const RECT& paintArea) {
    CControlUI* focus = m_focus;
    if (!m_focusRingShown || !focus || !focus->IsVisible()) return;
    const RECT ring = GetFocusRingRect(focus);
    RECT touched;
    if (!::IntersectRect(&touched, &ring, &paintArea)) return;
    // System colours under high contrast, where the skin's blue may vanish.
    const bool system = IsHighContrast();
    const int width = m_dpi.Scale(kFocusRingWidth);
    RECT halo = ring;
    ::InflateRect(&halo, -width, -width);
    CUiRender::DrawRect(dc, ring, width, system ? SystemColor(COLOR_HIGHLIGHT) : kFocusRingColor);
    CUiRender::DrawRect(dc, halo, m_dpi.Scale(kFocusHalo), system ? SystemColor(COLOR_WINDOW) : kFocusHaloColor);
}

void CPaintManagerUI::SetFocusTarget(CControlUI* control) {
    if (!control) return;
    m_focusTarget = control;
    m_focusNeeded = true;
    if (m_hwnd) ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
    HWND focusWindow = ::GetFocus();
    if (focusWindow != m_hwnd && control != m_focus) ::SetFocus(m_hwnd);
    ChangeFocus(control);
}

void CPaintManagerUI::ChangeFocus(CControlUI* control) {
    if (control == m_focus) return;
    if (m_focusRingShown && m_focus) Invalidate(GetFocusRingRect(m_focus));
    if (m_focus) {
        CControlUI* old = m_focus;
        m_focus = nullptr;
        // The kill-focus event names the control that takes the focus.
        TUiEvent event = MakeEvent(UiEventKind::UIEVT_KILLFOCUS, control, 0, 0);
        old->Event(event);
        SendNotify(old, L"killfocus");
    }
    if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
        m_focus = control;
        if (m_focusRingShown) Invalidate(GetFocusRingRect(control));
        RaiseAccessibleEvent(UiAccessibleEvent::Focus, control);
        SendEvent(control, UiEventKind::UIEVT_SETFOCUS, 0, 0);
        SendNotify(control, L"setfocus");
    }
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* control) {
    if (m_hwnd) ::SetFocus(m_hwnd);
    if (!control) return;
    if (m_focus) {
        CControlUI* old = m_focus;
        m_focus = nullptr;
        TUiEvent event = MakeEvent(UiEventKind::UIEVT_KILLFOCUS, control, 0, 0);
        old->Event(event);
        SendNotify(old, L"killfocus");
    }
    m_focusTarget = control;
    m_focusNeeded = true;
    if (m_root) m_root->NeedUpdate();
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
    if (m_updateNeeded && forward) {
        // Focus moves once the pending layout has placed the controls.
        m_focusNeeded = true;
        if (m_hwnd) ::InvalidateRect(m_hwnd, nullptr, FALSE);
        return true;
    }
    m_focusNeeded = false;
    if (!m_root) return false;

    UiPtrArray controls;
    m_root->FindControl(CollectControls, &controls, FINDF_VISIBLE | FINDF_ENABLED | FINDF_MEFIRST);
    const int count = controls.GetSize();
    if (count == 0) return false;
    const int start = m_focus ? controls.Find(m_focus) : -1;

    // From the control after (before) the focus, wrapping once around the tree.
    CControlUI* next = nullptr;
    for (int step = 1; step <= count && !next; ++step) {
        int index;
        if (start < 0) {
            index = forward ? step - 1 : count - step;
        } else {
            index = forward ? (start + step) % count : (start - step + count) % count;
        }
        auto* candidate = static_cast<CControlUI*>(controls[index]);
        if (IsTabStop(candidate)) next = candidate;
    }
    if (!next) return false;
    SetFocus(next);
    return true;
}

void CPaintManagerUI::SetCapture() {
    if (m_hwnd) ::SetCapture(m_hwnd);
    m_mouseCapture = true;
}

void CPaintManagerUI::ReleaseCapture() {
    ::ReleaseCapture();
    m_mouseCapture = false;
    m_dragArmed = false;
}

}  // namespace Veneer
