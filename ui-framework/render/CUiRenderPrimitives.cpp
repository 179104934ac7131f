// Colour fills, gradients and outlines. Fills and outlines go through GDI+ so
// that colour alpha is honoured and rounded shapes are anti-aliased.
#include <algorithm>

#include <objidl.h>
#include <gdiplus.h>

#include "render/CUiRender.h"
#include "render/UiBlend.h"
#include "render/UiMsimg32.h"

namespace Veneer {

namespace {

bool g_directFill = true;

// Fills `rects` straight into the 32-bit DIB selected into `dc`, through its
// clip and origins. False, with nothing drawn, when the DC is not such a
// target (no DIB, world transform, other mapping mode): GDI+ draws then.
// Every GDI+ call costs about as much as a small fill itself, and skins fill
// dozens of small translucent blocks and borders per paint.
bool FillDirect(HDC dc, const Gdiplus::Rect* rects, int count, DWORD color) {
    if (!g_directFill) return false;
    ::GdiFlush();  // pending GDI output must land before we touch the bits
    UiBlendTarget target;
    if (!target.Attach(dc)) return false;
    for (int i = 0; i < count; ++i) {
        const Gdiplus::Rect& r = rects[i];
        target.Fill(RECT{r.X, r.Y, r.X + r.Width, r.Y + r.Height}, color);
    }
    return true;
}

Gdiplus::Color ArgbColor(DWORD color) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(color)); }

BYTE Channel(DWORD color, int shift) { return static_cast<BYTE>((color >> shift) & 0xFF); }

