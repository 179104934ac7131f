// Painting: the layout pass, the off-screen bitmap, the layered (per-pixel
// alpha) path and printing into a given device context.
#include <windows.h>

#include <cstring>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

namespace {

CControlUI* FindControlsFromUpdate(CControlUI* control, void* data) {
    if (!control->IsUpdateNeeded()) return nullptr;
    static_cast<UiControlList*>(data)->Add(control);
    return control;
}

// Pixel rows of a top-down 32-bit bitmap `width` pixels wide.
inline BYTE* PixelAt(BYTE* bits, int width, int x, int y) {
    return bits + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
}

}  // namespace

void CPaintManagerUI::DropOffscreen() {
    m_offscreenBitmap.Reset();
    m_offscreenDc.Reset();
    m_offscreenBits = nullptr;
    m_offscreenSize = SIZE{};
    m_maskBitmap.Reset();
    m_maskDc.Reset();
    m_maskBits = nullptr;
}

bool CPaintManagerUI::EnsureOffscreen(const RECT& client) {
    const SIZE size{client.right - client.left, client.bottom - client.top};
    if (size.cx <= 0 || size.cy <= 0) return false;
    if (m_offscreenDc && m_offscreenBitmap && size.cx == m_offscreenSize.cx && size.cy == m_offscreenSize.cy) {
        return true;
    }
    DropOffscreen();
    void* bits = nullptr;
    m_offscreenDc.Reset(::CreateCompatibleDC(GetPaintDC()));
    m_offscreenBitmap.Reset(CreateTopDownDib(GetPaintDC(), size.cx, size.cy, &bits));
    if (!m_offscreenDc || !m_offscreenBitmap || !bits) {
        DropOffscreen();
        return false;
    }
    m_offscreenBits = static_cast<BYTE*>(bits);
    m_offscreenSize = size;
    return true;
}

void CPaintManagerUI::LayoutPass(bool& laidOut, bool& endPaint) {
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    if (m_updateNeeded) {
        m_updateNeeded = false;
        if (!::IsRectEmpty(&client) && !::IsIconic(m_hwnd)) {
            if (m_root->IsUpdateNeeded()) {
                // The whole tree is laid out again: the bitmaps follow the client size.
                DropOffscreen();
                RECT rect = client;
                if (m_layered) {
                    rect.left += m_layeredInset.left;
                    rect.top += m_layeredInset.top;
                    rect.right -= m_layeredInset.right;
                    rect.bottom -= m_layeredInset.bottom;
                }
                m_root->SetPos(rect, true);
            } else {
                // Pass 1 collects the dirty subtrees, pass 2 lays each out again;
                // a control destroyed by an earlier one's layout leaves the list.
                m_scratch.Clear();
                m_root->FindControl(FindControlsFromUpdate, &m_scratch,
                                    FINDF_VISIBLE | FINDF_MEFIRST | FINDF_UPDATETEST);
                const UiWalk walk = m_scratch.ForEach([](CControlUI* control) {
                    control->Relayout();
                    return false;
                });
                if (walk == UiWalk::OwnerGone) return;
                m_scratch.Clear();
            }
            laidOut = true;
            if (m_firstLayout) {
                m_firstLayout = false;
                SendNotify(m_root, L"windowinit", 0, 0, false);
                if (m_layered && m_layeredChanged) {
                    Invalidate();
                    endPaint = true;
                    return;
                }
                if (m_shadow) m_shadow->Render();
            }
        }
    } else if (m_layered && m_layeredChanged) {
        // Inset or mask changed without a layout request: start from transparent
        // pixels and place the root inside the new inset.
        if (m_offscreenBits) {
            std::memset(m_offscreenBits, 0,
                        static_cast<size_t>(m_offscreenSize.cx) * static_cast<size_t>(m_offscreenSize.cy) * 4);
        }
        RECT rect = client;
        rect.left += m_layeredInset.left;
        rect.top += m_layeredInset.top;
        rect.right -= m_layeredInset.right;
        rect.bottom -= m_layeredInset.bottom;
        m_root->SetPos(rect, true);
    }
}

void CPaintManagerUI::PaintTree(HDC dc, const RECT& paintArea) {
    if (m_root) m_root->Paint(dc, paintArea, nullptr);
    // Post-paint controls may remove themselves while painting.
    m_postPaintControls.ForEach([&](CControlUI* control) {
        control->DoPostPaint(dc, paintArea);
        return false;
    });
}

void CPaintManagerUI::FixLayeredAlpha(const RECT& area) {
    // GDI drawing leaves alpha 0 behind: a coloured pixel with alpha 0 was drawn
    // by GDI and is opaque; a black one with alpha 0 stays transparent.
    for (int y = area.top; y < area.bottom; ++y) {
        BYTE* pixel = PixelAt(m_offscreenBits, m_offscreenSize.cx, area.left, y);
        for (int x = area.left; x < area.right; ++x, pixel += 4) {
            if (pixel[3] == 0 && (pixel[0] | pixel[1] | pixel[2]) != 0) pixel[3] = 255;
        }
    }
}

