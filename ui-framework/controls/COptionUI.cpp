#include "controls/COptionUI.h"

#include <cwchar>

#include "controls/UiAttributeTable.h"
#include "render/CUiRender.h"

namespace Veneer {

namespace {

bool AssignText(UiString& field, const wchar_t* value) {
    if (field == (value ? value : L"")) return false;
    field = value;
    return true;
}

template <typename T>
bool Assign(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

}  // namespace

const wchar_t* COptionUI::GetClass() const { return L"OptionUI"; }

void* COptionUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Option") == 0) return this;
    return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    // Group membership lives in the manager: moving to another window leaves
    // the old window's group.
    if (m_manager && m_manager != manager && !m_group.IsEmpty()) m_manager->RemoveOptionGroup(m_group.GetData(), this);
    CButtonUI::SetManager(manager, parent, init);
    if (!init || !m_manager || m_group.IsEmpty()) return;
    m_manager->AddOptionGroup(m_group.GetData(), this);
    // A tree built apart from its window (from a skin) may carry several
    // selected members of a group; as when selected in place, the one that
    // joins last stays the group's one selected member.
    if (m_selected) DeselectOthers(false);
}

void COptionUI::SetGroup(const wchar_t* name) {
    if (!name) {
        if (m_group.IsEmpty()) return;
        name = L"";
    } else if (m_group == name) {
        return;
    }
    if (m_manager && !m_group.IsEmpty()) m_manager->RemoveOptionGroup(m_group.GetData(), this);
    m_group = name;
    if (m_manager && !m_group.IsEmpty()) m_manager->AddOptionGroup(m_group.GetData(), this);
    // A selected option that joins a group is its one selected member.
    if (m_selected && m_manager && !m_group.IsEmpty()) DeselectOthers(true);
}

void COptionUI::DeselectOthers(bool notify) {
    const UiControlList* members = m_manager ? m_manager->GetOptionGroup(m_group.GetData()) : nullptr;
    if (!members) return;
    for (CControlUI* member : members->Snapshot()) {
        if (member == this) continue;
        auto* option = static_cast<COptionUI*>(member->GetInterface(L"Option"));
        if (option) option->Selected(false, notify);
    }
}

void COptionUI::Selected(bool select, bool notify) { ApplySelected(select, notify, 0); }

void COptionUI::ApplySelected(bool select, bool notify, WPARAM changedParam) {
    if (select == m_selected) return;
    m_selected = select;
    m_buttonState = select ? (m_buttonState | kButtonSelected) : (m_buttonState & ~kButtonSelected);
    Invalidate();
    if (!m_manager) return;
    m_manager->RaiseAccessibleEvent(UiAccessibleEvent::StateChange, this);
    if (!m_group.IsEmpty()) {
        // A member deselected for another one tells nobody: the newly selected
        // option carries the one notification of the change.
        if (!m_selected) return;
        DeselectOthers(notify);
    }
    // Last: a listener may destroy this option.
    if (notify) m_manager->SendNotify(this, L"selectchanged", changedParam);
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    Selected(m_group.IsEmpty() ? !m_selected : true, true);
    return true;
}

void COptionUI::SetSelectedStateImage(const wchar_t* descriptor) {
    if (!AssignText(m_selectedStateImage, descriptor)) return;
    m_selectedImage.Empty();
    Invalidate();
}
void COptionUI::SetSelectedFont(int index) {
    if (Assign(m_selectedFont, index)) Invalidate();
}
void COptionUI::SetSelectedBkColor(DWORD color) {
    if (Assign(m_selectedBkColor, color)) Invalidate();
}
void COptionUI::SetSelectedTextColor(DWORD color) {
    if (Assign(m_selectedTextColor, color)) Invalidate();
}
void COptionUI::SetSelectedHotTextColor(DWORD color) {
    if (Assign(m_selectedHotTextColor, color)) Invalidate();
}
void COptionUI::SetSelectedPushedTextColor(DWORD color) {
    if (Assign(m_selectedPushedTextColor, color)) Invalidate();
}
void COptionUI::SetSelectedImage(const wchar_t* descriptor) {
    if (AssignText(m_selectedImage, descriptor)) Invalidate();
}
void COptionUI::SetSelectedHotImage(const wchar_t* descriptor) {
    if (AssignText(m_selectedHotImage, descriptor)) Invalidate();
}
void COptionUI::SetSelectedPushedImage(const wchar_t* descriptor) {
    if (AssignText(m_selectedPushedImage, descriptor)) Invalidate();
}
void COptionUI::SetSelectedDisabledImage(const wchar_t* descriptor) {
    if (AssignText(m_selectedDisabledImage, descriptor)) Invalidate();
}
void COptionUI::SetSelectedForeImage(const wchar_t* descriptor) {
    if (AssignText(m_selectedForeImage, descriptor)) Invalidate();
}
void COptionUI::SetSelectedStateCount(int count) {
    if (Assign(m_selectedStateCount, count)) Invalidate();
}

namespace {

using Row = TAttributeRow<COptionUI>;

const Row kOptionAttributes[] = {
    {L"group", TextRow<COptionUI, &COptionUI::SetGroup>},
    {L"selected",
     [](COptionUI& c, const wchar_t* v) {
         c.Selected(ParseAttributeBool(v), true);
         return true;
     }},
    {L"selectedimage", TextRow<COptionUI, &COptionUI::SetSelectedImage>},
    {L"selectedhotimage", TextRow<COptionUI, &COptionUI::SetSelectedHotImage>},
    {L"selectedpushedimage", TextRow<COptionUI, &COptionUI::SetSelectedPushedImage>},
    {L"selecteddisableimage", TextRow<COptionUI, &COptionUI::SetSelectedDisabledImage>},
    {L"selectedforeimage", TextRow<COptionUI, &COptionUI::SetSelectedForeImage>},
    {L"selectedstateimage",
     [](COptionUI& c, const wchar_t* v) {
         c.SetSelectedStateImage(v);
         return true;
     }},
    {L"selectedstatecount", IntRow<COptionUI, &COptionUI::SetSelectedStateCount>},
    {L"selectedbkcolor", ColorRow<COptionUI, &COptionUI::SetSelectedBkColor>},
    {L"selectedtextcolor", ColorRow<COptionUI, &COptionUI::SetSelectedTextColor>},
    {L"selectedhottextcolor", ColorRow<COptionUI, &COptionUI::SetSelectedHotTextColor>},
    {L"selectedpushedtextcolor", ColorRow<COptionUI, &COptionUI::SetSelectedPushedTextColor>},
    {L"selectedfont", IntRow<COptionUI, &COptionUI::SetSelectedFont>},
};

}  // namespace

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    static const TAttributeIndex<TAttributeRow<COptionUI>> index(kOptionAttributes);
    if (ApplyAttributeRow(index, *this, name, value)) return;
    CButtonUI::SetAttribute(name, value);
}

