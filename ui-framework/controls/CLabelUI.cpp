#include "controls/CLabelUI.h"

#include <cwchar>

#include "controls/UiAttributeTable.h"
#include "render/CUiRender.h"

namespace Veneer {

const wchar_t* CLabelUI::GetClass() const { return L"LabelUI"; }

void* CLabelUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Label") == 0) return this;
    return CControlUI::GetInterface(name);
}

UINT CLabelUI::GetControlFlags() const { return IsEnabled() ? CTLFLAG_SETCURSOR : 0; }

void CLabelUI::SetAutoCalcWidth(bool autoCalc) {
    if (m_autoCalcWidth == autoCalc) return;
    m_autoCalcWidth = autoCalc;
    m_needEstimate = true;
    NeedParentUpdate();
}

void CLabelUI::SetAutoCalcHeight(bool autoCalc) {
    if (m_autoCalcHeight == autoCalc) return;
    m_autoCalcHeight = autoCalc;
    m_needEstimate = true;
    NeedParentUpdate();
}

void CLabelUI::SetText(const wchar_t* text) {
    CControlUI::SetText(text);
    if (m_autoCalcWidth || m_autoCalcHeight) {
        m_needEstimate = true;
        NeedParentUpdate();
    }
}

void CLabelUI::SetTextStyle(UINT style) {
    if (m_textStyle == style) return;
    m_textStyle = style;
    m_needEstimate = true;
    Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) {
    if (m_textColor == color) return;
    m_textColor = color;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
    if (m_disabledTextColor == color) return;
    m_disabledTextColor = color;
    Invalidate();
}

void CLabelUI::SetFont(int index) {
    if (m_font == index) return;
    m_font = index;
    m_needEstimate = true;
    Invalidate();
}

RECT CLabelUI::GetTextPadding() const { return ScaleRect(m_textPadding); }

void CLabelUI::SetTextPadding(RECT padding) {
    if (EqualRect(&m_textPadding, &padding)) return;
    m_textPadding = padding;
    m_needEstimate = true;
    Invalidate();
}

void CLabelUI::SetShowHtml(bool showHtml) {
    if (m_showHtml == showHtml) return;
    m_showHtml = showHtml;
    m_needEstimate = true;
    Invalidate();
}

