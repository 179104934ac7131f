#pragma once
// An option whose "selectchanged" carries the new state in wParam and which,
// with auto-check, toggles as soon as it is pressed ("checkclick") instead
// of on release.
#include "controls/COptionUI.h"

namespace Veneer {

class CCheckBoxUI : public COptionUI {
public:
    CCheckBoxUI() = default;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void DoEvent(TUiEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Selected(bool select, bool notify = true) override;

    void SetCheck(bool check) { Selected(check, true); }
    bool GetCheck() const { return IsSelected(); }
    bool IsAutoCheck() const { return m_autoCheck; }
    void SetAutoCheck(bool autoCheck) { m_autoCheck = autoCheck; }

private:
    bool m_autoCheck = false;
};

}  // namespace Veneer
