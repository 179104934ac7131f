#include "controls/CButtonUI.h"

#include <cwchar>

#include "controls/UiAttributeTable.h"
#include "render/CUiRender.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

#include "controls/CTabLayoutUI.h"

namespace Veneer {

namespace {

bool AssignText(UiString& field, const wchar_t* value) {
    if (field == (value ? value : L"")) return false;
    field = value;
    return true;
}

}  // namespace

CButtonUI::CButtonUI() { m_textStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE; }

const wchar_t* CButtonUI::GetClass() const { return L"ButtonUI"; }

void* CButtonUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Button") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
    return (IsKeyboardEnabled() ? CTLFLAG_TABSTOP : 0) | (IsEnabled() ? CTLFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate() {
    if (!CLabelUI::Activate()) return false;
    if (m_manager) {
        m_manager->SendNotify(this, L"click");
        SelectBoundTab();
    }
    return true;
}

void CButtonUI::SelectBoundTab() {
    if (!m_manager || m_bindTabLayoutName.IsEmpty() || m_bindTabIndex < 0) return;
    CControlUI* target = m_manager->FindControl(m_bindTabLayoutName.GetData());
    auto* tab = target ? static_cast<CTabLayoutUI*>(target->GetInterface(L"TabLayout")) : nullptr;
    if (tab) tab->SelectItem(m_bindTabIndex);
}

void CButtonUI::SetEnabled(bool enabled) {
    CLabelUI::SetEnabled(enabled);
    // Hot, pushed and captured end; the selected bit belongs to the option's
    // selected state and outlives both changes.
    m_buttonState = (m_buttonState & kButtonSelected) | (enabled ? 0 : kButtonDisabled);
}

void CButtonUI::DoEvent(TUiEvent& event) {
    if (IsMouseEventKind(event.kind) && !IsMouseEnabled()) {
        if (m_parent) m_parent->DoEvent(event);
        return;
    }
    const bool inside = PtInRect(&m_item, event.mouse) != FALSE;
    switch (event.kind) {
        case UiEventKind::UIEVT_SETFOCUS:
        case UiEventKind::UIEVT_KILLFOCUS:
            Invalidate();
            break;
        case UiEventKind::UIEVT_KEYDOWN:
            if (IsKeyboardEnabled() && (event.keyChar == VK_SPACE || event.keyChar == VK_RETURN)) {
                Activate();
                return;
            }
            break;
        case UiEventKind::UIEVT_BUTTONDOWN:
        case UiEventKind::UIEVT_DBLCLICK:
            if (inside && IsEnabled()) {
                m_buttonState |= kButtonPushed | kButtonCaptured;
                Invalidate();
                if (m_richEvent && m_manager) m_manager->SendNotify(this, L"buttondown");
            }
            return;
        case UiEventKind::UIEVT_MOUSEMOVE:
            if ((m_buttonState & kButtonCaptured) != 0) {
                m_buttonState = inside ? (m_buttonState | kButtonPushed) : (m_buttonState & ~kButtonPushed);
                Invalidate();
            }
            return;
        case UiEventKind::UIEVT_BUTTONUP:
            if ((m_buttonState & kButtonCaptured) != 0) {
                m_buttonState &= ~(kButtonPushed | kButtonCaptured);
                Invalidate();
                if (inside) Activate();
            }
            return;
        case UiEventKind::UIEVT_CONTEXTMENU:
            if (m_menuUsed && m_manager) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
            return;
        case UiEventKind::UIEVT_MOUSEENTER:
        case UiEventKind::UIEVT_MOUSELEAVE: {
            if (!IsEnabled()) return;
            const bool enter = event.kind == UiEventKind::UIEVT_MOUSEENTER;
            m_buttonState = enter ? (m_buttonState | kButtonHot) : (m_buttonState & ~kButtonHot);
            Invalidate();
            if (m_richEvent && m_manager) m_manager->SendNotify(this, enter ? L"mouseenter" : L"mouseleave");
            return;
        }
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CButtonUI::SetNormalImage(const wchar_t* descriptor) {
    if (AssignText(m_normalImage, descriptor)) Invalidate();
}
void CButtonUI::SetHotImage(const wchar_t* descriptor) {
    if (AssignText(m_hotImage, descriptor)) Invalidate();
}
void CButtonUI::SetPushedImage(const wchar_t* descriptor) {
    if (AssignText(m_pushedImage, descriptor)) Invalidate();
}
void CButtonUI::SetFocusedImage(const wchar_t* descriptor) {
    if (AssignText(m_focusedImage, descriptor)) Invalidate();
}
void CButtonUI::SetDisabledImage(const wchar_t* descriptor) {
    if (AssignText(m_disabledImage, descriptor)) Invalidate();
}
void CButtonUI::SetHotForeImage(const wchar_t* descriptor) {
    if (AssignText(m_hotForeImage, descriptor)) Invalidate();
}
void CButtonUI::SetPushedForeImage(const wchar_t* descriptor) {
    if (AssignText(m_pushedForeImage, descriptor)) Invalidate();
}
void CButtonUI::SetStateImage(const wchar_t* descriptor) {
    if (!AssignText(m_stateImage, descriptor)) return;
    m_normalImage.Empty();
    Invalidate();
}
void CButtonUI::SetStateCount(int count) {
    if (m_stateCount == count) return;
    m_stateCount = count;
    Invalidate();
}
void CButtonUI::SetHotBkColor(DWORD color) {
    if (m_hotBkColor == color) return;
    m_hotBkColor = color;
    Invalidate();
}
void CButtonUI::SetPushedBkColor(DWORD color) {
    if (m_pushedBkColor == color) return;
    m_pushedBkColor = color;
    Invalidate();
}
void CButtonUI::SetDisabledBkColor(DWORD color) {
    if (m_disabledBkColor == color) return;
    m_disabledBkColor = color;
    Invalidate();
}
void CButtonUI::SetHotFont(int index) {
    if (m_hotFont == index) return;
    m_hotFont = index;
    Invalidate();
}
void CButtonUI::SetPushedFont(int index) {
    if (m_pushedFont == index) return;
    m_pushedFont = index;
    Invalidate();
}
void CButtonUI::SetFocusedFont(int index) {
    if (m_focusedFont == index) return;
    m_focusedFont = index;
    Invalidate();
}
void CButtonUI::BindTabIndex(int index) {
    if (index >= 0) m_bindTabIndex = index;
}

namespace {

using Row = TAttributeRow<CButtonUI>;

const Row kButtonAttributes[] = {
    {L"normalimage", TextRow<CButtonUI, &CButtonUI::SetNormalImage>},
    {L"hotimage", TextRow<CButtonUI, &CButtonUI::SetHotImage>},
    {L"pushedimage", TextRow<CButtonUI, &CButtonUI::SetPushedImage>},
    {L"focusedimage", TextRow<CButtonUI, &CButtonUI::SetFocusedImage>},
    {L"disabledimage", TextRow<CButtonUI, &CButtonUI::SetDisabledImage>},
    {L"hotforeimage", TextRow<CButtonUI, &CButtonUI::SetHotForeImage>},
    {L"stateimage", TextRow<CButtonUI, &CButtonUI::SetStateImage>},
    {L"statecount", IntRow<CButtonUI, &CButtonUI::SetStateCount>},
    {L"bindtabindex", IntRow<CButtonUI, &CButtonUI::BindTabIndex>},
    {L"bindtablayoutname", TextRow<CButtonUI, &CButtonUI::BindTabLayoutName>},
    {L"hotbkcolor", ColorRow<CButtonUI, &CButtonUI::SetHotBkColor>},
    {L"pushedbkcolor", ColorRow<CButtonUI, &CButtonUI::SetPushedBkColor>},
    {L"disabledbkcolor", ColorRow<CButtonUI, &CButtonUI::SetDisabledBkColor>},
    {L"hottextcolor", ColorRow<CButtonUI, &CButtonUI::SetHotTextColor>},
    {L"pushedtextcolor", ColorRow<CButtonUI, &CButtonUI::SetPushedTextColor>},
    {L"focusedtextcolor", ColorRow<CButtonUI, &CButtonUI::SetFocusedTextColor>},
    {L"hotfont", IntRow<CButtonUI, &CButtonUI::SetHotFont>},
    {L"pushedfont", IntRow<CButtonUI, &CButtonUI::SetPushedFont>},
    // Skins spell the focused font both ways.
    {L"focuedfont", IntRow<CButtonUI, &CButtonUI::SetFocusedFont>},
    {L"focusedfont", IntRow<CButtonUI, &CButtonUI::SetFocusedFont>},
};

}  // namespace

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    static const TAttributeIndex<TAttributeRow<CButtonUI>> index(kButtonAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CLabelUI::SetAttribute(name, value);
}

bool CButtonUI::MakeStateImageParts(const UiString& stateImage, int stateCount,
                                    UiString (&parts)[kMaxStateParts]) {
    if (!m_manager || stateImage.IsEmpty() || stateCount <= 0) return false;
    // The image as the window draws it (possibly a DPI variant) gives the
    // pixel width of the parts.
    const TImageSpec* spec = m_manager->GetDrawInfo(stateImage.GetData(), nullptr);
    if (!spec || spec->imageName.IsEmpty()) return false;
    const TImageInfo* image = m_manager->GetImageEx(
        spec->imageName.GetData(), spec->resType.IsEmpty() ? nullptr : spec->resType.GetData(), spec->mask, false,
        nullptr);
    if (!image || image->width <= 0 || image->height <= 0) return false;

    // The generated descriptors are parsed again with the window's scale:
    // dest goes back to design units (as written) and source to pixels of the
    // plain file, named by its plain name, so the variant is found again.
    TImageSpec design;
    design.Parse(stateImage.GetData(), nullptr, nullptr);
    const int variantPercent = static_cast<int>(spec->scale * 100.0 + 0.5);
    const auto toPlain = [variantPercent](int pixels) { return ::MulDiv(pixels, 100, variantPercent); };
    const int partWidth = image->width / stateCount;
    const int count = stateCount < kMaxStateParts ? stateCount : kMaxStateParts;
    for (int i = 0; i < count; ++i) {
        parts[i].Format(L"res='%ls' restype='%ls' dest='%ld,%ld,%ld,%ld' source='%d,%d,%d,%d'",
                        design.imageName.GetData(), design.resType.GetData(), design.dest.left, design.dest.top,
                        design.dest.right, design.dest.bottom, toPlain(i * partWidth), 0,
                        toPlain((i + 1) * partWidth), toPlain(image->height));
    }
    return true;
}

void CButtonUI::FillStateImages(const UiString& stateImage, int stateCount, UiString& normal, UiString& hot,
                                UiString& pushed, UiString* disabled) {
    if (stateImage.IsEmpty() || stateCount <= 0 || !normal.IsEmpty()) return;
    UiString parts[kMaxStateParts];
    if (!MakeStateImageParts(stateImage, stateCount, parts)) return;
    normal = parts[0];
    if (stateCount > 1) hot = pushed = parts[1];
    if (stateCount > 2) pushed = parts[2];
    if (stateCount > 3 && disabled) *disabled = parts[3];
}

void CButtonUI::DrawStateImage(HDC dc, std::initializer_list<StateImage> byPrecedence, const UiString& normal) {
    const UiString* image = nullptr;
    for (const StateImage& entry : byPrecedence) {
        if ((m_buttonState & entry.state) != 0) {
            image = entry.image;
            break;
        }
    }
    if (image && !image->IsEmpty() && DrawImage(dc, image->GetData())) return;
    if (!normal.IsEmpty()) DrawImage(dc, normal.GetData());
}

void CButtonUI::UpdateStateBits() {
    m_buttonState = IsFocused() ? (m_buttonState | kButtonFocused) : (m_buttonState & ~kButtonFocused);
    m_buttonState = IsEnabled() ? (m_buttonState & ~kButtonDisabled) : (m_buttonState | kButtonDisabled);
    const HWND window = m_manager ? m_manager->GetPaintWindow() : nullptr;
    if (window && !::IsWindowEnabled(window)) m_buttonState &= kButtonDisabled | kButtonSelected;
}

void CButtonUI::PaintBkColor(HDC dc) {
    DWORD color = 0;
    if ((m_buttonState & kButtonDisabled) != 0) {
        color = m_disabledBkColor;
    } else if ((m_buttonState & kButtonPushed) != 0) {
        color = m_pushedBkColor;
    } else if ((m_buttonState & kButtonHot) != 0) {
        color = m_hotBkColor;
    }
    if (color != 0) {
        CUiRender::DrawColor(dc, m_paintRect, GetAdjustColor(color));
        return;
    }
    CLabelUI::PaintBkColor(dc);
}

void CButtonUI::PaintStatusImage(HDC dc) {
    FillStateImages(m_stateImage, m_stateCount, m_normalImage, m_hotImage, m_pushedImage, &m_disabledImage);
    UpdateStateBits();
    DrawStateImage(dc,
                   {{kButtonDisabled, &m_disabledImage},
                    {kButtonPushed, &m_pushedImage},
                    {kButtonHot, &m_hotImage},
                    {kButtonFocused, &m_focusedImage}},
                   m_normalImage);
}

void CButtonUI::PaintForeImage(HDC dc) {
    if ((m_buttonState & kButtonPushed) != 0) {
        if (!m_pushedForeImage.IsEmpty() && DrawImage(dc, m_pushedForeImage.GetData())) return;
    } else if ((m_buttonState & kButtonHot) != 0) {
        if (!m_hotForeImage.IsEmpty() && DrawImage(dc, m_hotForeImage.GetData())) return;
    }
    CLabelUI::PaintForeImage(dc);
}

void CButtonUI::PaintText(HDC dc) {
    UpdateStateBits();
    FillDefaultColors();
    const UiString text = GetText();
    if (text.IsEmpty()) return;

    const bool pushed = (m_buttonState & kButtonPushed) != 0;
    const bool hot = (m_buttonState & kButtonHot) != 0;
    const bool focused = (m_buttonState & kButtonFocused) != 0;
    DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
    if (pushed && m_pushedTextColor != 0) {
        color = m_pushedTextColor;
    } else if (hot && m_hotTextColor != 0) {
        color = m_hotTextColor;
    } else if (focused && m_focusedTextColor != 0) {
        color = m_focusedTextColor;
    }
    int font = m_font;
    if (pushed && m_pushedFont != -1) {
        font = m_pushedFont;
    } else if (hot && m_hotFont != -1) {
        font = m_hotFont;
    } else if (focused && m_focusedFont != -1) {
        font = m_focusedFont;
    }

    if (m_autoTextSize) {
        // Fixed width and padding are design units, as MeasureText's result.
        const SIZE measured = MeasureText(text.GetData(), font);
        if (measured.cx > 0) {
            const int width = measured.cx + m_textPadding.left + m_textPadding.right;
            if (width != m_fixedSize.cx) SetFixedWidth(width);
        }
    }
    DrawLabelText(dc, color, font);
}

}  // namespace Veneer
