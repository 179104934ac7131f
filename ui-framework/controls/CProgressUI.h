#pragma once
// A bar showing value between min and max as the filled part of the
// foreground colour or image, horizontally from the left or vertically from
// the bottom, with an optional percentage text.
#include "controls/CLabelUI.h"

namespace Veneer {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintForeColor(HDC dc) override;
    void PaintForeImage(HDC dc) override;
    // With the text shown: the percentage, "%.0f%%".
    virtual void UpdateText();

    bool IsHorizontal() const { return m_horizontal; }
    void SetHorizontal(bool horizontal);
    bool IsStretchForeImage() const { return m_stretchForeImage; }
    void SetStretchForeImage(bool stretch);
    bool IsShowText() const { return m_showText; }
    void SetShowText(bool show);
    int GetMinValue() const { return m_min; }
    void SetMinValue(int min);
    int GetMaxValue() const { return m_max; }
    void SetMaxValue(int max);
    int GetValue() const { return m_value; }
    // A value outside min..max is ignored.
    void SetValue(int value);
    // The modifier of the last fore image drawn, in design units.
    const UiString& GetForeModifier() const { return m_foreModifier; }

private:
    // Repairs min >= max to max = min + 1 and brings value into min..max.
    void Normalize();

    bool m_showText = false;
    bool m_horizontal = true;
    bool m_stretchForeImage = true;
    int m_max = 100;
    int m_min = 0;
    int m_value = 0;
    UiString m_foreModifier;
};

}  // namespace Veneer