void CLabelUI::DoEvent(TUiEvent& event) {
    // A label shows no focus: the flag only follows it.
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

UINT ApplyTextAlign(const wchar_t* value, UINT style) {
    if (!value) return style;
    if (std::wcsstr(value, L"left")) style &= ~(DT_CENTER | DT_RIGHT);
    if (std::wcsstr(value, L"center")) style = (style & ~DT_RIGHT) | DT_CENTER;
    if (std::wcsstr(value, L"right")) style = (style & ~DT_CENTER) | DT_RIGHT;
    return style;
}

// Every vertical word makes the text a single line again.
UINT ApplyTextVAlign(const wchar_t* value, UINT style) {
    if (!value) return style;
    if (std::wcsstr(value, L"top")) style = (style & ~(DT_VCENTER | DT_BOTTOM | DT_WORDBREAK)) | DT_SINGLELINE;
    if (std::wcsstr(value, L"vcenter")) style = (style & ~(DT_BOTTOM | DT_WORDBREAK)) | DT_VCENTER | DT_SINGLELINE;
    if (std::wcsstr(value, L"bottom")) style = (style & ~(DT_VCENTER | DT_WORDBREAK)) | DT_BOTTOM | DT_SINGLELINE;
    return style;
}

namespace {

using Row = TAttributeRow<CLabelUI>;

template <UINT Bits>
bool StyleBitRow(CLabelUI& c, const wchar_t* v) {
    const UINT style = c.GetTextStyle();
    c.SetTextStyle(ParseAttributeBool(v) ? (style | Bits) : (style & ~Bits));
    return true;
}

const Row kLabelAttributes[] = {
    {L"align",
     [](CLabelUI& c, const wchar_t* v) {
         c.SetTextStyle(ApplyTextAlign(v, c.GetTextStyle()));
         return true;
     }},
    {L"valign",
     [](CLabelUI& c, const wchar_t* v) {
         c.SetTextStyle(ApplyTextVAlign(v, c.GetTextStyle()));
         return true;
     }},
    {L"endellipsis", StyleBitRow<DT_END_ELLIPSIS>},
    {L"wordbreak",
     [](CLabelUI& c, const wchar_t* v) {
         const UINT style = c.GetTextStyle();
         c.SetTextStyle(ParseAttributeBool(v) ? ((style & ~DT_SINGLELINE) | DT_WORDBREAK | DT_EDITCONTROL)
                                              : ((style & ~(DT_WORDBREAK | DT_EDITCONTROL)) | DT_SINGLELINE));
         return true;
     }},
    {L"noprefix", StyleBitRow<DT_NOPREFIX>},
    {L"font", IntRow<CLabelUI, &CLabelUI::SetFont>},
    {L"textcolor", ColorRow<CLabelUI, &CLabelUI::SetTextColor>},
    {L"disabledtextcolor", ColorRow<CLabelUI, &CLabelUI::SetDisabledTextColor>},
    {L"textpadding",
     [](CLabelUI& c, const wchar_t* v) {
         c.SetTextPadding(ParseAttributeRect(v));
         return true;
     }},
    {L"showhtml", BoolRow<CLabelUI, &CLabelUI::SetShowHtml>},
    {L"autocalcwidth",
     [](CLabelUI& c, const wchar_t* v) {
         c.SetAutoCalcWidth(ParseAttributeBool(v));
         return true;
     }},
    {L"autocalcheight",
     [](CLabelUI& c, const wchar_t* v) {
         c.SetAutoCalcHeight(ParseAttributeBool(v));
         return true;
     }},
};

}  // namespace

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    static const TAttributeIndex<TAttributeRow<CLabelUI>> index(kLabelAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CControlUI::SetAttribute(name, value);
}

RECT CLabelUI::MeasureTextRect(RECT rect, UINT style) {
    const UiString text = GetText();
    if (!m_manager || text.IsEmpty()) return RECT{rect.left, rect.top, rect.left, rect.top};
    CUiRender::DrawText(m_manager->GetPaintDC(), m_manager, rect, text.GetData(), 0, m_font, style | DT_CALCRECT);
    return rect;
}

SIZE CLabelUI::EstimateSize(SIZE available) {
    if (!m_manager) return SIZE{0, 0};
    if (m_fixedSize.cx >= 1 && m_fixedSize.cy >= 1) return CControlUI::EstimateSize(available);
    if (available.cx != m_lastAvailable.cx || available.cy != m_lastAvailable.cy) m_needEstimate = true;
    if (!m_needEstimate) return m_estimated;

    m_needEstimate = false;
    m_lastAvailable = available;
    SIZE size = CControlUI::EstimateSize(available);
    const RECT padding = GetTextPadding();
    if ((m_textStyle & DT_SINGLELINE) != 0) {
        if (size.cy == 0) {
            size.cy = m_manager->GetFontInfo(m_font)->metrics.tmHeight + 8 + padding.top + padding.bottom;
        }
        if (size.cx == 0 && m_autoCalcWidth) {
            const RECT measured =
                MeasureTextRect(RECT{0, 0, 9999, size.cy}, m_textStyle & ~(DT_CENTER | DT_RIGHT));
            size.cx = measured.right - measured.left + padding.left + padding.right;
        }
    } else if (size.cy == 0 && m_autoCalcHeight) {
        // Without a fixed width the text wraps at the width the layout offers.
        const int width = size.cx > 0 ? size.cx : available.cx;
        const RECT measured = MeasureTextRect(RECT{padding.left, 0, width - padding.right, 9999}, m_textStyle);
        size.cy = measured.bottom - measured.top + padding.top + padding.bottom;
    }
    m_estimated = size;
    return m_estimated;
}

void CLabelUI::FillDefaultColors() {
    if (!m_manager) return;
    if (m_textColor == 0) m_textColor = m_manager->GetDefaultFontColor();
    if (m_disabledTextColor == 0) m_disabledTextColor = m_manager->GetDefaultDisabledColor();
}

void CLabelUI::DrawLabelText(HDC dc, DWORD color, int font) {
    const UiString text = GetText();
    if (!m_manager || text.IsEmpty()) return;
    const RECT padding = GetTextPadding();
    RECT rect{m_item.left + padding.left, m_item.top + padding.top, m_item.right - padding.right,
              m_item.bottom - padding.bottom};
    if (CPaintManagerUI::IsHighContrast()) {
        // The skin's colours and images may leave text unreadable under a
        // high-contrast theme: the theme's own text on its own background.
        CUiRender::DrawColor(dc, m_item, CPaintManagerUI::SystemColor(COLOR_WINDOW));
        color = CPaintManagerUI::SystemColor(IsEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    }
    // Markup ("showhtml") is not interpreted: the text is drawn as written.
    CUiRender::DrawText(dc, m_manager, rect, text.GetData(), color, font, m_textStyle);
}

void CLabelUI::PaintText(HDC dc) {
    FillDefaultColors();
    DrawLabelText(dc, IsEnabled() ? m_textColor : m_disabledTextColor, m_font);
}

}  // namespace Veneer
