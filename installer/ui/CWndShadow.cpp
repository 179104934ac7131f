#include "installer/ui/CWndShadow.h"

namespace ZKInstaller {

using namespace Veneer;

namespace {

HINSTANCE g_instance = nullptr;
bool g_initialized = false;

}  // namespace

bool CWndShadow::Initialize(HINSTANCE instance) {
    if (g_initialized || !ShadowLayeringAvailable()) return false;
    g_instance = instance;
    RegisterShadowWindowClass(instance);
    g_initialized = true;
    return true;
}

CWndShadow::~CWndShadow() {
    if (m_parent) UnhookShadowParent(m_parent, this);
    m_parent = nullptr;
    m_hwnd.Reset();
}

void CWndShadow::Create(HWND parent) {
    if (!g_initialized || m_hwnd || !::IsWindow(parent)) return;
    m_hwnd.Reset(::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowWindowClass, nullptr,
                                   WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, parent, nullptr, g_instance,
                                   nullptr));
    if (!m_hwnd) return;
    if (!HookShadowParent(parent, this)) {
        m_hwnd.Reset();  // the parent already has a shadow
        return;
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
            Render(parent);
        }
    }
}

void CWndShadow::Render(HWND parent) {
    if (!m_hwnd || !DrawWindowShadow(parent, m_params, m_bitmap)) return;
    RECT rect{};
    ::GetWindowRect(parent, &rect);
    m_bitmap.Present(m_hwnd.Get(), ShadowOrigin(rect, m_params.xOffset, m_params.yOffset, m_params.size));
}

void CWndShadow::RenderIfVisible() {
    if (m_parent && (m_status & kVisible)) Render(m_parent);
}

void CWndShadow::MoveToParent(HWND parent) {
    RECT rect{};
    ::GetWindowRect(parent, &rect);
    const POINT origin = ShadowOrigin(rect, m_params.xOffset, m_params.yOffset, m_params.size);
    ::SetWindowPos(m_hwnd.Get(), nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWndShadow::OnParentGone() {
    m_parent = nullptr;
    m_status = 0;
}

void CWndShadow::OnParentMessage(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND shadow = m_hwnd.Get();
    switch (msg) {
    case WM_MOVE:
        if (m_status & kVisible) MoveToParent(parent);
        break;
    case WM_SIZE:
        if (!(m_status & kEnabled)) break;
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
            ::ShowWindow(shadow, SW_HIDE);
            m_status &= static_cast<BYTE>(~kVisible);
        } else if (m_status & kParentVisible) {
            if (LOWORD(lParam) > LOWORD(m_lastSize) || HIWORD(lParam) > HIWORD(m_lastSize)) {
                m_updateNeeded = true;  // a growing window renders on its next paint
            } else {
                Render(parent);
            }
            if (!(m_status & kVisible)) {
                ::ShowWindow(shadow, SW_SHOWNOACTIVATE);
                m_status |= kVisible;
            }
        }
        m_lastSize = lParam;
        break;
    case WM_PAINT:
        if (m_updateNeeded) {
            m_updateNeeded = false;
            Render(parent);
        }
        break;
    case WM_EXITSIZEMOVE:
        if (m_status & kVisible) Render(parent);
        break;
    case WM_SHOWWINDOW:
        if (!(m_status & kEnabled)) break;
        if (!wParam) {
            ::ShowWindow(shadow, SW_HIDE);
            m_status &= static_cast<BYTE>(~(kVisible | kParentVisible));
        } else if (!(m_status & kParentVisible)) {
            m_updateNeeded = true;
            ::ShowWindow(shadow, SW_SHOWNOACTIVATE);
            m_status |= kVisible | kParentVisible;
        }
        break;
    case WM_DESTROY:
        m_hwnd.Reset();
        break;
    default:
        break;
    }
}

bool CWndShadow::SetSize(int size) {
    if (size < -20 || size > 20) return false;
    m_params.size = size;
    RenderIfVisible();
    return true;
}

bool CWndShadow::SetSharpness(int sharpness) {
    if (sharpness < 0 || sharpness > 20) return false;
    m_params.sharpness = sharpness;
    RenderIfVisible();
    return true;
}

bool CWndShadow::SetDarkness(int darkness) {
    if (darkness < 0 || darkness > 255) return false;
    m_params.darkness = darkness;
    RenderIfVisible();
    return true;
}

bool CWndShadow::SetPosition(int x, int y) {
    if (x < -20 || x > 20 || y < -20 || y > 20) return false;
    m_params.xOffset = x;
    m_params.yOffset = y;
    RenderIfVisible();
    return true;
}

bool CWndShadow::SetColor(COLORREF color) {
    m_params.red = GetRValue(color);
    m_params.green = GetGValue(color);
    m_params.blue = GetBValue(color);
    RenderIfVisible();
    return true;
}

}  // namespace ZKInstaller
