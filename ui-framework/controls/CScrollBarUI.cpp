#include "controls/CScrollBarUI.h"

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

CScrollBarUI::CScrollBarUI() { m_fixedSize.cx = kDefaultSize; }

const wchar_t* CScrollBarUI::GetClass() const { return L"ScrollBarUI"; }

void* CScrollBarUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"ScrollBar") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
    if (m_horizontal == horizontal) return;
    m_horizontal = horizontal;
    if (horizontal) {
        m_fixedSize = UiSize(0, kDefaultSize);
    } else {
        m_fixedSize = UiSize(kDefaultSize, 0);
    }
    NeedParentUpdate();
}

void CScrollBarUI::SetScrollRange(int range) {
    if (range < 0) range = 0;
    if (m_range == range) return;
    m_range = range;
    if (m_position > m_range) m_position = m_range;
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int position) {
    if (position < 0) position = 0;
    if (position > m_range) position = m_range;
    if (m_position == position) return;
    m_position = position;
    Invalidate();
}

int CScrollBarUI::GetLineSize() const { return ScaleValue(m_lineSize); }

void CScrollBarUI::SetLineSize(int size) {
    if (size > 0) m_lineSize = size;
}

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    if (_wcsicmp(name, L"hor") == 0) {
        SetHorizontal(ParseAttributeBool(value));
    } else if (_wcsicmp(name, L"range") == 0) {
        SetScrollRange(ParseAttributeInt(value));
    } else if (_wcsicmp(name, L"value") == 0) {
        SetScrollPos(ParseAttributeInt(value));
    } else if (_wcsicmp(name, L"linesize") == 0) {
        SetLineSize(ParseAttributeInt(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

}  // namespace Veneer
