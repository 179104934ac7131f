#include "windows/CShadowUI.h"

#include "render/CUiRender.h"

namespace Veneer {

namespace {

constexpr UINT kBehind = SWP_NOSIZE | SWP_NOACTIVATE;
constexpr UINT kRestackOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE;

}  // namespace

CShadowUI::CShadowUI() = default;

CShadowUI::~CShadowUI() { Detach(); }

void CShadowUI::Create(CPaintManagerUI* manager) {
    if (!m_showShadow || !manager || m_hwnd || !ShadowLayeringAvailable()) return;
    HWND parent = manager->GetPaintWindow();
    if (!parent || !::IsWindow(parent)) return;
    HINSTANCE instance = CPaintManagerUI::GetInstance();
    if (!instance) instance = ::GetModuleHandleW(nullptr);
    RegisterShadowWindowClass(instance);

    const auto parentStyle = static_cast<DWORD>(::GetWindowLongPtrW(parent, GWL_STYLE));
    m_manager = manager;  // drawing in image mode looks the image up through it
    if (!Follow(parent, ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowWindowClass, nullptr,
                                          (parentStyle & WS_CAPTION) | WS_POPUPWINDOW, 0, 0, 0, 0, parent, nullptr,
                                          instance, nullptr))) {
        m_manager = nullptr;
    }
}

void CShadowUI::Render() { RenderNow(); }

void CShadowUI::RenderShadow(HWND) { RenderNow(); }

// Size, offsets and image corners are design units of the window's scale.
int CShadowUI::Px(int value) const { return m_manager ? m_manager->GetDPIObj()->Scale(value) : value; }

void CShadowUI::RenderNow() {
    if (!m_showShadow || !(m_status & kVisible) || !m_hwnd || !m_parent) return;
    RECT parent{};
    if (!::GetWindowRect(m_parent, &parent)) return;
    POINT origin{};
    const int size = Px(m_size);
    if (m_useImage) {
        if (m_image.IsEmpty()) return;
        const int width = parent.right - parent.left + 2 * size;
        const int height = parent.bottom - parent.top + 2 * size;
        if (!m_bitmap.Prepare(width, height)) return;
        const TImageInfo* image = m_manager ? m_manager->GetImageEx(m_image.GetData()) : nullptr;
        if (image && image->bitmap) {
            // The image's corners stretch with the window's scale, so its clear
            // middle still starts where the window does.
            const RECT whole{0, 0, width, height};
            const RECT corner{Px(m_corner.left), Px(m_corner.top), Px(m_corner.right), Px(m_corner.bottom)};
            const double ratio = m_manager ? m_manager->GetDPIObj()->GetScale() / 100.0 : 1.0;
            CUiRender::DrawImage(m_bitmap.Dc(), image->bitmap, whole, whole, RECT{0, 0, image->width, image->height},
                                 corner, true, ratio, 255, false, false, false);
        }
        origin = ShadowOrigin(parent, 0, 0, size);
    } else {
        if (m_size == 0) return;
        ShadowParams params;
        params.size = size;
        params.sharpness = m_sharpness;
        params.darkness = m_darkness;
        params.xOffset = Px(m_xOffset);
        params.yOffset = Px(m_yOffset);
        params.red = static_cast<BYTE>(m_color >> 16);
        params.green = static_cast<BYTE>(m_color >> 8);
        params.blue = static_cast<BYTE>(m_color);
        if (!DrawWindowShadow(m_parent, params, m_bitmap)) return;
        origin = ShadowOrigin(parent, params.xOffset, params.yOffset, size);
    }
    m_bitmap.Present(m_hwnd.Get(), origin);
}

void CShadowUI::MoveWithParent(HWND parent) {
    RECT rect{};
    ::GetWindowRect(parent, &rect);
    const POINT origin =
        m_useImage ? ShadowOrigin(rect, 0, 0, Px(m_size)) : ShadowOrigin(rect, Px(m_xOffset), Px(m_yOffset), Px(m_size));
    ::SetWindowPos(m_hwnd.Get(), parent, origin.x, origin.y, 0, 0, kBehind);
}

void CShadowUI::Hide(bool hidden) {
    m_hidden = hidden;
    if (!m_hwnd || !m_parent) return;
    if (hidden) {
        ::ShowWindow(m_hwnd.Get(), SW_HIDE);
        m_status &= static_cast<BYTE>(~kVisible);
        return;
    }
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(m_parent, GWL_STYLE));
    m_status = kEnabled;
    if (style & WS_VISIBLE) {
        m_status |= kParentVisible;
        if (!(style & (WS_MINIMIZE | WS_MAXIMIZE))) {
            m_status |= kVisible;
            RenderNow();
            ::ShowWindow(m_hwnd.Get(), SW_SHOWNOACTIVATE);
        }
    }
}

void CShadowUI::OnOtherParentMessage(HWND parent, UINT msg, WPARAM, LPARAM lParam) {
    switch (msg) {
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos) {
            if ((pos->flags & SWP_SHOWWINDOW) && !(m_status & kParentVisible)) {
                OnParentShown();
            } else if (pos->flags & SWP_HIDEWINDOW) {
                OnParentHidden();
            }
        }
        if (m_status & kVisible) MoveWithParent(parent);
        break;
    }
    case WM_NCACTIVATE:
    case WM_ACTIVATEAPP:
        if (::IsWindowEnabled(parent)) ::SetWindowPos(m_hwnd.Get(), parent, 0, 0, 0, 0, kRestackOnly);
        break;
    default:
        break;
    }
}

bool CShadowUI::SetSize(int size) {
    if (size < -35 || size > 35) return false;
    m_size = size;
    RenderNow();
    return true;
}

bool CShadowUI::SetSharpness(int sharpness) {
    if (sharpness < 0 || sharpness > 35) return false;
    m_sharpness = sharpness;
    RenderNow();
    return true;
}

bool CShadowUI::SetDarkness(int darkness) {
    if (darkness < 0 || darkness > 255) return false;
    m_darkness = darkness;
    RenderNow();
    return true;
}

bool CShadowUI::SetPosition(int x, int y) {
    if (x < -35 || x > 35 || y < -35 || y > 35) return false;
    m_xOffset = x;
    m_yOffset = y;
    RenderNow();
    return true;
}

bool CShadowUI::SetColor(DWORD color) {
    m_color = color;
    RenderNow();
    return true;
}

bool CShadowUI::SetImage(const wchar_t* name) {
    if (!name) return false;
    m_useImage = true;
    m_image = name;
    RenderNow();
    return true;
}

bool CShadowUI::SetShadowCorner(RECT corner) {
    if (corner.left < 0 || corner.top < 0 || corner.right < 0 || corner.bottom < 0) return false;
    m_corner = corner;
    RenderNow();
    return true;
}

void CShadowUI::CopyShadow(CShadowUI* target) const {
    if (!target) return;
    if (m_useImage) {
        target->SetImage(m_image.GetData());
        target->SetShadowCorner(m_corner);
        target->SetSize(m_size);
    } else {
        target->SetSize(m_size);
        target->SetSharpness(m_sharpness);
        target->SetDarkness(m_darkness);
        target->SetColor(m_color);
        target->SetPosition(m_xOffset, m_yOffset);
    }
    target->ShowShadow(m_showShadow);
}

}  // namespace Veneer
