#include "render/UiBlend.h"

#include <algorithm>
#include <cstdint>

#include "core/UiHandle.h"

#include "core/UiCpu.h"

#if defined(VENEER_HAVE_SSE2_PATHS)
#define VENEER_BLEND_SSE2 1
#include <emmintrin.h>
#endif

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

enum class BlendKind {
    Over,          // premultiplied source, constant alpha 255
    OverConstant,  // premultiplied source scaled by a constant alpha
    Constant,      // no per-pixel alpha: every channel mixed by the constant
};

template <BlendKind K>
inline DWORD BlendOne(DWORD dst, DWORD src, DWORD constant) {
    if constexpr (K == BlendKind::Over) return BlendOver(dst, src);
    if constexpr (K == BlendKind::OverConstant) return BlendOverConstant(dst, src, constant);
    return BlendConstant(dst, src, constant);
}

#if defined(VENEER_BLEND_SSE2)
// The same arithmetic as the scalar lanes above, four pixels at a time with
// one channel per 16-bit lane, so every result is bit for bit the scalar one
// (opaque and empty source pixels included, which the scalar code only
// shortcuts). floor(t / 255) for t < 65536 - 256:
VENEER_TARGET_SSE2 inline __m128i Div255x8(__m128i t) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_set1_epi16(1)), _mm_srli_epi16(t, 8)), 8);
}

// 255 minus each pixel's alpha, in all four lanes of that pixel (two pixels).
VENEER_TARGET_SSE2 inline __m128i InverseAlpha(__m128i wide) {
    const __m128i alpha =
        _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_sub_epi16(_mm_set1_epi16(255), alpha);
}

// src + round(dst * (255 - src alpha) / 255), saturating: OverScaled.
VENEER_TARGET_SSE2 inline __m128i Over4(__m128i dst, __m128i src) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(127);
    const __m128i lo = Div255x8(_mm_add_epi16(
        _mm_mullo_epi16(_mm_unpacklo_epi8(dst, zero), InverseAlpha(_mm_unpacklo_epi8(src, zero))), half));
    const __m128i hi = Div255x8(_mm_add_epi16(
        _mm_mullo_epi16(_mm_unpackhi_epi8(dst, zero), InverseAlpha(_mm_unpackhi_epi8(src, zero))), half));
    return _mm_adds_epu8(src, _mm_packus_epi16(lo, hi));
}

// Every channel, alpha too, times k / 255 rounded.
VENEER_TARGET_SSE2 inline __m128i Scale4(__m128i src, __m128i k) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(127);
    const __m128i lo = Div255x8(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(src, zero), k), half));
    const __m128i hi = Div255x8(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(src, zero), k), half));
    return _mm_packus_epi16(lo, hi);
}

// round((src * k + dst * (255 - k)) / 255) per channel: BlendConstant.
VENEER_TARGET_SSE2 inline __m128i Mix4(__m128i dst, __m128i src, __m128i k, __m128i inverse) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(127);
    const __m128i lo = Div255x8(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(src, zero), k),
                                                            _mm_mullo_epi16(_mm_unpacklo_epi8(dst, zero), inverse)),
                                              half));
    const __m128i hi = Div255x8(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(src, zero), k),
                                                            _mm_mullo_epi16(_mm_unpackhi_epi8(dst, zero), inverse)),
                                              half));
    return _mm_packus_epi16(lo, hi);
}

