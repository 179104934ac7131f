#pragma once
// One visible page at a time. The first visible child added becomes the
// selection; every other page is hidden. Selecting a page lays it out, moves
// the focus into it and notifies "tabselect" (wParam new index, lParam old).
// A page that is left frees the decoded images only it draws.
#include "controls/CContainerUI.h"

namespace Veneer {

class CTabLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    // The selection follows the selected page when pages are reordered.
    bool SetItemIndex(CControlUI* control, int index) override;

    int GetCurSel() const { return m_curSel; }
    virtual bool SelectItem(int index);
    virtual bool SelectItem(CControlUI* control);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;

protected:
    const void* ChildImagePage() const override;

private:
    int m_curSel = -1;  // -1: nothing selected
};

}  // namespace Veneer
