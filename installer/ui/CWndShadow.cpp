#include "installer/ui/CWndShadow.h"

#include "core/UiPhaseClock.h"

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

CWndShadow::~CWndShadow() { Detach(); }

void CWndShadow::Create(HWND parent) {
    if (!g_initialized || m_hwnd || !::IsWindow(parent)) return;
    const Veneer::UiPhaseScope phase("shadow");
    Follow(parent, ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowWindowClass, nullptr,
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, parent, nullptr, g_instance,
                                     nullptr));
}

Veneer::ShadowParams CWndShadow::Drawn() const {
    Veneer::ShadowParams drawn = m_params;
    drawn.size = ::MulDiv(m_params.size, m_scale, 100);
    drawn.xOffset = ::MulDiv(m_params.xOffset, m_scale, 100);
    drawn.yOffset = ::MulDiv(m_params.yOffset, m_scale, 100);
    return drawn;
}

void CWndShadow::SetScale(int percent) {
    if (percent <= 0 || percent == m_scale) return;
    m_scale = percent;
    RenderIfVisible();
}

void CWndShadow::RenderShadow(HWND parent) {
    const Veneer::UiPhaseScope phase("shadow");
    const Veneer::ShadowParams drawn = Drawn();
    if (!m_hwnd || !DrawWindowShadow(parent, drawn, m_bitmap)) return;
    RECT rect{};
    ::GetWindowRect(parent, &rect);
    m_bitmap.Present(m_hwnd.Get(), ShadowOrigin(rect, drawn.xOffset, drawn.yOffset, drawn.size));
    // The system keeps what was presented; holding the window-sized image
    // as well would cost its size in memory for the window's whole life.
    m_bitmap.Release();
}

bool CWndShadow::DrawImage(Veneer::CShadowBitmap& bitmap) const {
    const HWND parent = GetParentWindow();
    return parent && DrawWindowShadow(parent, Drawn(), bitmap);
}

void CWndShadow::RenderIfVisible() {
    if (m_parent && (m_status & kVisible)) RenderShadow(m_parent);
}

void CWndShadow::MoveWithParent(HWND parent) {
    RECT rect{};
    ::GetWindowRect(parent, &rect);
    const Veneer::ShadowParams drawn = Drawn();
    const POINT origin = ShadowOrigin(rect, drawn.xOffset, drawn.yOffset, drawn.size);
    ::SetWindowPos(m_hwnd.Get(), nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
