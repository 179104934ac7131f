// DPI changes of a window: scaler, DPI-dependent assets, window size.
#include <windows.h>

#include <cstdlib>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

void CPaintManagerUI::ResetDpiAssets(bool sharedToo) {
    // Parsed descriptors carry scaled rectangles and chosen image variants;
    // the window's own images are reloaded (and their variants searched again)
    // on next use.
    RemoveAllDrawInfos();
    FreeWindowImages();

    // Every font is created again at the new scale: height -Scale(size).
    auto rebuild = [this](const wchar_t*, TFontInfo& info) { BuildFont(info, true); };
    m_fonts.ForEach(rebuild);
    if (!m_defaultFont.faceName.IsEmpty()) BuildFont(m_defaultFont, true);
    if (!sharedToo) return;
    PaintManagerShared& shared = Shared();
    shared.fonts.ForEach(rebuild);
    BuildFont(shared.defaultFont, true);
}

void CPaintManagerUI::SetDPI(int dpi) {
    const int oldScale = m_dpi.GetScale();
    m_dpi.SetScale(dpi);
    const int newScale = m_dpi.GetScale();
    ResetDpiAssets(true);

    if (m_hwnd && !::IsZoomed(m_hwnd) && oldScale > 0) {
        RECT rect{};
        ::GetWindowRect(m_hwnd, &rect);
        const int width = (rect.right - rect.left) * newScale / oldScale;
        const int height = (rect.bottom - rect.top) * newScale / oldScale;
        // SetWindowPos places a child window in its parent's client coordinates.
        HWND parent = ::GetParent(m_hwnd);
        if (parent && (::GetWindowLongW(m_hwnd, GWL_STYLE) & WS_CHILD) != 0) {
            ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        }
        ::SetWindowPos(m_hwnd, nullptr, rect.left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_root) m_root->NeedUpdate();
    if (m_hwnd) ::PostMessageW(m_hwnd, kDpiChangedMessage, 0, 0);
}

bool CPaintManagerUI::ScaledSizeForDpi(int dpi, SIZE* size) const {
    if (!size || dpi <= 0 || !m_hwnd || m_initSize.cx <= 0 || m_initSize.cy <= 0 || ::IsZoomed(m_hwnd)) return false;
    // The sizing rule of a window opened at a scale: the design size times
    // the percent, cut.
    auto sized = [this](int percent) { return SIZE{m_initSize.cx * percent / 100, m_initSize.cy * percent / 100}; };
    RECT rect{};
    ::GetWindowRect(m_hwnd, &rect);
    // Within a pixel: a size set at this scale rounds where an opened window cuts.
    const SIZE now = sized(m_dpi.GetScale());
    if (std::abs(rect.right - rect.left - now.cx) > 1 || std::abs(rect.bottom - rect.top - now.cy) > 1) {
        return false;  // resized by the user
    }
    *size = sized(::MulDiv(dpi, 100, 96));
    return true;
}

void CPaintManagerUI::OnDpiChanged(int dpi, const RECT* suggested) {
    if (dpi <= 0 || dpi == m_dpi.GetDPI()) return;
    m_dpi.SetScale(dpi);
    // Only this window moved: the process-wide fonts stay as the other
    // windows use them, and the default font becomes this window's own at
    // its new scale.
    if (m_defaultFont.faceName.IsEmpty()) {
        const TFontInfo& shared = Shared().defaultFont;
        m_defaultFont.faceName = shared.faceName;
        m_defaultFont.size = shared.size;
        m_defaultFont.bold = shared.bold;
        m_defaultFont.underline = shared.underline;
        m_defaultFont.italic = shared.italic;
        // An empty face is the system's: BuildFont names it, which makes
        // the record the window's own.
        if (m_defaultFont.faceName.IsEmpty()) BuildFont(m_defaultFont, true);
    }
    ResetDpiAssets(false);
    // The system's rectangle keeps the window under the pointer when it is
    // dragged across monitors; a size of our own would make it jump back.
    if (m_hwnd && suggested) {
        ::SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_root) m_root->NeedUpdate();
    if (m_shadow) m_shadow->Render();
    if (m_hwnd) {
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
        ::PostMessageW(m_hwnd, kDpiChangedMessage, 0, 0);
    }
}

}  // namespace Veneer
