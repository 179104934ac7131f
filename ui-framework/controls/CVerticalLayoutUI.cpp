#include "controls/CVerticalLayoutUI.h"

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

const wchar_t* CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && m_sepHeight != 0) ? CTLFLAG_SETCURSOR : 0;
}

int CVerticalLayoutUI::GetSepHeight() const { return ScaleValue(m_sepHeight); }

void CVerticalLayoutUI::SetSepHeight(int height) { m_sepHeight = height; }

namespace {
const TAttributeRow<CVerticalLayoutUI> kVerticalAttributes[] = {
    {L"sepheight",
     [](CVerticalLayoutUI& c, const wchar_t* v) {
         c.SetSepHeight(ParseAttributeInt(v));
         return true;
     }},
    {L"sepimm",
     [](CVerticalLayoutUI& c, const wchar_t* v) {
         c.SetSepImmMode(ParseAttributeBool(v));
         return true;
     }},
};
}  // namespace

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    static const TAttributeIndex<TAttributeRow<CVerticalLayoutUI>> index(kVerticalAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    ArrangeInLine(false);
}

}  // namespace Veneer
