#pragma once
// Stateless loading and drawing routines shared by every control: skin images
// into premultiplied 32-bit bitmaps, nine-part image drawing, colour fills,
// gradients, lines, rectangles and clip scopes. All coordinates are device
// pixels of the target DC unless a parameter says otherwise.
#include <windows.h>

#include <cstddef>

#include "core/UiHandle.h"
#include "core/UiRect.h"
#include "render/IRenderContext.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

namespace Veneer {

// Restores the clip the DC had when the scope began (the exact region, not
// its bounding box, so a parent's rounded clip survives a child's scope).
class CRenderClip {
public:
    ~CRenderClip();
    CRenderClip(CRenderClip&& other) noexcept;
    CRenderClip(const CRenderClip&) = delete;
    CRenderClip& operator=(const CRenderClip&) = delete;
    CRenderClip& operator=(CRenderClip&&) = delete;

private:
    friend class CUiRender;
    explicit CRenderClip(HDC dc);

    HDC m_dc;
    UiRegion m_saved;      // the previous clip region (device coordinates)
    bool m_hadClip = false;
};

class CUiRender {
public:
    // --- Images -------------------------------------------------------------
    // With `type`: the program resource `name` of that type from `instance`
    // (when null, the skin storage's resource instance, else the executable);
    // a name starting with a digit is a numeric id. Without: the skin
    // storage; only for a folder skin, then an absolute `name` as a plain
    // file path (never a relative one, never beside an archive skin). Null
    // when there are no bytes or they do not decode.
    static UiImagePtr LoadImage(const wchar_t* name, const wchar_t* type, DWORD mask, HINSTANCE instance);
    // Whether LoadImage would find bytes for `name` (present and non-empty);
    // nothing is read or decoded.
    static bool HasImage(const wchar_t* name, const wchar_t* type, HINSTANCE instance);
    // Decodes PNG, JPEG, BMP or GIF bytes into a premultiplied top-down BGRA
    // DIB; a pixel equal to `mask` (0xAARRGGBB after premultiplication)
    // becomes fully transparent. Null for broken or empty input.
    static UiImagePtr LoadImageFromMemory(const void* bytes, size_t length, DWORD mask);

    // --- Image geometry -----------------------------------------------------
    // Where a descriptor draws inside `item`: its dest offset, then, with an
    // explicit size, the alignment words, padding and the cut to the item's
    // right and bottom edges.
    static UiRect ComputeImageDest(const RECT& item, const TImageSpec& spec);
    // The descriptor's source rectangle (all zero = whole image), its right and
    // bottom cut to the image size.
    static UiRect ComputeImageSource(const RECT& source, int imageWidth, int imageHeight);
    // Corner widths in source pixels for the drawing ratio g / variant scale:
    // left and top rounded down, right and bottom up.
    static UiRect SourceCornerSizes(const RECT& corner, double ratio);
    // Draws an already loaded image as `spec` says: geometry above, nothing
    // when it misses `item` or `paint` (still true), blending when the window
    // is layered or the image has alpha, ratio = process scale / spec.scale.
    // False only without an image. DrawImageInfo is the image-table lookup
    // (empty name or missing image: false) followed by this.
    static bool DrawImageRecord(HDC dc, const TImageInfo* image, const RECT& item, const RECT& paint,
                                const TImageSpec& spec, bool layered);
    // Looks the descriptor (plus modifier) up in the window's parsed
    // descriptor cache and draws it. False without a context, for an empty
    // descriptor or when the image is missing.
    static bool DrawImageString(HDC dc, IRenderContext* context, const RECT& item, const RECT& paint,
                                const wchar_t* descriptor, const wchar_t* modifier = nullptr);
    // The image of `spec` from the window's image table (loaded on first
    // use), drawn with DrawImageRecord; layered windows always blend.
    static bool DrawImageInfo(HDC dc, IRenderContext* context, const RECT& item, const RECT& paint,
                              const TImageSpec* spec);

