#include "windows/AccessibleTree.h"

#include <oleacc.h>

#include "controls/COptionUI.h"
#include "controls/CProgressUI.h"
#include "controls/CTextUI.h"

namespace Veneer {

namespace {

CControlUI* CollectExposed(CControlUI* control, void* items) {
    if (AccessibleTree::IsExposed(control)) static_cast<UiPtrArray*>(items)->Add(control);
    return nullptr;
}

UiString OwnName(CControlUI* control) {
    UiString name = control->GetText();
    return name.IsEmpty() ? control->GetToolTip() : name;
}

COptionUI* AsOption(CControlUI* control) { return static_cast<COptionUI*>(control->GetInterface(L"Option")); }

bool IsLink(CControlUI* control) {
    auto* text = static_cast<CTextUI*>(control->GetInterface(L"Text"));
    return text && text->GetLinkCount() > 0;
}

}  // namespace

void AccessibleTree::Rebuild(CControlUI* root) {
    m_items.Empty();
    if (root) root->FindControl(CollectExposed, &m_items, FINDF_VISIBLE | FINDF_MEFIRST);
}

CControlUI* AccessibleTree::At(long childId) const {
    return childId >= 1 && childId <= Count() ? static_cast<CControlUI*>(m_items[childId - 1]) : nullptr;
}

bool AccessibleTree::IdOf(const CControlUI* control, long* childId) const {
    const int index = control ? m_items.Find(const_cast<CControlUI*>(control)) : -1;
    if (index < 0) return false;
    *childId = index + 1;
    return true;
}

UiString AccessibleTree::NameAt(long childId) const {
    CControlUI* control = At(childId);
    if (!control) return UiString();
    UiString name = OwnName(control);
    if (name.IsEmpty() && AsOption(control)) {
        CControlUI* next = At(childId + 1);
        if (next && next->GetParent() == control->GetParent()) name = OwnName(next);
    }
    return name;
}

bool AccessibleTree::HitTest(POINT pt, long* childId) const {
    for (long id = Count(); id >= 1; --id) {
        if (!PtInRect(&At(id)->GetPos(), pt)) continue;
        *childId = id;
        return true;
    }
    return false;
}

bool AccessibleTree::IsExposed(CControlUI* control) {
    if (control->GetInterface(L"Button") || control->GetInterface(L"Progress")) return true;
    return !control->GetText().IsEmpty() || !control->GetToolTip().IsEmpty();
}

LONG AccessibleTree::RoleOf(CControlUI* control) {
    if (control->GetInterface(L"Progress")) return ROLE_SYSTEM_PROGRESSBAR;
    if (control->GetInterface(L"CheckBox")) return ROLE_SYSTEM_CHECKBUTTON;
    // An option of a group is one choice of several; alone it is a tick box.
    if (COptionUI* option = AsOption(control)) {
        return option->GetGroup().IsEmpty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
    }
    if (control->GetInterface(L"Button")) return ROLE_SYSTEM_PUSHBUTTON;
    return IsLink(control) ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT;
}

LONG AccessibleTree::StateOf(CControlUI* control, bool focused) {
    LONG state = 0;
    if (!control->IsVisible()) state |= STATE_SYSTEM_INVISIBLE;
    if (!control->IsEnabled()) {
        state |= STATE_SYSTEM_UNAVAILABLE;
    } else if ((control->GetControlFlags() & CTLFLAG_TABSTOP) != 0) {
        state |= STATE_SYSTEM_FOCUSABLE;
    }
    if (focused) state |= STATE_SYSTEM_FOCUSED;
    COptionUI* option = AsOption(control);
    if (option && option->IsSelected()) state |= STATE_SYSTEM_CHECKED;
    const LONG role = RoleOf(control);
    if (role == ROLE_SYSTEM_STATICTEXT || role == ROLE_SYSTEM_PROGRESSBAR) state |= STATE_SYSTEM_READONLY;
    if (role == ROLE_SYSTEM_LINK) state |= STATE_SYSTEM_LINKED;
    return state;
}

UiString AccessibleTree::ValueOf(CControlUI* control) {
    UiString value;
    auto* progress = static_cast<CProgressUI*>(control->GetInterface(L"Progress"));
    if (!progress) return value;
    // The bar keeps min < max and min <= value <= max; rounded to the nearest percent.
    const long long range = static_cast<long long>(progress->GetMaxValue()) - progress->GetMinValue();
    const long long done = static_cast<long long>(progress->GetValue()) - progress->GetMinValue();
    value.SmallFormat(L"%d%%", static_cast<int>(range > 0 ? (done * 200 + range) / (range * 2) : 0));
    return value;
}

const wchar_t* AccessibleTree::DefaultActionOf(CControlUI* control) {
    switch (RoleOf(control)) {
        case ROLE_SYSTEM_PUSHBUTTON:
            return L"Press";
        case ROLE_SYSTEM_CHECKBUTTON:
            return AsOption(control)->IsSelected() ? L"Uncheck" : L"Check";
        case ROLE_SYSTEM_RADIOBUTTON:
            return L"Check";
        case ROLE_SYSTEM_LINK:
            return L"Jump";
        default:
            return nullptr;
    }
}

bool AccessibleTree::DoDefaultAction(CControlUI* control) {
    if (!control->IsVisible() || !control->IsEnabled()) return false;
    if (IsLink(control)) {
        if (CPaintManagerUI* manager = control->GetManager()) manager->SendNotify(control, L"link", 0);
        return true;
    }
    return control->GetInterface(L"Button") && control->Activate();
}

}  // namespace Veneer
