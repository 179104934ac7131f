#include "windows/CWindowWnd.h"

#include <algorithm>

#include "core/UiPhaseClock.h"
#include "manager/CPaintManagerUI.h"

namespace Veneer {

namespace {
constexpr wchar_t kControlProperty[] = L"WndX";

bool RegisteredOrExists(ATOM atom) { return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS; }
}  // namespace

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSW wc{};
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::WindowProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    return RegisteredOrExists(::RegisterClassW(&wc));
}

bool CWindowWnd::RegisterSuperclass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    HINSTANCE instance = CPaintManagerUI::GetInstance();
    // System classes first, then the program's own.
    if (!::GetClassInfoExW(nullptr, GetSuperClassName(), &wc) &&
        !::GetClassInfoExW(instance, GetSuperClassName(), &wc)) {
        return false;
    }
    m_previousProc = wc.lpfnWndProc;
    wc.lpfnWndProc = &CWindowWnd::ControlProc;
    wc.hInstance = instance;
    wc.lpszClassName = GetWindowClassName();
    return RegisteredOrExists(::RegisterClassExW(&wc));
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rect, HMENU menu) {
    return Create(parent, name, style, exStyle, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                  menu);
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU menu) {
    const UiPhaseScope phase("create");
    const bool registered = GetSuperClassName() ? RegisterSuperclass() : RegisterWindowClass();
    if (!registered) return nullptr;
    m_creating = true;
    const HWND created = ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                                           CPaintManagerUI::GetInstance(), this);
    m_creating = false;
    m_hwnd = created;
    return m_hwnd;
}

HWND CWindowWnd::Subclass(HWND hwnd) {
    if (!::IsWindow(hwnd)) return nullptr;
    ::SetPropW(hwnd, kControlProperty, this);
    m_previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowWnd::ControlProc)));
    m_hwnd = hwnd;
    m_subclassed = true;
    return hwnd;
}

void CWindowWnd::Unsubclass() {
    if (!m_subclassed) return;
    if (::IsWindow(m_hwnd)) {
        ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
        ::RemovePropW(m_hwnd, kControlProperty);
    }
    m_previousProc = ::DefWindowProcW;
    m_subclassed = false;
    m_hwnd = nullptr;
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return GuardWindowProc(hwnd, msg, wParam, lParam, [&] { return Route(hwnd, msg, wParam, lParam, false); });
}

LRESULT CALLBACK CWindowWnd::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return GuardWindowProc(hwnd, msg, wParam, lParam, [&] { return Route(hwnd, msg, wParam, lParam, true); });
}

LRESULT CWindowWnd::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool control) {
    CWindowWnd* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWindowWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->m_hwnd = hwnd;
            if (control) {
                ::SetPropW(hwnd, kControlProperty, self);
            } else {
                ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            }
        }
    } else if (control) {
        self = static_cast<CWindowWnd*>(::GetPropW(hwnd, kControlProperty));
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = ::CallWindowProcW(self->m_previousProc, hwnd, msg, wParam, lParam);
        if (control) {
            ::RemovePropW(hwnd, kControlProperty);
        } else {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        if (self->m_subclassed) self->Unsubclass();
        self->m_hwnd = nullptr;
        // A window that never finished its creation stays its creator's to free.
        if (!self->m_creating) self->OnFinalMessage(hwnd);  // may free the object
        return result;
    }
    return self->HandleMessage(msg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_previousProc, m_hwnd, msg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!::IsWindow(m_hwnd)) return;
    ::ShowWindow(m_hwnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    // The object may free itself when its window goes: only locals after that.
    HWND self = m_hwnd;
    if (!::IsWindow(self)) return 0;
    HWND owner = ::GetWindow(self, GW_OWNER);
    ::ShowWindow(self, SW_SHOWNORMAL);
    if (owner) ::EnableWindow(owner, FALSE);
    UINT result = 0;
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg{};
    while (::IsWindow(self)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (msg.message == WM_CLOSE && msg.hwnd == self) {
            result = static_cast<UINT>(msg.wParam);
            if (owner) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    // The quit belongs to the outer loop too.
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

void CWindowWnd::Close(UINT result) {
    if (::IsWindow(m_hwnd)) ::PostMessageW(m_hwnd, WM_CLOSE, result, 0);
}

void CWindowWnd::CenterWindow() {
    if (!::IsWindow(m_hwnd)) return;
    RECT window{};
    ::GetWindowRect(m_hwnd, &window);
    HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    RECT center = work;
    if (owner) ::GetWindowRect(owner, &center);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = (center.left + center.right) / 2 - width / 2;
    LONG y = (center.top + center.bottom) / 2 - height / 2;
    // Inside the work area; when larger than it, the left and top edges win.
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    ::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (!::IsWindow(m_hwnd)) return;
    RECT rect{};
    if (!::GetClientRect(m_hwnd, &rect)) return;
    if (cx != -1) rect.right = cx;
    if (cy != -1) rect.bottom = cy;
    const DWORD style = static_cast<DWORD>(::GetWindowLongW(m_hwnd, GWL_STYLE));
    const bool menu = (style & WS_CHILD) == 0 && ::GetMenu(m_hwnd) != nullptr;
    if (!::AdjustWindowRectEx(&rect, style, menu, static_cast<DWORD>(::GetWindowLongW(m_hwnd, GWL_EXSTYLE)))) {
        return;
    }
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
    if (!::IsWindow(m_hwnd)) return;
    const UiPhaseScope phase("icon");
    // The system's large icon size, rounded up to whole 16-pixel steps.
    const int cx = (::GetSystemMetrics(SM_CXICON) + 15) & ~15;
    const int cy = (::GetSystemMetrics(SM_CYICON) + 15) & ~15;
    HINSTANCE instance = CPaintManagerUI::GetInstance();
    m_bigIcon.Reset(static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)));
    m_smallIcon.Reset(static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)));
    if (m_bigIcon) ::SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    if (m_smallIcon) ::SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hwnd, msg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hwnd, msg, wParam, lParam);
}

}  // namespace Veneer