    // Nine-part drawing of `source` of `bitmap` into `dest`. Corner widths are
    // destination pixels; in the source they count corner / ratio pixels
    // (left/top rounded down, right/bottom up). Parts that miss `paint` are
    // skipped. With `alpha` or `fade` below 255 every part is blended
    // (premultiplied source-over, constant alpha = fade), else copied.
    static bool DrawImage(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                          const RECT& corner, bool alpha, double ratio, BYTE fade, bool hole, bool xTiled,
                          bool yTiled);

    // --- Fills and lines (colours are 0xAARRGGBB) ------------------------------
    static void DrawColor(HDC dc, const RECT& rect, DWORD color);
    // color1 at the top (left), color2 at the bottom (right); drawn with the
    // average alpha of the two. `steps` only matters for the banded fallback.
    static void DrawGradient(HDC dc, const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps);
    // The banded gradient used when GradientFill is missing: 2^n solid bands,
    // n from `steps` (1 up to 6).
    static void DrawGradientBands(HDC dc, const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps);
    static int GradientBandCount(int steps);
    // Line from (left, top) to (right, bottom), one pixel wide whatever `size`.
    static void DrawLine(HDC dc, const RECT& rect, int size, DWORD color, int style = 0);
    // Outline inside `rect`, `size` pixels wide.
    static void DrawRect(HDC dc, const RECT& rect, int size, DWORD color, int style = 0);
    // Anti-aliased rounded outline, corner radius width / 2 (`height` unused).
    static void DrawRoundRect(HDC dc, const RECT& rect, int size, int width, int height, DWORD color,
                              int style = 0);

    // --- Text (colours are 0xAARRGGBB; `format` takes DrawTextW's DT_* flags) --
    // Draws `text` in the window's font `fontIndex` (an unknown index gives
    // the default font) inside `rect`. Opaque windows use the system's
    // DrawTextW; layered windows, and windows with GDI+ text switched on, use
    // GDI+ with the window's text rendering hint. With DT_CALCRECT nothing is
    // drawn and `rect` receives the measured size at its top-left corner.
    // On the system path a text holding "&#x" draws the one character named
    // by the hexadecimal digits after it. Null dc, context or text: nothing.
    static void DrawText(HDC dc, IRenderContext* context, RECT& rect, const wchar_t* text, DWORD color,
                         int fontIndex, UINT format);
    // The extent in pixels of the whole text on one line in the window's font
    // `fontIndex`; (0, 0) without context or text. Without a DC the window's
    // (or a screen-compatible) one measures. `format` is accepted for the
    // callers' symmetry with DrawText and does not change the result.
    static SIZE GetTextSize(HDC dc, IRenderContext* context, const wchar_t* text, int fontIndex,
                            UINT format = 0);

    // --- Clip scopes (rectangles in logical coordinates of `dc`) -----------------
    static CRenderClip GenerateClip(HDC dc, const RECT& rect);
    // The current clip AND `paint` AND the rounded rectangle over `item`
    // (ellipse width x height; plain rectangle when either is 0).
    static CRenderClip GenerateRoundClip(HDC dc, const RECT& paint, const RECT& item, int width, int height);

    // --- Blending -------------------------------------------------------------
    // AlphaBlend's signature. Blends straight into the destination's pixels
    // when `dst` holds a reachable 32-bit DIB and `src` a 32-bit DIB section;
    // otherwise calls msimg32's AlphaBlend, or the software fallback without it.
    static bool AlphaBlendAny(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                              int srcWidth, int srcHeight, BLENDFUNCTION blend);
    // The fallback: both areas copied into 32-bit buffers, blended there with
    // the same arithmetic, and copied back (honours the destination's clip).
    static BOOL WINAPI SoftwareAlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int srcX,
                                          int srcY, int srcWidth, int srcHeight, BLENDFUNCTION blend);
    // For tests and benchmarks: route blends through msimg32 only.
    static void SetDirectBlendEnabled(bool enabled);
    // For tests and benchmarks: route DrawColor and DrawRect through GDI+ only
    // (by default they write straight into a reachable 32-bit DIB, with the
    // same pixels as GDI+).
    static void SetDirectFillEnabled(bool enabled);
};

}  // namespace Veneer
