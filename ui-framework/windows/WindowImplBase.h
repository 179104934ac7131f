#pragma once
// The standard skinned, borderless window: builds its skin when the native
// window is created, removes the system frame, drags by its caption rectangle
// and resizes by its size box through hit testing, keeps its rounded corners,
// and maps the buttons "closebtn", "minbtn", "maxbtn" and "restorebtn" to
// window commands.
#include <windows.h>

#include "core/CSkinResources.h"
#include "manager/CPaintManagerUI.h"
#include "windows/CAccessibleHost.h"
#include "windows/CDialogBuilder.h"
#include "windows/CNotifyPump.h"
#include "windows/CWindowWnd.h"

namespace Veneer {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override = default;

    // INotifyUI: every notification goes through the notification pump.
    void Notify(TUiNotify& msg) override;
    // IMessageFilterUI: Return answers 0 and Escape asks ResponseDefaultKeyEvent;
    // an Escape answered true presses the close control (then it is handled).
    LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // IDialogBuilderCallback: no controls of its own.
    CControlUI* CreateControl(const wchar_t* className) override;
    // IQueryControlText: no texts of its own.
    const wchar_t* QueryControlText(const wchar_t* id, const wchar_t* kind) override;

    CPaintManagerUI& GetPaintManager() { return m_manager; }

    // Whether a press on `control` drags the window: the control and every
    // ancestor must be a plain, non-interactive class.
    static bool IsInStaticControl(CControlUI* control);

protected:
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hwnd) override;
    const TNotifyTable* GetNotifyTable() const override;

    // Called once the skin's tree is attached.
    virtual void InitWindow() {}
    virtual void OnClick(TUiNotify& msg);
    // Empty: the skin file is a file name (or XML text); else a resource type
    // and the skin file a decimal resource id.
    virtual const wchar_t* GetSkinType() const { return L""; }
    virtual const wchar_t* GetSkinFile() const = 0;
    virtual const wchar_t* GetManagerName() const { return nullptr; }
    virtual bool ResponseDefaultKeyEvent(WPARAM key) { return key == VK_ESCAPE; }
    // The control that Escape and a system close (Alt+F4, the system menu)
    // press, so that they ask what its click asks; none: a system close
    // closes the window at once.
    virtual CControlUI* GetCloseControl() { return nullptr; }
    // Presses the close control when it is visible and enabled.
    bool PressCloseControl();

    // One handler per message; `handled` arrives true, a handler that clears it
    // lets the message go on to the paint manager and the default procedure.
    virtual LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcActivate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcCalcSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcPaint(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnGetMinMaxInfo(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseWheel(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnChar(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKillFocus(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSetFocus(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    // The current style without the caption bits.
    virtual LONG GetStyle();

    CPaintManagerUI m_manager;
    CAccessibleHost m_accessible{m_manager};  // screen readers' view of the window

private:
    // Shows the skin-failure box and ends the process with status 1.
    [[noreturn]] void OnSkinLoadFailed();
    // The standard buttons after the maximised state changed.
    void UpdateSystemButtons(bool maximised);
};

}  // namespace Veneer