// Blends whole groups of four pixels of one row; returns how many pixels it
// did (the caller finishes the rest). `columns` maps each output pixel to its
// source column when stretching, else null and `in` is aligned with `out`.
template <BlendKind K>
VENEER_TARGET_SSE2 int BlendRowSse2(DWORD* out, const DWORD* in, const int* columns, int count, DWORD constant) {
    const __m128i k = _mm_set1_epi16(static_cast<short>(constant));
    const __m128i inverse = _mm_set1_epi16(static_cast<short>(255 - constant));
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i src =
            columns ? _mm_setr_epi32(static_cast<int>(in[columns[i]]), static_cast<int>(in[columns[i + 1]]),
                                     static_cast<int>(in[columns[i + 2]]), static_cast<int>(in[columns[i + 3]]))
                    : _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i result;
        if constexpr (K == BlendKind::Over) {
            // Runs of opaque or empty pixels (most of a skin's art) skip the
            // arithmetic, whose result would be the source or the destination.
            const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(src, alphaMask), alphaMask));
            if (opaque == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), src);
                continue;
            }
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(src, _mm_setzero_si128())) == 0xFFFF) continue;
            result = Over4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)), src);
        } else if constexpr (K == BlendKind::OverConstant) {
            result = Over4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)), Scale4(src, k));
        } else {
            result = Mix4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)), src, k, inverse);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), result);
    }
    return i;
}

// A translucent premultiplied colour over `count` pixels.
VENEER_TARGET_SSE2 int FillRowSse2(DWORD* out, DWORD pixel, int count) {
    const __m128i src = _mm_set1_epi32(static_cast<int>(pixel));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(out + i);
        _mm_storeu_si128(at, Over4(_mm_loadu_si128(at), src));
    }
    return i;
}

// Colour with alpha 0 becomes opaque, four pixels at a time.
VENEER_TARGET_SSE2 int OpaqueGdiRowSse2(DWORD* pixels, int count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(pixels + i);
        const __m128i p = _mm_loadu_si128(at);
        const __m128i noAlpha = _mm_cmpeq_epi32(_mm_and_si128(p, alphaMask), zero);
        const __m128i black = _mm_cmpeq_epi32(p, zero);
        _mm_storeu_si128(at, _mm_or_si128(p, _mm_andnot_si128(black, _mm_and_si128(noAlpha, alphaMask))));
    }
    return i;
}
#endif

// Pass 1 maps the destination columns of `area` to source columns once; pass
// 2 walks the rows, mapping each to its source row, and blends.
template <BlendKind K>
void BlendArea(const UiPixels32& dst, const RECT& dstRect, const UiPixels32& src, const RECT& srcRect,
               const RECT& area, DWORD constant) {
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
#if defined(VENEER_BLEND_SSE2)
    const bool vector = HaveSse2();
#endif

    for (int y = area.top; y < area.bottom; ++y) {
        const int sy = srcRect.top + StretchSourceIndex(y - dstRect.top, srcHeight, dstHeight, true);
        const DWORD* srcRow = src.Row(sy);
        DWORD* out = dst.Row(y) + area.left;
        const DWORD* in = stretchX ? srcRow : srcRow + area.left + columnShift;
        const int* map = stretchX ? columns.data() : nullptr;
        int i = 0;
#if defined(VENEER_BLEND_SSE2)
        if (vector) i = BlendRowSse2<K>(out, in, map, count, constant);
#endif
        if (map) {
            for (; i < count; ++i) out[i] = BlendOne<K>(out[i], in[map[i]], constant);
        } else {
            for (; i < count; ++i) out[i] = BlendOne<K>(out[i], in[i], constant);
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
            BlendArea<BlendKind::Constant>(dst, dstRect, src, srcRect, area, constant);
        } else if (constantAlpha == 255) {
            BlendArea<BlendKind::Over>(dst, dstRect, src, srcRect, area, constant);
        } else {
            BlendArea<BlendKind::OverConstant>(dst, dstRect, src, srcRect, area, constant);
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
            int i = 0;
#if defined(VENEER_BLEND_SSE2)
            if (HaveSse2()) i = FillRowSse2(out, source.pixel, count);
#endif
            for (; i < count; ++i) out[i] = OverScaled(out[i], br, ag);
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

void MakeGdiPixelsOpaque(DWORD* pixels, int count) {
    int i = 0;
#if defined(VENEER_BLEND_SSE2)
    if (HaveSse2()) i = OpaqueGdiRowSse2(pixels, count);
#endif
    for (; i < count; ++i)
        if (pixels[i] != 0 && pixels[i] <= 0x00FFFFFFu) pixels[i] |= 0xFF000000u;
}

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
