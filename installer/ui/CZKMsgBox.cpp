#include "installer/ui/CZKMsgBox.h"

#include <oleacc.h>

#include <memory>

#include "controls/CControlUI.h"
#include "windows/CShadowUI.h"

namespace ZKInstaller {

using Veneer::CControlUI;

CZKMsgBox::CZKMsgBox() : CZKObjectWnd(L"ZKMsgBox.xml", L"zkmsgbox") {}

int CZKMsgBox::ShowModal(HWND owner, const wchar_t* windowTitle, const wchar_t* title, const wchar_t* message,
                         const wchar_t* okText, const wchar_t* cancelText, const wchar_t* icon, DWORD style,
                         DWORD exStyle, bool showClose) {
    auto* box = new CZKMsgBox;
    if (!box->Create(owner, windowTitle, style, exStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                     CW_USEDEFAULT)) {
        delete box;  // no window, no final message
        return 0;
    }
    auto setText = [](CControlUI* control, const wchar_t* text) {
        if (control) control->SetText(text ? text : L"");
    };
    const bool hasOk = okText && *okText;
    const bool hasCancel = cancelText && *cancelText;
    if (box->m_ok) box->m_ok->SetVisible(hasOk);
    if (hasOk) setText(box->m_ok, okText);
    if (box->m_close) box->m_close->SetVisible(showClose);
    if (box->m_cancel) box->m_cancel->SetVisible(hasCancel);
    if (hasCancel) setText(box->m_cancel, cancelText);
    setText(box->m_title, title);
    setText(box->m_message, message);
    if (icon && box->m_icon) box->m_icon->SetBkImage(icon);
    // Enter answers the safer button: Cancel when there is one.
    box->m_manager.SetFocusTarget(hasCancel ? box->m_cancel : box->m_ok);
    box->Center();
    box->SetIcon(kProgramIconId);
    // The box frees itself when its window goes: the answer comes from the
    // click, else (a system close) from the loop.
    // A box below its owner could never be answered, the owner being
    // disabled: shown, raised and made the foreground window before its loop
    // (the owner may still be taking the activation a previous box gave back).
    box->ShowWindow(true, true);
    ::SetWindowPos(*box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(*box);
    int answer = -1;
    box->m_answer = &answer;
    const BoxOverOwner counted(owner);
    const int closed = static_cast<int>(box->CWindowWnd::ShowModal());
    return answer >= 0 ? answer : closed;
}

void CZKMsgBox::InitWindow() {
    m_manager.SetLayered(true);
    m_accessible.SetRole(ROLE_SYSTEM_DIALOG);
    // A nine-part shadow image around the box.
    auto shadow = std::make_unique<Veneer::CShadowUI>();
    shadow->SetImage(L"zk_appended\\shadow\\shadow_black.png");
    shadow->SetShadowCorner(RECT{38, 38, 38, 38});
    shadow->ShowShadow(true);
    shadow->SetSize(16);
    Veneer::CShadowUI* created = shadow.get();
    m_manager.SetShadow(std::move(shadow));
    created->Create(&m_manager);
    m_title = m_manager.FindControl(L"zk_txt_title");
    m_message = m_manager.FindControl(L"zk_txt_msg");
    m_icon = m_manager.FindControl(L"zk_lab_ico");
    m_close = m_manager.FindControl(L"closebtn");
    m_ok = m_manager.FindControl(L"okBtn");
    m_cancel = m_manager.FindControl(L"cancelBtn");
}

Veneer::CControlUI* CZKMsgBox::GetCloseControl() {
    for (CControlUI* control : {m_close, m_cancel}) {
        if (control && control->IsVisible()) return control;
    }
    return m_ok;
}

void CZKMsgBox::OnClick(Veneer::TUiNotify& msg) {
    if (!msg.sender) return;
    if (msg.sender == m_ok) {
        m_result = static_cast<int>(MsgBoxResult::Ok);
    } else if (msg.sender == m_cancel) {
        m_result = static_cast<int>(MsgBoxResult::Cancel);
    } else if (msg.sender != m_close) {
        return;
    }
    if (m_answer) *m_answer = m_result;
    Close(static_cast<UINT>(m_result));
}

}  // namespace ZKInstaller
