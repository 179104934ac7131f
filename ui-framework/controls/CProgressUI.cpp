#include "controls/CProgressUI.h"

#include <climits>
#include <cstdint>
#include <cwchar>

#include "controls/UiAttributeTable.h"
#include "render/CUiRender.h"

namespace Veneer {

CProgressUI::CProgressUI() {
    m_textStyle = DT_CENTER | DT_SINGLELINE;
    m_fixedSize.cy = 12;
}

const wchar_t* CProgressUI::GetClass() const { return L"ProgressUI"; }

void* CProgressUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Progress") == 0) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
    if (m_horizontal == horizontal) return;
    m_horizontal = horizontal;
    Invalidate();
}

void CProgressUI::SetStretchForeImage(bool stretch) {
    if (m_stretchForeImage == stretch) return;
    m_stretchForeImage = stretch;
    Invalidate();
}

void CProgressUI::SetShowText(bool show) {
    if (m_showText == show) return;
    m_showText = show;
    UpdateText();
    Invalidate();
}

void CProgressUI::SetMinValue(int min) {
    if (m_min == min) return;
    m_min = min;
    UpdateText();
    Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
    if (m_max == max) return;
    m_max = max;
    UpdateText();
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    if (value == m_value || value < m_min || value > m_max) return;
    m_value = value;
    Invalidate();
    UpdateText();
    if (m_manager) m_manager->RaiseAccessibleEvent(UiAccessibleEvent::ValueChange, this);
}

void CProgressUI::UpdateText() {
    if (!m_showText || m_max <= m_min) return;
    UiString text;
    text.Format(L"%.0f%%", (static_cast<double>(m_value) - m_min) * 100.0 / (static_cast<double>(m_max) - m_min));
    SetText(text.GetData());
}

void CProgressUI::Normalize() {
    if (m_min >= m_max) {
        if (m_min == INT_MAX) m_min = INT_MAX - 1;  // max = min + 1 must still be an int
        m_max = m_min + 1;
    }
    if (m_value > m_max) m_value = m_max;
    if (m_value < m_min) m_value = m_min;
}

namespace {

// part * length / whole in 64 bits, rounded down: values are byte counts of
// millions and lengths hundreds of pixels, whose product overflows an int.
// The caller keeps 0 <= part <= whole, so the result lies in 0..length.
int ShareOf(int length, int64_t part, int64_t whole) {
    return static_cast<int>(static_cast<int64_t>(length) * part / whole);
}

using Row = TAttributeRow<CProgressUI>;

const Row kProgressAttributes[] = {
    {L"hor", BoolRow<CProgressUI, &CProgressUI::SetHorizontal>},
    {L"min", IntRow<CProgressUI, &CProgressUI::SetMinValue>},
    {L"max", IntRow<CProgressUI, &CProgressUI::SetMaxValue>},
    {L"value", IntRow<CProgressUI, &CProgressUI::SetValue>},
    {L"isstretchfore", BoolRow<CProgressUI, &CProgressUI::SetStretchForeImage>},
};

}  // namespace

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    static const TAttributeIndex<TAttributeRow<CProgressUI>> index(kProgressAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CLabelUI::SetAttribute(name, value);
}

// A vertical bar fills from the bottom, with the colour as with the image.
void CProgressUI::PaintForeColor(HDC dc) {
    Normalize();
    if (m_foreColor == 0) return;
    RECT rect = m_item;
    const int64_t range = static_cast<int64_t>(m_max) - m_min;
    if (m_horizontal) {
        rect.right = m_item.left + ShareOf(m_item.right - m_item.left, static_cast<int64_t>(m_value) - m_min, range);
    } else {
        rect.top = m_item.top + ShareOf(m_item.bottom - m_item.top, static_cast<int64_t>(m_max) - m_value, range);
    }
    CUiRender::DrawColor(dc, rect, GetAdjustColor(m_foreColor));
}

void CProgressUI::PaintForeImage(HDC dc) {
    Normalize();
    if (GetForeImage().IsEmpty() || !m_manager) return;
    const int width = m_item.right - m_item.left;
    const int height = m_item.bottom - m_item.top;
    const int64_t range = static_cast<int64_t>(m_max) - m_min;
    int right = width;
    int top = 0;
    if (m_horizontal) {
        right = ShareOf(width, static_cast<int64_t>(m_value) - m_min, range);
    } else {
        top = ShareOf(height, static_cast<int64_t>(m_max) - m_value, range);
    }
    // The modifier is parsed with the window's scale: pixels go back to
    // design units first.
    const CDpiScaler* dpi = m_manager->GetDPIObj();
    const int l = 0;
    const int t = dpi->ScaleBack(top);
    const int r = dpi->ScaleBack(right);
    const int b = dpi->ScaleBack(height);
    if (m_stretchForeImage) {
        m_foreModifier.Format(L"dest='%d,%d,%d,%d'", l, t, r, b);
    } else {
        m_foreModifier.Format(L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", l, t, r, b, l, t, r, b);
    }
    DrawImage(dc, GetForeImage().GetData(), m_foreModifier.GetData());
}

}  // namespace Veneer
