#pragma once
// One native window bound to an object: class registration (plain or as a
// superclass of an existing class), creation, the window procedure that routes
// every message to HandleMessage, modal loops, centring and icons.
#include <windows.h>

#include "core/UiHandle.h"

namespace Veneer {

class CWindowWnd {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }

    // Registers the class (a superclass when GetSuperClassName names one) and
    // creates the window with this object bound to it. Null on failure.
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rect,
                HMENU menu = nullptr);
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = 0, int y = 0, int cx = 0,
                int cy = 0, HMENU menu = nullptr);
    // Binds an existing window to this object through the control procedure.
    HWND Subclass(HWND hwnd);
    void Unsubclass();

    // Hides, shows normally (taking focus) or shows without activating.
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window, disables its owner and pumps messages until the window
    // is gone; the wParam of the close message that ended it is the result.
    UINT ShowModal();
    // Posts a close message carrying `result`.
    void Close(UINT result = IDOK);
    void CenterWindow();
    // Client size in pixels; -1 keeps a dimension.
    void ResizeClient(int cx = -1, int cy = -1);
    void SetIcon(UINT resourceId);

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const { return nullptr; }
    virtual UINT GetClassStyle() const { return 0; }
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // After the native window is gone; a window made for one use frees itself
    // here. Not called for a window whose creation failed (WM_CREATE refused
    // it after WM_NCCREATE bound it): Create returned null and its caller
    // still owns the object.
    virtual void OnFinalMessage(HWND hwnd);

    bool RegisterWindowClass();
    bool RegisterSuperclass();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    WNDPROC m_previousProc = ::DefWindowProcW;
    bool m_subclassed = false;
    bool m_creating = false;  // inside CreateWindowExW

private:
    // The object bound to `hwnd` (window user data, or the "WndX" property for
    // subclassed controls) gets the message; binding on creation, unbinding
    // and the final message on destruction.
    static LRESULT Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool control);

    UiIcon m_bigIcon;  // kept for the window's life: the window never frees them
    UiIcon m_smallIcon;
};

}  // namespace Veneer