// The gradient into `dc` over `rect`: GradientFill when msimg32 has it, else
// bands. Vertex alpha is opaque: the colour alphas act only through the
// constant alpha of the caller.
void PaintGradient(HDC dc, const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) {
    const UiMsimg32& msimg = UiMsimg32::Get();
    if (!msimg.gradientFill) {
        CUiRender::DrawGradientBands(dc, rect, color1, color2, vertical, steps);
        return;
    }
    TRIVERTEX vertices[2] = {};
    const DWORD colors[2] = {color1, color2};
    vertices[0].x = rect.left;
    vertices[0].y = rect.top;
    vertices[1].x = rect.right;
    vertices[1].y = rect.bottom;
    for (int i = 0; i < 2; ++i) {
        vertices[i].Red = static_cast<COLOR16>(Channel(colors[i], 16) << 8);
        vertices[i].Green = static_cast<COLOR16>(Channel(colors[i], 8) << 8);
        vertices[i].Blue = static_cast<COLOR16>(Channel(colors[i], 0) << 8);
        vertices[i].Alpha = 0xFF00;
    }
    GRADIENT_RECT gradient{0, 1};
    msimg.gradientFill(dc, vertices, 2, &gradient, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

}  // namespace

void CUiRender::DrawColor(HDC dc, const RECT& rect, DWORD color) {
    if (!dc || color <= 0x00FFFFFF) return;
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    const Gdiplus::Rect area(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (FillDirect(dc, &area, 1, color)) return;
    Gdiplus::Graphics graphics(dc);
    Gdiplus::SolidBrush brush(ArgbColor(color));
    graphics.FillRectangle(&brush, area);
}

void CUiRender::SetDirectFillEnabled(bool enabled) { g_directFill = enabled; }

int CUiRender::GradientBandCount(int steps) {
    int shift = 1;
    if (steps > 3) shift = 2;
    if (steps > 7) shift = 3;
    if (steps >= 16) shift = 4;
    if (steps >= 32) shift = 5;
    if (steps >= 64) shift = 6;
    return 1 << shift;
}

void CUiRender::DrawGradientBands(HDC dc, const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) {
    if (!dc) return;
    const int count = GradientBandCount(steps);
    int shift = 0;
    while ((1 << shift) < count) ++shift;
    const int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
    if (length <= 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
    // Band i is counted from the bottom (right): i = 0 is color2.
    for (int i = 0; i < count; ++i) {
        const int from = length - length * (i + 1) / count;  // offset of the band's top (left) edge
        const int to = length - length * i / count;
        if (to <= from) continue;
        auto mix = [&](int channelShift) {
            return static_cast<BYTE>((Channel(color2, channelShift) * (count - i) + Channel(color1, channelShift) * i) >>
                                     shift);
        };
        UiBrush brush(::CreateSolidBrush(RGB(mix(16), mix(8), mix(0))));
        RECT band = rect;
        if (vertical) {
            band.top = rect.top + from;
            band.bottom = rect.top + to;
        } else {
            band.left = rect.left + from;
            band.right = rect.left + to;
        }
        ::FillRect(dc, &band, brush.Get());
    }
}

void CUiRender::DrawGradient(HDC dc, const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) {
    if (!dc) return;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    const DWORD alpha = ((color1 >> 24) + (color2 >> 24)) / 2;
    if (alpha == 0) return;
    if (alpha == 255) {
        PaintGradient(dc, rect, color1, color2, vertical, steps);
        return;
    }
    // Translucent: paint off-screen, make it opaque, blend with constant alpha.
    void* bits = nullptr;
    UiBitmap bitmap(CreateTopDownDib(dc, width, height, &bits));
    if (!bitmap || !bits) return;
    UiMemoryDc memory(dc);
    if (!memory) return;
    memory.Select(bitmap.Get());
    PaintGradient(memory.Get(), RECT{0, 0, width, height}, color1, color2, vertical, steps);
    ::GdiFlush();
    DWORD* pixel = static_cast<DWORD*>(bits);
    for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i)
        pixel[i] |= 0xFF000000;
    RememberTopDownBitmap(bitmap.Get());
    AlphaBlendAny(dc, rect.left, rect.top, width, height, memory.Get(), 0, 0, width, height,
                  BLENDFUNCTION{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0});
    memory.Select(nullptr);
    ForgetBitmap(bitmap.Get());
}

void CUiRender::DrawLine(HDC dc, const RECT& rect, int /*size*/, DWORD color, int /*style*/) {
    if (!dc) return;
    Gdiplus::Graphics graphics(dc);
    Gdiplus::Pen pen(ArgbColor(color), 1.0f);
    pen.SetAlignment(Gdiplus::PenAlignmentInset);
    graphics.DrawLine(&pen, static_cast<INT>(rect.left), static_cast<INT>(rect.top), static_cast<INT>(rect.right),
                      static_cast<INT>(rect.bottom));
}

void CUiRender::DrawRect(HDC dc, const RECT& rect, int size, DWORD color, int /*style*/) {
    if (!dc || size <= 0) return;
    const INT width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 1 || height <= 1) return;
    // Four bands filled inside the rectangle: exact at every width, and no pixel
    // is covered twice, so a translucent outline blends once everywhere. (An
    // inset-aligned pen is not honoured by every graphics library build and
    // would centre wider outlines on the edge.)
    const INT top = std::min<INT>(size, height);
    const INT bottom = std::min<INT>(size, height - top);
    const INT left = std::min<INT>(size, width);
    const INT right = std::min<INT>(size, width - left);
    const INT inner = height - top - bottom;
    const INT x = rect.left, y = rect.top;
    Gdiplus::Rect bands[4];
    int count = 0;
    bands[count++] = Gdiplus::Rect(x, y, width, top);
    if (bottom > 0) bands[count++] = Gdiplus::Rect(x, y + height - bottom, width, bottom);
    if (inner > 0) {
        bands[count++] = Gdiplus::Rect(x, y + top, left, inner);
        if (right > 0) bands[count++] = Gdiplus::Rect(x + width - right, y + top, right, inner);
    }
    if (color <= 0x00FFFFFF) return;  // alpha 0 leaves every pixel as it is
    if (FillDirect(dc, bands, count, color)) return;
    // One call: every drawing call of the graphics library costs about as much
    // as a small fill itself.
    Gdiplus::Graphics graphics(dc);
    Gdiplus::SolidBrush brush(ArgbColor(color));
    graphics.FillRectangles(&brush, bands, count);
}

void CUiRender::DrawRoundRect(HDC dc, const RECT& rect, int size, int width, int /*height*/, DWORD color,
                              int style) {
    if (!dc || size <= 0) return;
    const INT x = rect.left, y = rect.top;
    const INT w = rect.right - rect.left - 1, h = rect.bottom - rect.top - 1;
    if (w <= 0 || h <= 0) return;
    // Arcs of diameter 0 make no path; arcs wider than the shape cross over.
    const INT r = std::min<INT>(width / 2, std::min(w, h) / 2);
    if (r <= 0) {
        DrawRect(dc, rect, size, color, style);
        return;
    }
    const INT d = 2 * r;
    Gdiplus::GraphicsPath path;
    path.AddLine(x + r, y, x + w - r, y);
    path.AddArc(x + w - d, y, d, d, 270, 90);
    path.AddLine(x + w, y + r, x + w, y + h - r);
    path.AddArc(x + w - d, y + h - d, d, d, 0, 90);
    path.AddLine(x + w - r, y + h, x + r, y + h);
    path.AddArc(x, y + h - d, d, d, 90, 90);
    path.AddLine(x, y + h - r, x, y + r);
    path.AddArc(x, y, d, d, 180, 90);
    path.CloseFigure();

    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Pen pen(ArgbColor(color), static_cast<Gdiplus::REAL>(size));
    pen.SetAlignment(Gdiplus::PenAlignmentInset);
    graphics.DrawPath(&pen, &path);
}

}  // namespace Veneer
