#include "controls/CCheckBoxUI.h"

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

const wchar_t* CCheckBoxUI::GetClass() const { return L"CheckBoxUI"; }

void* CCheckBoxUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"CheckBox") == 0) return this;
    return COptionUI::GetInterface(name);
}

void CCheckBoxUI::Selected(bool select, bool notify) { ApplySelected(select, notify, select ? 1 : 0); }

void CCheckBoxUI::DoEvent(TUiEvent& event) {
    if (IsMouseEventKind(event.kind) && !IsMouseEnabled()) {
        if (m_parent) m_parent->DoEvent(event);
        return;
    }
    // Auto-check toggles on the press itself; the press does not capture, so
    // its release sends no "click".
    const bool press = event.kind == UiEventKind::UIEVT_BUTTONDOWN || event.kind == UiEventKind::UIEVT_DBLCLICK;
    if (m_autoCheck && press && PtInRect(&m_item, event.mouse) && IsEnabled()) {
        SetCheck(!GetCheck());
        Invalidate();
        if (m_manager) m_manager->SendNotify(this, L"checkclick");
        return;
    }
    COptionUI::DoEvent(event);
}

void CCheckBoxUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    // The pair also goes on (and is kept as a custom attribute).
    if (name && _wcsicmp(name, L"EnableAutoCheck") == 0) m_autoCheck = ParseAttributeBool(value);
    COptionUI::SetAttribute(name, value);
}

}  // namespace Veneer
