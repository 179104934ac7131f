#include "render/UiBlend.h"

#include <algorithm>
#include <cstdint>

#include "core/UiHandle.h"

namespace Veneer {

namespace {

// Two channels at a time: the blue/red (or green/alpha) bytes of a pixel sit
// in the low bytes of two 16-bit lanes (mask 0x00FF00FF). Every product
// below stays under 65536 - 256, so lanes never carry into each other.
constexpr DWORD kLanes = 0x00FF00FF;
constexpr DWORD kHalf = 0x007F007F;  // + 127 in each lane: round to nearest

// floor(t / 255) in each lane, without a division.
inline DWORD Div255Lanes(DWORD t) { return ((t + 0x00010001 + ((t >> 8) & kLanes)) >> 8) & kLanes; }

// x + y in each lane, saturating at 255 (only input that is not
// premultiplied can exceed it).
inline DWORD AddLanes(DWORD x, DWORD y) {
    DWORD sum = x + y;
    const DWORD carry = sum & 0x01000100;
    sum |= carry - (carry >> 8);
    return sum & kLanes;
}

// AlphaBlend's arithmetic (premultiplied source-over), channel by channel:
// src' + round(dst * (255 - a') / 255), where src' and a' are the source
// channel and alpha scaled by the constant alpha (unscaled when it is 255),
// each rounded to nearest.
inline DWORD OverScaled(DWORD dst, DWORD srcBr, DWORD srcAg) {
    const DWORD inverse = 255 - (srcAg >> 16);
    const DWORD br = Div255Lanes((dst & kLanes) * inverse + kHalf);
    const DWORD ag = Div255Lanes(((dst >> 8) & kLanes) * inverse + kHalf);
    return AddLanes(srcBr, br) | AddLanes(srcAg, ag) << 8;
}

inline DWORD BlendOver(DWORD dst, DWORD src) {
    if ((src >> 24) == 255) return src;  // dst * 0 rounds to 0
    if (src == 0) return dst;            // dst * 255 / 255
    return OverScaled(dst, src & kLanes, (src >> 8) & kLanes);
}

inline DWORD BlendOverConstant(DWORD dst, DWORD src, DWORD constant) {
    if (src == 0) return dst;
    const DWORD br = Div255Lanes((src & kLanes) * constant + kHalf);
    const DWORD ag = Div255Lanes(((src >> 8) & kLanes) * constant + kHalf);
    return OverScaled(dst, br, ag);
}

// Without per-pixel alpha every channel, alpha included, is a plain mix:
// round((src * k + dst * (255 - k)) / 255).
inline DWORD BlendConstant(DWORD dst, DWORD src, DWORD constant) {
    const DWORD inverse = 255 - constant;
    const DWORD br = Div255Lanes((src & kLanes) * constant + (dst & kLanes) * inverse + kHalf);
    const DWORD ag = Div255Lanes(((src >> 8) & kLanes) * constant + ((dst >> 8) & kLanes) * inverse + kHalf);
    return br | ag << 8;
}

bool Intersect(RECT* out, const RECT& a, const RECT& b) {
    out->left = std::max(a.left, b.left);
    out->top = std::max(a.top, b.top);
    out->right = std::min(a.right, b.right);
    out->bottom = std::min(a.bottom, b.bottom);
    return out->left < out->right && out->top < out->bottom;
}

// Pass 1 maps the destination columns of `area` to source columns once; pass
// 2 walks the rows, mapping each to its source row, and blends.
template <typename Op>
void BlendArea(const UiPixels32& dst, const RECT& dstRect, const UiPixels32& src, const RECT& srcRect,
               const RECT& area, Op op) {
    const int dstWidth = dstRect.right - dstRect.left;
    const int dstHeight = dstRect.bottom - dstRect.top;
    const int srcWidth = srcRect.right - srcRect.left;
    const int srcHeight = srcRect.bottom - srcRect.top;
    const int count = area.right - area.left;

    thread_local std::vector<int> columns;
    const bool stretchX = srcWidth != dstWidth;
    if (stretchX) {
        columns.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            columns[static_cast<size_t>(i)] =
                srcRect.left + StretchSourceIndex(area.left + i - dstRect.left, srcWidth, dstWidth, false);
    }
    const int columnShift = srcRect.left - dstRect.left;

    for (int y = area.top; y < area.bottom; ++y) {
        const int sy = srcRect.top + StretchSourceIndex(y - dstRect.top, srcHeight, dstHeight, true);
        const DWORD* srcRow = src.Row(sy);
        DWORD* out = dst.Row(y) + area.left;
        if (stretchX) {
            for (int i = 0; i < count; ++i) out[i] = op(out[i], srcRow[columns[static_cast<size_t>(i)]]);
        } else {
            const DWORD* in = srcRow + area.left + columnShift;
            for (int i = 0; i < count; ++i) out[i] = op(out[i], in[i]);
        }
    }
}

bool BlendPixelsClipped(const UiPixels32& dst, const RECT& dstRect, const UiPixels32& src, const RECT& srcRect,
                        BYTE constantAlpha, bool perPixelAlpha, const RECT* clips, size_t clipCount) {
    if (!dst.IsValid() || !src.IsValid()) return false;
    if (dstRect.right <= dstRect.left || dstRect.bottom <= dstRect.top) return false;
    if (srcRect.right <= srcRect.left || srcRect.bottom <= srcRect.top) return false;
    if (srcRect.left < 0 || srcRect.top < 0 || srcRect.right > src.width || srcRect.bottom > src.height) return false;
    if (constantAlpha == 0) return true;  // leaves every destination pixel as it is

    const RECT surface{0, 0, dst.width, dst.height};
    RECT visible;
    if (!Intersect(&visible, dstRect, surface)) return true;
    const DWORD constant = constantAlpha;
    for (size_t c = 0; c < clipCount; ++c) {
        RECT area;
        if (!Intersect(&area, visible, clips[c])) continue;
        if (!perPixelAlpha) {
            BlendArea(dst, dstRect, src, srcRect, area,
                      [constant](DWORD d, DWORD s) { return BlendConstant(d, s, constant); });
        } else if (constantAlpha == 255) {
            BlendArea(dst, dstRect, src, srcRect, area, [](DWORD d, DWORD s) { return BlendOver(d, s); });
        } else {
            BlendArea(dst, dstRect, src, srcRect, area,
                      [constant](DWORD d, DWORD s) { return BlendOverConstant(d, s, constant); });
        }
    }
    return true;
}

// The premultiplied pixel a solid GDI+ fill of `color` blends source-over
// like AlphaBlend: each channel is channel * alpha / 255 rounded to nearest;
// an opaque colour replaces the destination, alpha byte 255 included.
struct FillSource {
    bool opaque;
    DWORD pixel;
};

FillSource MakeFillSource(DWORD color) {
    const DWORD alpha = color >> 24;
    if (alpha == 255) return FillSource{true, color};
    const DWORD br = Div255Lanes((color & kLanes) * alpha + kHalf);
    const DWORD g = Div255Lanes(((color >> 8) & 0xFF) * alpha + 127);
    return FillSource{false, alpha << 24 | g << 8 | br};
}

void FillArea(const UiPixels32& dst, const RECT& area, const FillSource& source) {
    const int count = area.right - area.left;
    for (int y = area.top; y < area.bottom; ++y) {
        DWORD* out = dst.Row(y) + area.left;
        if (source.opaque) {
            std::fill(out, out + count, source.pixel);
        } else {
            const DWORD br = source.pixel & kLanes, ag = (source.pixel >> 8) & kLanes;
            for (int i = 0; i < count; ++i) out[i] = OverScaled(out[i], br, ag);
        }
    }
}

void FillPixelsClipped(const UiPixels32& dst, const RECT& rect, DWORD color, const RECT* clips, size_t clipCount) {
    if (!dst.IsValid() || (color >> 24) == 0) return;
    const RECT surface{0, 0, dst.width, dst.height};
    RECT visible;
    if (!Intersect(&visible, rect, surface)) return;
    const FillSource source = MakeFillSource(color);
    for (size_t c = 0; c < clipCount; ++c) {
        RECT area;
        if (Intersect(&area, visible, clips[c])) FillArea(dst, area, source);
    }
}

}  // namespace

DWORD FillPixel(DWORD dst, DWORD color) {
    if ((color >> 24) == 0) return dst;
    const FillSource source = MakeFillSource(color);
    if (source.opaque) return source.pixel;
    return OverScaled(dst, source.pixel & kLanes, (source.pixel >> 8) & kLanes);
}

void FillPixels(const UiPixels32& dst, const RECT& rect, DWORD color, const RECT& clip) {
    FillPixelsClipped(dst, rect, color, &clip, 1);
}

int StretchSourceIndex(int index, int srcLength, int dstLength, bool vertical) {
    if (srcLength == dstLength || dstLength <= 0) return index;
    const int64_t i = index;
    const int64_t s = srcLength;
    const int64_t d = dstLength;
    int64_t result;
    if (dstLength > srcLength) {
        // Enlarging: the pixel whose span holds the destination pixel's
        // centre; a centre on a boundary takes the left (upper) pixel.
        result = ((2 * i + 1) * s + 2 * d - 1) / (2 * d) - 1;
    } else if (vertical) {
        // Shrinking rows: the source row nearest to i * s / d, halves up.
        result = (2 * i * s + d) / (2 * d);
    } else {
        // Shrinking columns: the column nearest to (i + 1) * s / d - 1, halves down.
        result = ((2 * i + 2) * s - d) / (2 * d);
    }
    if (result < 0) result = 0;
    if (result >= s) result = s - 1;
    return static_cast<int>(result);
}

DWORD BlendPixel(DWORD dst, DWORD src, BYTE constantAlpha, bool perPixelAlpha) {
    if (!perPixelAlpha) return BlendConstant(dst, src, constantAlpha);
    if (constantAlpha == 255) return BlendOver(dst, src);
    return BlendOverConstant(dst, src, constantAlpha);
}

bool BlendPixels(const UiPixels32& dst, const RECT& dstRect, const UiPixels32& src, const RECT& srcRect,
                 BYTE constantAlpha, bool perPixelAlpha, const RECT& clip) {
    return BlendPixelsClipped(dst, dstRect, src, srcRect, constantAlpha, perPixelAlpha, &clip, 1);
}

namespace {

// A 32-bit uncompressed DIB section, orientation not yet known.
bool ReadDibSection(HBITMAP bitmap, DIBSECTION* section) {
    if (!bitmap) return false;
    if (::GetObjectW(bitmap, sizeof(*section), section) != static_cast<int>(sizeof(*section))) return false;
    const BITMAP& bm = section->dsBm;
    if (!bm.bmBits || bm.bmBitsPixel != 32 || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    const DWORD compression = section->dsBmih.biCompression;
    if (compression == BI_BITFIELDS)
        return section->dsBitfields[0] == 0xFF0000 && section->dsBitfields[1] == 0xFF00 &&
               section->dsBitfields[2] == 0xFF;
    return compression == BI_RGB;
}

// GetObject reports every DIB section with a positive height, top-down or
// not, so the orientation is asked of GDI itself: mark the first pixel in
// memory and read device pixel (0, 0) back with the clip lifted. The marker
// differs from the pixel that would be there if memory were bottom-up, and
// the original value is put back.
bool ProbeTopDown(HDC dc, const BITMAP& bm, POINT offset, bool* topDown) {
    if (bm.bmHeight == 1) {
        *topDown = true;
        return true;
    }
    ::GdiFlush();
    DWORD* first = static_cast<DWORD*>(bm.bmBits);
    const DWORD* last = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(bm.bmBits) +
                                                       static_cast<ptrdiff_t>(bm.bmWidthBytes) * (bm.bmHeight - 1));
    const DWORD saved = *first;
    const DWORD marker = (*last ^ 0x00FFFFFF) & 0x00FFFFFF;
    *first = marker;

    UiRegion clip(::CreateRectRgn(0, 0, 0, 0));
    const bool hadClip = clip && ::GetClipRgn(dc, clip.Get()) == 1;
    ::SelectClipRgn(dc, nullptr);
    const COLORREF seen = ::GetPixel(dc, -offset.x, -offset.y);
    ::SelectClipRgn(dc, hadClip ? clip.Get() : nullptr);
    *first = saved;

    if (seen == CLR_INVALID) return false;
    const COLORREF expected = RGB((marker >> 16) & 0xFF, (marker >> 8) & 0xFF, marker & 0xFF);
    *topDown = seen == expected;
    return true;
}

// Orientation by bitmap handle, checked against the bits and size so that a
// reused handle is probed again.
struct OrientationEntry {
    HBITMAP bitmap;
    const void* bits;
    LONG width;
    LONG height;
    bool topDown;
};
thread_local std::vector<OrientationEntry> t_orientations;

OrientationEntry* FindOrientation(HBITMAP bitmap, const BITMAP& bm) {
    for (OrientationEntry& entry : t_orientations)
        if (entry.bitmap == bitmap) {
            if (entry.bits == bm.bmBits && entry.width == bm.bmWidth && entry.height == bm.bmHeight) return &entry;
            entry = t_orientations.back();
            t_orientations.pop_back();
            return nullptr;
        }
    return nullptr;
}

void StoreOrientation(HBITMAP bitmap, const BITMAP& bm, bool topDown) {
    // Bounded: handles are reused, and the oldest entry goes when it is full.
    if (t_orientations.size() >= 4096) t_orientations.erase(t_orientations.begin());
    t_orientations.push_back(OrientationEntry{bitmap, bm.bmBits, bm.bmWidth, bm.bmHeight, topDown});
}

void SetPixels(const BITMAP& bm, bool topDown, UiPixels32* pixels) {
    BYTE* bits = static_cast<BYTE*>(bm.bmBits);
    const ptrdiff_t stride = bm.bmWidthBytes;
    pixels->width = bm.bmWidth;
    pixels->height = bm.bmHeight;
    pixels->top = topDown ? bits : bits + stride * (bm.bmHeight - 1);
    pixels->stride = topDown ? stride : -stride;
}

// Pixels of a bitmap selected into `dc` (device = logical + offset).
bool SelectedBitmapPixels(HDC dc, HBITMAP bitmap, POINT offset, UiPixels32* pixels) {
    DIBSECTION section{};
    if (!ReadDibSection(bitmap, &section)) return false;
    bool topDown = true;
    if (const OrientationEntry* known = FindOrientation(bitmap, section.dsBm)) {
        topDown = known->topDown;
    } else {
        if (!ProbeTopDown(dc, section.dsBm, offset, &topDown)) return false;
        StoreOrientation(bitmap, section.dsBm, topDown);
    }
    SetPixels(section.dsBm, topDown, pixels);
    return true;
}

}  // namespace

void RememberTopDownBitmap(HBITMAP bitmap) {
    DIBSECTION section{};
    if (!ReadDibSection(bitmap, &section)) return;
    if (!FindOrientation(bitmap, section.dsBm)) StoreOrientation(bitmap, section.dsBm, true);
}

void ForgetBitmap(HBITMAP bitmap) {
    for (size_t i = 0; i < t_orientations.size(); ++i)
        if (t_orientations[i].bitmap == bitmap) {
            t_orientations[i] = t_orientations.back();
            t_orientations.pop_back();
            return;
        }
}

bool GetBitmapPixels(HBITMAP bitmap, UiPixels32* pixels) {
    if (!pixels) return false;
    DIBSECTION section{};
    if (!ReadDibSection(bitmap, &section)) return false;
    if (const OrientationEntry* known = FindOrientation(bitmap, section.dsBm)) {
        SetPixels(section.dsBm, known->topDown, pixels);
        return true;
    }
    // Not selected anywhere (else selecting it here fails): probe in a DC of our own.
    UiMemoryDc probe(nullptr);
    if (!probe) return false;
    probe.Select(bitmap);
    if (::GetCurrentObject(probe.Get(), OBJ_BITMAP) != bitmap) return false;
    return SelectedBitmapPixels(probe.Get(), bitmap, POINT{0, 0}, pixels);
}

bool UiBlendTarget::Attach(HDC dc) {
    m_clip.clear();
    m_pixels = UiPixels32();
    if (!dc) return false;
    if (::GetMapMode(dc) != MM_TEXT) return false;
    if (::GetLayout(dc) & LAYOUT_RTL) return false;
    XFORM transform{};
    if (::GetWorldTransform(dc, &transform) &&
        (transform.eM11 != 1.0f || transform.eM12 != 0.0f || transform.eM21 != 0.0f || transform.eM22 != 1.0f ||
         transform.eDx != 0.0f || transform.eDy != 0.0f))
        return false;
    POINT viewport{}, window{};
    ::GetViewportOrgEx(dc, &viewport);
    ::GetWindowOrgEx(dc, &window);
    m_offset = POINT{viewport.x - window.x, viewport.y - window.y};
    UiPixels32 pixels;
    if (!SelectedBitmapPixels(dc, static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP)), m_offset, &pixels))
        return false;

    const RECT surface{0, 0, pixels.width, pixels.height};
    // The clip box covers the clip, meta and visible regions together; when
    // it reports one rectangle that rectangle is the whole drawable area, and
    // the regions themselves need not be copied out (a region and two copies
    // per image otherwise).
    RECT box{};
    const int boxKind = ::GetClipBox(dc, &box);
    if (boxKind == NULLREGION) {
        m_pixels = pixels;
        return true;
    }
    if (boxKind == SIMPLEREGION) {
        const RECT device{box.left + m_offset.x, box.top + m_offset.y, box.right + m_offset.x,
                          box.bottom + m_offset.y};
        RECT part;
        if (Intersect(&part, device, surface)) m_clip.push_back(part);
        m_pixels = pixels;
        return true;
    }
    // The clip region, when there is one, is kept in device coordinates.
    UiRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (!region) return false;
    // A meta region clips too but is not part of the clip region: leave such
    // DCs to the system.
    if (::GetMetaRgn(dc, region.Get()) != 0) return false;
    const int hasClip = ::GetClipRgn(dc, region.Get());
    if (hasClip < 0) return false;
    if (hasClip == 0) {
        m_clip.push_back(surface);
    } else {
        const DWORD size = ::GetRegionData(region.Get(), 0, nullptr);
        if (size == 0) return false;
        std::vector<BYTE> buffer(size);
        RGNDATA* data = reinterpret_cast<RGNDATA*>(buffer.data());
        if (::GetRegionData(region.Get(), size, data) != size) return false;
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        for (DWORD i = 0; i < data->rdh.nCount; ++i) {
            RECT part;
            if (Intersect(&part, rects[i], surface)) m_clip.push_back(part);
        }
    }
    m_pixels = pixels;
    return true;
}

bool UiBlendTarget::Blend(const RECT& dstRect, const UiPixels32& src, const RECT& srcRect, BYTE constantAlpha,
                          bool perPixelAlpha) const {
    if (!m_pixels.IsValid()) return false;
    const RECT device{dstRect.left + m_offset.x, dstRect.top + m_offset.y, dstRect.right + m_offset.x,
                      dstRect.bottom + m_offset.y};
    return BlendPixelsClipped(m_pixels, device, src, srcRect, constantAlpha, perPixelAlpha, m_clip.data(),
                              m_clip.size());
}

bool UiBlendTarget::Fill(const RECT& rect, DWORD color) const {
    if (!m_pixels.IsValid()) return false;
    const RECT device{rect.left + m_offset.x, rect.top + m_offset.y, rect.right + m_offset.x,
                      rect.bottom + m_offset.y};
    FillPixelsClipped(m_pixels, device, color, m_clip.data(), m_clip.size());
    return true;
}

}  // namespace Veneer
