#pragma once
// Our own source-over blend for 32-bit pixel buffers. Its arithmetic and its
// nearest-neighbour stretch reproduce msimg32's AlphaBlend (as implemented by
// Wine) bit for bit for premultiplied sources, so it can stand in for
// AlphaBlend wherever both surfaces are DIBs whose bits we can reach. It skips
// the per-call overhead of the system routine (which dominates when many
// small images are drawn) and the arithmetic for opaque and transparent
// pixels.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace Veneer {

// A 32-bit BGRA surface seen top row first.
struct UiPixels32 {
    BYTE* top = nullptr;   // first byte of the top row
    int width = 0;         // pixels
    int height = 0;        // pixels
    ptrdiff_t stride = 0;  // bytes from one row to the row below; negative for bottom-up DIBs

    DWORD* Row(int y) const { return reinterpret_cast<DWORD*>(top + static_cast<ptrdiff_t>(y) * stride); }
    bool IsValid() const { return top != nullptr && width > 0 && height > 0; }
};

// The pixels of a 32-bit uncompressed DIB section (BI_RGB, or BI_BITFIELDS
// with the usual masks) that is not selected into a DC. False for
// device-dependent bitmaps and other depths. The orientation is probed once
// per bitmap and remembered.
bool GetBitmapPixels(HBITMAP bitmap, UiPixels32* pixels);
// Bitmaps whose orientation is known from their creation (the image loader's
// are top-down) skip the probe; deleted bitmaps should be forgotten.
void RememberTopDownBitmap(HBITMAP bitmap);
void ForgetBitmap(HBITMAP bitmap);

// Where a blend into a DC may write directly: the DC's 32-bit DIB, the
// offset from logical to device coordinates and the clip as device
// rectangles. Fails for DCs with a world transform, another mapping mode, a
// mirrored layout or a meta region, and when no DIB is selected.
class UiBlendTarget {
public:
    bool Attach(HDC dc);
    const UiPixels32& Pixels() const { return m_pixels; }
    POINT Offset() const { return m_offset; }
    // Blends `srcRect` of `src` over the logical rectangle `dstRect`.
    bool Blend(const RECT& dstRect, const UiPixels32& src, const RECT& srcRect, BYTE constantAlpha,
               bool perPixelAlpha) const;
    // Fills the logical rectangle `rect` with the 0xAARRGGBB colour `color`.
    bool Fill(const RECT& rect, DWORD color) const;

private:
    UiPixels32 m_pixels;
    POINT m_offset{};           // device = logical + offset
    std::vector<RECT> m_clip;   // device rectangles inside the surface
};

// Source position (0-based, relative to the source start) that AlphaBlend
// samples for destination position `index` when stretching `srcLength`
// pixels over `dstLength`. Enlarging follows one rule on both axes;
// shrinking rounds columns and rows differently.
int StretchSourceIndex(int index, int srcLength, int dstLength, bool vertical);

// Blends `srcRect` of `src` over `dstRect` of `dst` (both surface
// coordinates), writing only inside `clip` and the surface. `perPixelAlpha`
// is AC_SRC_ALPHA (premultiplied source); without it every channel is mixed
// by the constant alpha alone. False, with nothing written, when a rectangle
// is empty or `srcRect` leaves the source (AlphaBlend fails the same way).
bool BlendPixels(const UiPixels32& dst, const RECT& dstRect, const UiPixels32& src, const RECT& srcRect,
                 BYTE constantAlpha, bool perPixelAlpha, const RECT& clip);

// Fills `rect` (surface coordinates) with the 0xAARRGGBB colour `color`
// (straight alpha) exactly as a GDI+ solid brush fills a 32-bit DIB, writing
// only inside `clip` and the surface.
void FillPixels(const UiPixels32& dst, const RECT& rect, DWORD color, const RECT& clip);
// GDI leaves alpha 0 behind where it draws: a coloured pixel with alpha 0
// becomes opaque; black with alpha 0 (never drawn) stays transparent.
void MakeGdiPixelsOpaque(DWORD* pixels, int count);
// One pixel of such a fill.
DWORD FillPixel(DWORD dst, DWORD color);

// One pixel, as AlphaBlend computes it.
DWORD BlendPixel(DWORD dst, DWORD src, BYTE constantAlpha, bool perPixelAlpha);

}  // namespace Veneer
