#pragma once
// A button with a selected state. Alone it toggles on each click; in a named
// group (kept by the paint manager while the option is attached) selecting
// it deselects the others, like a radio button. The selected state is
// mirrored in the kButtonSelected bit of the button state.
#include "controls/CButtonUI.h"

namespace Veneer {

class COptionUI : public CButtonUI {
public:
    COptionUI() = default;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    bool Activate() override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    virtual const UiString& GetSelectedStateImage() const { return m_selectedStateImage; }
    // Also empties the selected image, so the parts are generated again.
    virtual void SetSelectedStateImage(const wchar_t* descriptor);
    // Nothing when unchanged. Selecting an option of a group deselects the
    // others silently; "selectchanged" goes out for this option when `notify`,
    // except for an option of a group that was deselected.
    virtual void Selected(bool select, bool notify = true);

    void PaintBkColor(HDC dc) override;
    void PaintStatusImage(HDC dc) override;
    void PaintForeImage(HDC dc) override;
    void PaintText(HDC dc) override;

    bool IsSelected() const { return m_selected; }
    const UiString& GetGroup() const { return m_group; }
    // Null clears the group. A selected option that joins a group deselects
    // the other members.
    void SetGroup(const wchar_t* name);
    void SetSelectedFont(int index);
    void SetSelectedBkColor(DWORD color);
    void SetSelectedTextColor(DWORD color);
    void SetSelectedHotTextColor(DWORD color);
    void SetSelectedPushedTextColor(DWORD color);
    void SetSelectedImage(const wchar_t* descriptor);
    void SetSelectedHotImage(const wchar_t* descriptor);
    void SetSelectedPushedImage(const wchar_t* descriptor);
    void SetSelectedDisabledImage(const wchar_t* descriptor);
    void SetSelectedForeImage(const wchar_t* descriptor);
    void SetSelectedStateCount(int count);

protected:
    // Selected() with the wParam of its "selectchanged".
    void ApplySelected(bool select, bool notify, WPARAM changedParam);
    // Deselects every other member of the group, without notifications.
    void DeselectOthers(bool notify);

    bool m_selected = false;
    UiString m_group;
    int m_selectedFont = -1;
    DWORD m_selectedBkColor = 0;
    DWORD m_selectedTextColor = 0;
    DWORD m_selectedHotTextColor = 0;
    DWORD m_selectedPushedTextColor = 0;
    UiString m_selectedImage;
    UiString m_selectedHotImage;
    UiString m_selectedPushedImage;
    UiString m_selectedDisabledImage;
    UiString m_selectedForeImage;
    int m_selectedStateCount = 0;
    UiString m_selectedStateImage;
};

}  // namespace Veneer
