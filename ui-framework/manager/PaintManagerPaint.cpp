// Painting: the layout pass, the off-screen bitmap, the layered (per-pixel
// alpha) path and printing into a given device context.
#include <windows.h>

#include "controls/CControlUI.h"
#include "core/UiPhaseClock.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"
#include "render/CUiRender.h"
#include "render/TImageSpec.h"
#include "render/UiBlend.h"

namespace Veneer {

namespace {

CControlUI* FindControlsFromUpdate(CControlUI* control, void* data) {
    if (!control->IsUpdateNeeded()) return nullptr;
    static_cast<UiControlList*>(data)->Add(control);
    return control;
}

}  // namespace

void CPaintManagerUI::LayoutPass(bool& laidOut, bool& endPaint) {
    const UiPhaseScope phase("layout");
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    if (m_updateNeeded) {
        m_updateNeeded = false;
        if (!::IsRectEmpty(&client) && !::IsIconic(m_hwnd)) {
            if (m_root->IsUpdateNeeded()) {
                // The whole tree is laid out again: the bitmaps follow the client size.
                m_offscreen.Reset();
                m_mask.Reset();
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
        m_offscreen.Clear(client);
        RECT rect = client;
        rect.left += m_layeredInset.left;
        rect.top += m_layeredInset.top;
        rect.right -= m_layeredInset.right;
        rect.bottom -= m_layeredInset.bottom;
        m_root->SetPos(rect, true);
    }
}

void CPaintManagerUI::PaintTree(HDC dc, const RECT& paintArea) {
    const UiPhaseScope phase("paint");
    if (m_root) m_root->Paint(dc, paintArea, nullptr);
    // Post-paint controls may remove themselves while painting.
    m_postPaintControls.ForEach([&](CControlUI* control) {
        control->DoPostPaint(dc, paintArea);
        return false;
    });
    PaintFocusRing(dc, paintArea);
}

void CPaintManagerUI::FixLayeredAlpha(const RECT& area) {
    const RECT clipped = m_offscreen.Clip(area);
    for (LONG y = clipped.top; y < clipped.bottom; ++y)
        MakeGdiPixelsOpaque(reinterpret_cast<DWORD*>(m_offscreen.PixelAt(clipped.left, y)),
                            clipped.right - clipped.left);
}

void CPaintManagerUI::ApplyLayeredMask(const RECT& area, const RECT& client) {
    const SIZE size{client.right - client.left, client.bottom - client.top};
    if (!m_mask.IsValid() || m_layeredChanged) {
        m_mask.Reset();
        if (!m_mask.Ensure(GetPaintDC(), size)) return;
        const TImageSpec* spec = GetDrawInfo(m_layeredImage);
        const TImageInfo* image =
            spec ? GetImageEx(spec->imageName, spec->resType.IsEmpty() ? nullptr : spec->resType.GetData(),
                              spec->mask)
                 : nullptr;
        if (image) {
            CUiRender::DrawImageRecord(m_mask.GetDC(), image, client, client, *spec, true);
            ::GdiFlush();
        }
    }
    // Each pixel takes the mask's alpha: its premultiplied colour is scaled by it.
    const RECT clipped = m_offscreen.Clip(m_mask.Clip(area));
    for (LONG y = clipped.top; y < clipped.bottom; ++y) {
        BYTE* pixel = m_offscreen.PixelAt(clipped.left, y);
        const BYTE* mask = m_mask.PixelAt(clipped.left, y);
        for (LONG x = clipped.left; x < clipped.right; ++x, pixel += 4, mask += 4) {
            const BYTE alpha = mask[3];
            pixel[0] = static_cast<BYTE>(pixel[0] * alpha / 255);
            pixel[1] = static_cast<BYTE>(pixel[1] * alpha / 255);
            pixel[2] = static_cast<BYTE>(pixel[2] * alpha / 255);
            pixel[3] = alpha;
        }
    }
}

void CPaintManagerUI::PresentLayered(const RECT& client, const RECT& dirty) {
    const UiPhaseScope phase("present");
    using UpdateLayeredFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    using UpdateLayeredIndirectFn = BOOL(WINAPI*)(HWND, const UPDATELAYEREDWINDOWINFO*);
    static const HMODULE user32 = ::GetModuleHandleW(L"User32.dll");
    static const auto updateLayered =
        reinterpret_cast<UpdateLayeredFn>(reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
    static const auto updateLayeredIndirect = reinterpret_cast<UpdateLayeredIndirectFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindowIndirect")));
    RECT window{};
    ::GetWindowRect(m_hwnd, &window);
    POINT dest{window.left, window.top};
    SIZE size{client.right - client.left, client.bottom - client.top};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, m_opacity, AC_SRC_ALPHA};
    // With the dirty rectangle the system copies only what changed: a hovered
    // button costs its own pixels, not the window's. A whole-window update
    // goes without one, the system's fastest path.
    if (updateLayeredIndirect) {
        const RECT* changed = ::EqualRect(&dirty, &client) ? nullptr : &dirty;
        const UPDATELAYEREDWINDOWINFO info{sizeof(info), nullptr, &dest,  &size,     m_offscreen.GetDC(),
                                           &source,      0,       &blend, ULW_ALPHA, changed};
        if (updateLayeredIndirect(m_hwnd, &info)) return;
    }
    if (updateLayered) updateLayered(m_hwnd, nullptr, &dest, &size, m_offscreen.GetDC(), &source, 0, &blend, ULW_ALPHA);
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
            ChangeFocus(target);
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

    const SIZE clientSize{client.right - client.left, client.bottom - client.top};
    if (m_offscreenPaint && m_offscreen.Ensure(GetPaintDC(), clientSize)) {
        HDC offscreen = m_offscreen.GetDC();
        if (m_layered) {
            // Nothing is drawn into the window itself, so validating is all
            // that BeginPaint would do here, at a fraction of its cost.
            ::ValidateRect(m_hwnd, nullptr);
            m_offscreen.Clear(paintArea);
            PaintTree(offscreen, paintArea);
            ::GdiFlush();
            if (m_layeredImage.IsEmpty()) {
                FixLayeredAlpha(paintArea);
            } else {
                ApplyLayeredMask(paintArea, client);
            }
            PresentLayered(client, paintArea);
            UiMarkMoment("first frame");
        } else {
            UiPaintDc paint(m_hwnd);
            PaintTree(offscreen, paintArea);
            ::GdiFlush();
            ::BitBlt(paint.Get(), paintArea.left, paintArea.top, paintArea.right - paintArea.left,
                     paintArea.bottom - paintArea.top, offscreen, paintArea.left, paintArea.top, SRCCOPY);
            UiMarkMoment("first frame");
            if (m_showUpdateRect) {
                UiSelectObject pen(paint.Get(), Shared().updatePen.Get());
                UiSelectObject brush(paint.Get(), ::GetStockObject(HOLLOW_BRUSH));
                ::Rectangle(paint.Get(), paintArea.left, paintArea.top, paintArea.right, paintArea.bottom);
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
