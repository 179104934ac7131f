#include "controls/CTextUI.h"

#include <cwchar>

#include "render/CUiRender.h"

namespace Veneer {

CTextUI::CTextUI() {
    m_textStyle = DT_WORDBREAK;
    m_textPadding.left = 2;
    m_textPadding.right = 2;
}

const wchar_t* CTextUI::GetClass() const { return L"TextUI"; }

void* CTextUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Text") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const { return IsEnabled() && m_linkCount > 0 ? CTLFLAG_SETCURSOR : 0; }

int CTextUI::LinkAt(POINT point) const {
    for (int i = 0; i < m_linkCount; ++i) {
        if (PtInRect(&m_links[i], point)) return i;
    }
    return -1;
}

void CTextUI::DoEvent(TUiEvent& event) {
    if (IsMouseEventKind(event.kind) && !IsMouseEnabled()) {
        if (m_parent) m_parent->DoEvent(event);
        return;
    }
    const int link = LinkAt(event.mouse);
    switch (event.kind) {
        case UiEventKind::UIEVT_SETCURSOR:
            if (link >= 0) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                return;
            }
            break;
        case UiEventKind::UIEVT_BUTTONDOWN:
            if (link >= 0) {
                Invalidate();
                return;
            }
            break;
        case UiEventKind::UIEVT_BUTTONUP:
            if (link >= 0) {
                if (IsEnabled() && m_manager) m_manager->SendNotify(this, L"link", static_cast<WPARAM>(link));
                return;
            }
            break;
        case UiEventKind::UIEVT_CONTEXTMENU:
            return;
        case UiEventKind::UIEVT_MOUSEMOVE:
        case UiEventKind::UIEVT_MOUSELEAVE: {
            const int hover = event.kind == UiEventKind::UIEVT_MOUSELEAVE ? -1 : link;
            if (hover != m_hoverLink) {
                m_hoverLink = hover;
                Invalidate();
            }
            return;
        }
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

SIZE CTextUI::EstimateSize(SIZE available) {
    if (m_autoCalcWidth && m_manager) {
        const RECT padding = GetTextPadding();
        const RECT measured = MeasureTextRect(RECT{0, 0, 9999, 9999}, m_textStyle);
        const int width = measured.right - measured.left + padding.left + padding.right;
        // The fixed width is kept in design units.
        SetFixedWidth(m_manager->GetDPIObj()->ScaleBack(width));
    }
    return CControlUI::EstimateSize(available);
}

void CTextUI::PaintText(HDC dc) {
    if (GetText().IsEmpty()) m_linkCount = 0;
    CLabelUI::PaintText(dc);
}

}  // namespace Veneer