void CPaintManagerUI::PresentLayered(const RECT& client) {
    using UpdateLayeredFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    static const auto updateLayered = reinterpret_cast<UpdateLayeredFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"User32.dll"), "UpdateLayeredWindow")));
    if (!updateLayered) return;
    RECT window{};
    ::GetWindowRect(m_hwnd, &window);
    POINT dest{window.left, window.top};
    SIZE size{client.right - client.left, client.bottom - client.top};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, m_opacity, AC_SRC_ALPHA};
    updateLayered(m_hwnd, nullptr, &dest, &size, m_offscreenDc.Get(), &source, 0, &blend, ULW_ALPHA);
}

bool CPaintManagerUI::OnPaint() {
    if (!m_root) {
        UiPaintDc paint(m_hwnd);
        UiBrush black(::CreateSolidBrush(RGB(0, 0, 0)));
        ::FillRect(paint.Get(), &paint.Info().rcPaint, black.Get());
        return true;
    }

    RECT paintArea{};
    if (!::GetUpdateRect(m_hwnd, &paintArea, FALSE)) return true;

    if (m_focusNeeded) {
        if (m_focusTarget) {
            CControlUI* target = m_focusTarget;
            m_focusTarget = nullptr;
            m_focusNeeded = false;
            SetFocus(target);
        } else {
            SetNextTabControl(true);
        }
    }

    m_painting = true;
    bool laidOut = false;
    bool endPaint = false;
    LayoutPass(laidOut, endPaint);
    if (endPaint) {
        m_painting = false;
        return true;
    }

    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    if (m_layered) {
        LONG exStyle = ::GetWindowLongW(m_hwnd, GWL_EXSTYLE);
        if (m_layeredAttributes) {
            // Attributes from an earlier opacity would make UpdateLayeredWindow
            // fail: setting the style anew clears them.
            exStyle &= ~WS_EX_LAYERED;
            ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, exStyle);
            m_layeredAttributes = false;
        }
        if ((exStyle & WS_EX_LAYERED) == 0) ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        m_offscreenPaint = true;
        ::UnionRect(&paintArea, &paintArea, &m_layeredUpdate);
        ::IntersectRect(&paintArea, &paintArea, &client);
        m_layeredUpdate = RECT{};
    }

    if (m_offscreenPaint && EnsureOffscreen(client)) {
        UiPaintDc paint(m_hwnd);
        HDC offscreen = m_offscreenDc.Get();
        {
            UiSelectObject select(offscreen, m_offscreenBitmap.Get());
            if (m_layered) {
                ::GdiFlush();
                for (int y = paintArea.top; y < paintArea.bottom; ++y) {
                    std::memset(PixelAt(m_offscreenBits, m_offscreenSize.cx, paintArea.left, y), 0,
                                static_cast<size_t>(paintArea.right - paintArea.left) * 4);
                }
            }
            PaintTree(offscreen, paintArea);
            ::GdiFlush();
            if (m_layered) {
                if (m_layeredImage.IsEmpty()) {
                    FixLayeredAlpha(paintArea);
                } else {
                    ApplyLayeredMask(paintArea, client);
                }
                PresentLayered(client);
            } else {
                ::BitBlt(paint.Get(), paintArea.left, paintArea.top, paintArea.right - paintArea.left,
                         paintArea.bottom - paintArea.top, offscreen, paintArea.left, paintArea.top, SRCCOPY);
                if (m_showUpdateRect) {
                    UiSelectObject pen(paint.Get(), Shared().updatePen.Get());
                    UiSelectObject brush(paint.Get(), ::GetStockObject(HOLLOW_BRUSH));
                    ::Rectangle(paint.Get(), paintArea.left, paintArea.top, paintArea.right, paintArea.bottom);
                }
            }
        }
    } else {
        UiPaintDc paint(m_hwnd);
        PaintTree(paint.Get(), paintArea);
    }

    m_painting = false;
    m_layeredChanged = false;
    // A layout requested while painting, or focus that waited for this
    // layout (its invalidation was swallowed by BeginPaint), needs another paint.
    if (m_updateNeeded || m_focusNeeded) Invalidate();
    if (laidOut) SendNotify(m_root, L"windowsize", 0, 0, true);
    return true;
}

void CPaintManagerUI::OnPrintClient(HDC dc, LPARAM flags) {
    if (!m_root || !dc) return;
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    const int saved = ::SaveDC(dc);
    m_root->Paint(dc, client, nullptr);
    ::RestoreDC(dc, saved);
    if ((flags & PRF_CHILDREN) == 0) return;
    for (HWND child = ::GetWindow(m_hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) continue;
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
        POINT origin{};
        ::SetWindowOrgEx(dc, -rect.left, -rect.top, &origin);
        ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                       PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        ::SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    }
}

}  // namespace Veneer