// An option that is not selected paints exactly as a button.

void COptionUI::PaintBkColor(HDC dc) {
    if (!m_selected) {
        CButtonUI::PaintBkColor(dc);
        return;
    }
    if (m_selectedBkColor != 0) CUiRender::DrawColor(dc, m_paintRect, GetAdjustColor(m_selectedBkColor));
}

void COptionUI::PaintStatusImage(HDC dc) {
    if (!m_selected) {
        CButtonUI::PaintStatusImage(dc);
        return;
    }
    // The selected state image has no disabled part.
    FillStateImages(m_selectedStateImage, m_selectedStateCount, m_selectedImage, m_selectedHotImage,
                    m_selectedPushedImage, nullptr);
    UpdateStateBits();
    // Unlike the button, pushed and hot win over disabled here.
    DrawStateImage(dc,
                   {{kButtonPushed, &m_selectedPushedImage},
                    {kButtonHot, &m_selectedHotImage},
                    {kButtonDisabled, &m_selectedDisabledImage}},
                   m_selectedImage);
}

void COptionUI::PaintForeImage(HDC dc) {
    if (m_selected && !m_selectedForeImage.IsEmpty() && DrawImage(dc, m_selectedForeImage.GetData())) return;
    CButtonUI::PaintForeImage(dc);
}

void COptionUI::PaintText(HDC dc) {
    if (!m_selected) {
        CButtonUI::PaintText(dc);
        return;
    }
    UpdateStateBits();
    const DWORD savedTextColor = m_textColor;
    if ((m_buttonState & kButtonSelected) != 0 && m_selectedTextColor != 0) m_textColor = m_selectedTextColor;
    if ((m_buttonState & kButtonPushed) != 0 && !m_selectedPushedImage.IsEmpty()) {
        if (m_selectedPushedTextColor != 0) m_textColor = m_selectedPushedTextColor;
    } else if ((m_buttonState & kButtonHot) != 0 && !m_selectedHotImage.IsEmpty()) {
        if (m_selectedHotTextColor != 0) m_textColor = m_selectedHotTextColor;
    }
    FillDefaultColors();
    DrawLabelText(dc, IsEnabled() ? m_textColor : m_disabledTextColor,
                  m_selectedFont != -1 ? m_selectedFont : m_font);
    m_textColor = savedTextColor;
}

}  // namespace Veneer
