#pragma once
// A line (or block) of text with alignment, padding, colours and a font of the
// paint manager's font table. Text padding is stored in design units and
// scaled when used; colours are 0xAARRGGBB, 0 meaning the window's default.
#include "controls/CControlUI.h"

namespace Veneer {

// Text style the label starts with: DT_VCENTER | DT_SINGLELINE.
constexpr UINT kLabelDefaultTextStyle = DT_VCENTER | DT_SINGLELINE;

class CLabelUI : public CControlUI {
public:
    CLabelUI() = default;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    virtual bool IsAutoCalcWidth() const { return m_autoCalcWidth; }
    virtual void SetAutoCalcWidth(bool autoCalc);
    virtual bool IsAutoCalcHeight() const { return m_autoCalcHeight; }
    virtual void SetAutoCalcHeight(bool autoCalc);

    void SetText(const wchar_t* text) override;
    void DoEvent(TUiEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC dc) override;

    UINT GetTextStyle() const { return m_textStyle; }
    void SetTextStyle(UINT style);
    DWORD GetTextColor() const { return m_textColor; }
    void SetTextColor(DWORD color);
    DWORD GetDisabledTextColor() const { return m_disabledTextColor; }
    void SetDisabledTextColor(DWORD color);
    int GetFont() const { return m_font; }
    void SetFont(int index);
    RECT GetTextPadding() const;  // pixels
    void SetTextPadding(RECT padding);  // design units
    bool IsShowHtml() const { return m_showHtml; }
    // The markup is not interpreted: such text is drawn as plain text.
    void SetShowHtml(bool showHtml);

protected:
    // Replaces colours of 0 by the window's defaults (kept).
    void FillDefaultColors();
    // The label's text inside the item less the text padding; nothing for an
    // empty text.
    void DrawLabelText(HDC dc, DWORD color, int font);
    // The text measured with DT_CALCRECT inside `rect` (pixels).
    RECT MeasureTextRect(RECT rect, UINT style);

    DWORD m_textColor = 0;
    DWORD m_disabledTextColor = 0;
    int m_font = -1;
    UINT m_textStyle = kLabelDefaultTextStyle;
    UiRect m_textPadding;  // design units
    bool m_showHtml = false;
    bool m_autoCalcWidth = false;
    bool m_autoCalcHeight = false;
    UiSize m_lastAvailable;
    UiSize m_estimated;
    bool m_needEstimate = false;
};

// The grammar of "align" and "valign": the words are found as case-sensitive
// substrings and applied in a fixed order to `style`.
UINT ApplyTextAlign(const wchar_t* value, UINT style);
UINT ApplyTextVAlign(const wchar_t* value, UINT style);

}  // namespace Veneer
