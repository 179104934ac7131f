#include "controls/CHorizontalLayoutUI.h"

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

const wchar_t* CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && m_sepWidth != 0) ? CTLFLAG_SETCURSOR : 0;
}

int CHorizontalLayoutUI::GetSepWidth() const { return ScaleValue(m_sepWidth); }

void CHorizontalLayoutUI::SetSepWidth(int width) { m_sepWidth = width; }

namespace {
const TAttributeRow<CHorizontalLayoutUI> kHorizontalAttributes[] = {
    {L"sepwidth",
     [](CHorizontalLayoutUI& c, const wchar_t* v) {
         c.SetSepWidth(ParseAttributeInt(v));
         return true;
     }},
    {L"sepimm",
     [](CHorizontalLayoutUI& c, const wchar_t* v) {
         c.SetSepImmMode(ParseAttributeBool(v));
         return true;
     }},
};
}  // namespace

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    static const TAttributeIndex<TAttributeRow<CHorizontalLayoutUI>> index(kHorizontalAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CContainerUI::SetAttribute(name, value);
}

void CHorizontalLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    ArrangeInLine(true);
}

}  // namespace Veneer
