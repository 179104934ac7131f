#include "windows/ShadowParentHook.h"

#include <map>

#include "manager/CPaintManagerUI.h"

namespace Veneer {

namespace {

struct Subclass {
    IShadowParentHook* hook;  // null once unhooked while the window lives on
    WNDPROC previous;
};

std::map<HWND, Subclass>& Subclasses() {
    static std::map<HWND, Subclass> subclasses;
    return subclasses;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& subclasses = Subclasses();
    auto entry = subclasses.find(hwnd);
    if (entry == subclasses.end()) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    const Subclass subclass = entry->second;
    if (msg == WM_NCDESTROY) {
        subclasses.erase(entry);
        if (subclass.hook) subclass.hook->OnParentGone();
    } else if (subclass.hook && !subclass.hook->IsPassingThrough()) {
        GuardWindowProc(hwnd, msg, wParam, lParam, [&]() -> LRESULT {
            subclass.hook->OnParentMessage(hwnd, msg, wParam, lParam);
            return 0;
        });
    }
    return subclass.previous ? ::CallWindowProcW(subclass.previous, hwnd, msg, wParam, lParam)
                             : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

bool HookShadowParent(HWND parent, IShadowParentHook* hook) {
    auto& subclasses = Subclasses();
    if (!hook || !::IsWindow(parent) || subclasses.count(parent) != 0) return false;
    subclasses[parent] = Subclass{hook, nullptr};
    subclasses[parent].previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProc)));
    return true;
}

void UnhookShadowParent(HWND parent, IShadowParentHook* hook) {
    auto& subclasses = Subclasses();
    auto entry = subclasses.find(parent);
    if (entry == subclasses.end() || entry->second.hook != hook) return;
    if (::IsWindow(parent) && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(parent, GWLP_WNDPROC)) == &ParentProc) {
        ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->second.previous));
        subclasses.erase(entry);
    } else {
        entry->second.hook = nullptr;
    }
}

CShadowFollower::~CShadowFollower() { Detach(); }

void CShadowFollower::Detach() {
    if (m_parent) UnhookShadowParent(m_parent, this);
    m_parent = nullptr;
    m_status = 0;
    m_hwnd.Reset();
}

bool CShadowFollower::Follow(HWND parent, HWND shadow) {
    m_hwnd.Reset(shadow);
    if (!m_hwnd) return false;
    if (!HookShadowParent(parent, this)) {
        m_hwnd.Reset();  // the parent already has a shadow
        return false;
    }
    m_parent = parent;
    // The size a later WM_SIZE compares with: starting from zero would take the
    // first resize for growth and wait for a paint a shrinking window never gets.
    RECT client{};
    ::GetClientRect(parent, &client);
    m_lastSize = MAKELPARAM(client.right, client.bottom);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(parent, GWL_STYLE));
    m_status = kEnabled;
    if (style & WS_VISIBLE) {
        m_status |= kParentVisible;
        if (!(style & (WS_MINIMIZE | WS_MAXIMIZE))) {
            m_status |= kVisible;
            ::ShowWindow(m_hwnd.Get(), SW_SHOWNOACTIVATE);
            RenderShadow(parent);
        }
    }
    return true;
}

void CShadowFollower::OnParentShown() {
    if (!(m_status & kEnabled) || (m_status & kParentVisible)) return;
    m_updateNeeded = true;
    ::ShowWindow(m_hwnd.Get(), SW_SHOWNOACTIVATE);
    m_status |= kVisible | kParentVisible;
}

void CShadowFollower::OnParentHidden() {
    if (!(m_status & kEnabled)) return;
    ::ShowWindow(m_hwnd.Get(), SW_HIDE);
    m_status &= static_cast<BYTE>(~(kVisible | kParentVisible));
}

void CShadowFollower::OnParentGone() {
    m_parent = nullptr;
    m_status = 0;
}

void CShadowFollower::OnParentMessage(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND shadow = m_hwnd.Get();
    switch (msg) {
    case WM_MOVE:
        if (m_status & kVisible) MoveWithParent(parent);
        break;
    case WM_SIZE:
        if (!(m_status & kEnabled)) break;
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
            ::ShowWindow(shadow, SW_HIDE);
            m_status &= static_cast<BYTE>(~kVisible);
        } else if (m_status & kParentVisible) {
            // The visible flag comes first: a shadow may skip drawing while invisible.
            const bool wasHidden = !(m_status & kVisible);
            m_status |= kVisible;
            if (LOWORD(lParam) > LOWORD(m_lastSize) || HIWORD(lParam) > HIWORD(m_lastSize)) {
                m_updateNeeded = true;  // a growing window renders on its next paint
            } else {
                RenderShadow(parent);
            }
            if (wasHidden) ::ShowWindow(shadow, SW_SHOWNOACTIVATE);
        }
        m_lastSize = lParam;
        break;
    case WM_PAINT:
        if (m_updateNeeded) {
            m_updateNeeded = false;
            RenderShadow(parent);
        }
        break;
    case WM_EXITSIZEMOVE:
        if (m_status & kVisible) RenderShadow(parent);
        break;
    case WM_SHOWWINDOW:
        if (wParam) OnParentShown();
        else OnParentHidden();
        break;
    case WM_DESTROY:
        m_hwnd.Reset();
        break;
    default:
        OnOtherParentMessage(parent, msg, wParam, lParam);
        break;
    }
}

}  // namespace Veneer
