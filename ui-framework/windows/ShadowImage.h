#pragma once
// The pixels and the layered window shared by the drop shadows: row spans of
// a window's region, the parametric soft shadow drawn around them, the 32-bit
// bitmap it is drawn into and the layered-window update that shows it.
#include <windows.h>

#include <vector>

#include "core/UiHandle.h"

namespace Veneer {

// Window class of every shadow window.
extern const wchar_t kShadowWindowClass[];

// Registers the shadow window class for `instance` (an existing registration
// is kept). Class styles CS_HREDRAW | CS_VREDRAW, default window procedure.
void RegisterShadowWindowClass(HINSTANCE instance);

// True when the system offers UpdateLayeredWindow (looked up once).
bool ShadowLayeringAvailable();

// Columns [left, right) of one row; empty when left >= right.
struct ShadowSpan {
    int left;
    int right;
};

struct ShadowParams {
    int size = 0;        // pixels the shadow reaches beyond the parent on every side (< 0: inside)
    int sharpness = 5;   // width of the soft edge, pixels
    int darkness = 150;  // alpha of the solid part, 0..255
    int xOffset = 0;     // displacement of the shadow relative to the parent, pixels
    int yOffset = 0;
    BYTE red = 0;
    BYTE green = 0;
    BYTE blue = 0;
};

// alpha << 24 | premultiplied red, green, blue (c * alpha / 255, truncated).
DWORD ShadowPixel(const ShadowParams& params, int alpha);

// For each row y of a width x height window: the first column inside
// `region` and one past the last. Rows with no point inside (and every row
// when `region` is null) get the empty span {width, 0}.
std::vector<ShadowSpan> RegionRowSpans(HRGN region, int width, int height);

// Draws the shadow of a parent of parentWidth x parentHeight whose rows are
// `parentRows` into `bits`: (parentWidth + 2 size) x (parentHeight + 2 size)
// pixels, rows stored bottom-up, zero-filled by the caller. Pixels the parent
// covers stay transparent.
void DrawParametricShadow(DWORD* bits, int parentWidth, int parentHeight, const std::vector<ShadowSpan>& parentRows,
                          const ShadowParams& params);

// A 32-bit bottom-up DIB section selected into a memory context, kept
// between renders while its size stays the same.
class CShadowBitmap {
public:
    CShadowBitmap() = default;
    // The bitmap leaves its DC before either is deleted: a bitmap still
    // selected into a DC cannot be deleted and would leak its pixels.
    ~CShadowBitmap() { Release(); }
    CShadowBitmap(const CShadowBitmap&) = delete;
    CShadowBitmap& operator=(const CShadowBitmap&) = delete;

    // A zero-filled width x height bitmap. False (the reason written to the
    // debug output) when the bitmap or the context cannot be created.
    bool Prepare(int width, int height);
    // Frees the bitmap and the context.
    void Release();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    DWORD* Bits() const { return m_bits; }
    HDC Dc() const { return m_dc.Get(); }
    // Pixel (x, y) with y counted from the top; 0 outside the bitmap.
    DWORD PixelAt(int x, int y) const;

    // Shows the bitmap as `shadow`'s whole image at screen position
    // `topLeft`, per-pixel alpha, constant alpha 255.
    bool Present(HWND shadow, POINT topLeft) const;

private:
    UiMemoryDcHandle m_dc;
    UiBitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;
    DWORD* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
};

// Draws the parametric shadow of `parent` (its window size and region) into
// `bitmap`. False when the bitmap cannot be prepared or would be empty.
bool DrawWindowShadow(HWND parent, const ShadowParams& params, CShadowBitmap& bitmap);

// Screen position of the shadow window for a parent at `parent`.
inline POINT ShadowOrigin(const RECT& parent, int xOffset, int yOffset, int size) {
    return POINT{parent.left + xOffset - size, parent.top + yOffset - size};
}

}  // namespace Veneer
