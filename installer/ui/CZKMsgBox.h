#pragma once
// The installer's own modal message box: a title, a wrapped message, an
// optional icon and up to two buttons, on a layered window with a shadow.
#include <windows.h>

#include "installer/ui/CZKObjectWnd.h"

namespace ZKInstaller {

enum class MsgBoxResult : int { Closed = 0, Ok = 1, Cancel = 2 };

class CZKMsgBox : public CZKObjectWnd {
public:
    CZKMsgBox();

    // Asks and waits: 1 for "okBtn", 2 for "cancelBtn", 0 for "closebtn" (and
    // the wParam of a system close, such as Alt+F4). An empty OK or Cancel
    // text hides that button; a null icon keeps the skin's.
    static int ShowModal(HWND owner, const wchar_t* windowTitle, const wchar_t* title, const wchar_t* message,
                         const wchar_t* okText, const wchar_t* cancelText, const wchar_t* icon, DWORD style,
                         DWORD exStyle, bool showClose);

protected:
    void InitWindow() override;
    void OnClick(Veneer::TUiNotify& msg) override;
    // Escape and Alt+F4 answer as the close button, else as Cancel, else as
    // the only button.
    Veneer::CControlUI* GetCloseControl() override;

private:
    int m_result = 0;
    // The asking code's answer; written by the click, which may come while
    // another box's loop runs (this box's own loop then learns nothing).
    int* m_answer = nullptr;
    Veneer::CControlUI* m_title = nullptr;
    Veneer::CControlUI* m_message = nullptr;
    Veneer::CControlUI* m_icon = nullptr;
    Veneer::CControlUI* m_close = nullptr;
    Veneer::CControlUI* m_ok = nullptr;
    Veneer::CControlUI* m_cancel = nullptr;
};

// The arguments every question of the installer uses.
constexpr DWORD kMsgBoxStyle = 0x10CC0000;  // visible, caption, system menu, thick frame
constexpr DWORD kMsgBoxExStyle = WS_EX_WINDOWEDGE;

}  // namespace ZKInstaller
