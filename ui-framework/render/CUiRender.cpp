#include "render/CUiRender.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <memory>

#include "core/CDpiScaler.h"
#include "render/UiBlend.h"
#include "render/UiMsimg32.h"

namespace Veneer {

namespace {

bool g_directBlend = true;

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Meets(const RECT& a, const RECT& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Draws the parts of one image: blended (our own blend into a reachable DIB,
// else msimg32) or copied (BitBlt, StretchBlt in halftone mode).
class PartPainter {
public:
    PartPainter(HDC dc, HBITMAP bitmap, bool blend, BYTE fade)
        : m_dc(dc), m_bitmap(bitmap), m_blend(blend), m_fade(fade) {
        if (m_blend && g_directBlend && GetBitmapPixels(bitmap, &m_source)) {
            ::GdiFlush();  // pending GDI output must land before we touch the bits
            m_direct = m_target.Attach(dc);
        }
        if (!m_blend) {
            m_oldStretchMode = ::SetStretchBltMode(dc, HALFTONE);
            ::SetBrushOrgEx(dc, 0, 0, &m_oldBrushOrigin);
        }
    }
    ~PartPainter() {
        if (m_oldStretchMode != 0) {
            ::SetStretchBltMode(m_dc, m_oldStretchMode);
            ::SetBrushOrgEx(m_dc, m_oldBrushOrigin.x, m_oldBrushOrigin.y, nullptr);
        }
    }
    PartPainter(const PartPainter&) = delete;
    PartPainter& operator=(const PartPainter&) = delete;

    void Draw(const RECT& dst, const RECT& src) {
        const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
        const int sw = src.right - src.left, sh = src.bottom - src.top;
        if (m_direct) {
            m_target.Blend(dst, m_source, src, m_fade, true);
            return;
        }
        if (!SourceDc()) return;
        if (m_blend) {
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, m_fade, AC_SRC_ALPHA};
            const UiMsimg32& msimg = UiMsimg32::Get();
            if (msimg.alphaBlend)
                msimg.alphaBlend(m_dc, dst.left, dst.top, dw, dh, m_memory->Get(), src.left, src.top, sw, sh, blend);
            else
                CUiRender::SoftwareAlphaBlend(m_dc, dst.left, dst.top, dw, dh, m_memory->Get(), src.left, src.top,
                                              sw, sh, blend);
        } else if (dw == sw && dh == sh) {
            ::BitBlt(m_dc, dst.left, dst.top, dw, dh, m_memory->Get(), src.left, src.top, SRCCOPY);
        } else {
            ::StretchBlt(m_dc, dst.left, dst.top, dw, dh, m_memory->Get(), src.left, src.top, sw, sh, SRCCOPY);
        }
    }

private:
    bool SourceDc() {
        if (!m_memory) {
            m_memory.reset(new UiMemoryDc(m_dc));
            m_memory->Select(m_bitmap);
        }
        return static_cast<bool>(*m_memory);
    }

    HDC m_dc;
    HBITMAP m_bitmap;
    bool m_blend;
    BYTE m_fade;
    bool m_direct = false;
    UiPixels32 m_source;
    UiBlendTarget m_target;
    std::unique_ptr<UiMemoryDc> m_memory;
    int m_oldStretchMode = 0;
    POINT m_oldBrushOrigin{};
};

// Image geometry is kept within +-kMaxCoordinate: sums and differences of
// four such values (a part's edge, a tile's end) then stay inside an int.
constexpr long long kMaxCoordinate = 1 << 28;

LONG ClampCoordinate(long long value) {
    return static_cast<LONG>(std::min(std::max(value, -kMaxCoordinate), kMaxCoordinate));
}

RECT ClampRect(const RECT& r) {
    return RECT{ClampCoordinate(r.left), ClampCoordinate(r.top), ClampCoordinate(r.right),
                ClampCoordinate(r.bottom)};
}

// First tile origin at or before `from`, counted from `start` in steps of `step`.
int FirstTile(int start, int from, int step) {
    if (from <= start) return start;
    const long long distance = static_cast<long long>(from) - start;
    return static_cast<int>(start + distance / step * step);
}

}  // namespace

void CUiRender::SetDirectBlendEnabled(bool enabled) { g_directBlend = enabled; }

UiRect CUiRender::ComputeImageDest(const RECT& item, const TImageSpec& spec) {
    // 64-bit throughout: descriptor values and item edges may each be near the
    // int limits; the result is clamped to the drawable range.
    using Wide = long long;
    Wide left = item.left, top = item.top, right = item.right, bottom = item.bottom;
    if (!spec.dest.IsNull()) {
        left = Wide(item.left) + spec.dest.left;
        top = Wide(item.top) + spec.dest.top;
        right = Wide(item.left) + spec.dest.right;
        bottom = Wide(item.top) + spec.dest.bottom;
    }
    if (spec.size.cx > 0 && spec.size.cy > 0) {
        const wchar_t* align = spec.align.GetData();
        const Wide cx = spec.size.cx, cy = spec.size.cy;
        bool placed = true;
        if (std::wcsstr(align, L"left")) {
            left = item.left;
        } else if (std::wcsstr(align, L"center")) {
            left = item.left + (Wide(item.right) - item.left - cx) / 2;
        } else if (std::wcsstr(align, L"right")) {
            left = item.right - cx;
        } else {
            placed = false;
        }
        if (placed) right = left + cx;

        placed = true;
        if (std::wcsstr(align, L"top")) {
            top = item.top;
        } else if (std::wcsstr(align, L"vcenter")) {
            top = item.top + (Wide(item.bottom) - item.top - cy) / 2;
        } else if (std::wcsstr(align, L"bottom")) {
            top = item.bottom - cy;
        } else {
            placed = false;
        }
        if (placed) bottom = top + cy;

        const Wide dx = Wide(spec.padding.left) - spec.padding.right;
        const Wide dy = Wide(spec.padding.top) - spec.padding.bottom;
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        right = std::min<Wide>(right, item.right);
        bottom = std::min<Wide>(bottom, item.bottom);
    }
    return UiRect(ClampCoordinate(left), ClampCoordinate(top), ClampCoordinate(right), ClampCoordinate(bottom));
}

UiRect CUiRender::ComputeImageSource(const RECT& source, int imageWidth, int imageHeight) {
    UiRect result(source);
    if (result.IsNull()) return UiRect(0, 0, imageWidth, imageHeight);
    if (result.right > imageWidth) result.right = imageWidth;
    if (result.bottom > imageHeight) result.bottom = imageHeight;
    return result;
}

bool CUiRender::DrawImageRecord(HDC dc, const TImageInfo* image, const RECT& item, const RECT& paint,
                                const TImageSpec& spec, bool layered) {
    if (!image || !image->bitmap) return false;
    const UiRect dest = ComputeImageDest(item, spec);
    const UiRect source = ComputeImageSource(spec.source, image->width, image->height);
    if (!Meets(dest, item) || !Meets(dest, paint)) return true;
    const bool alpha = layered || image->hasAlpha;
    // Corners are window pixels of the window the descriptor was parsed for.
    const double window = spec.drawScale > 0.0 ? spec.drawScale : CDpiScaler::GetProcessScale();
    const double ratio = window / (spec.scale > 0.0 ? spec.scale : 1.0);
    DrawImage(dc, image->bitmap, dest, paint, source, spec.corner, alpha, ratio, spec.fade, spec.hole, spec.xTiled,
              spec.yTiled);
    return true;
}

bool CUiRender::DrawImageString(HDC dc, IRenderContext* context, const RECT& item, const RECT& paint,
                                const wchar_t* descriptor, const wchar_t* modifier) {
    if (!context) return false;
    return DrawImageInfo(dc, context, item, paint, context->GetDrawInfo(descriptor, modifier));
}

bool CUiRender::DrawImageInfo(HDC dc, IRenderContext* context, const RECT& item, const RECT& paint,
                              const TImageSpec* spec) {
    if (!dc || !context || !spec || spec->imageName.IsEmpty()) return false;
    const wchar_t* type = spec->resType.IsEmpty() ? nullptr : spec->resType.GetData();
    const TImageInfo* image = context->GetImageEx(spec->imageName, type, spec->mask, false, nullptr);
    return DrawImageRecord(dc, image, item, paint, *spec, context->IsLayered());
}

UiRect CUiRender::SourceCornerSizes(const RECT& corner, double ratio) {
    if (!(ratio > 0.0)) ratio = 1.0;
    // The epsilon keeps exact quotients exact (7 / (1.75 / 1.5) is 6, not 5.99...).
    const double epsilon = 1e-9;
    // A tiny ratio makes huge quotients: clamped before the conversion, which
    // is undefined outside the int range.
    const double limit = static_cast<double>(kMaxCoordinate);
    auto fit = [limit](double value) { return static_cast<LONG>(std::min(std::max(value, -limit), limit)); };
    auto down = [&](LONG width) { return fit(std::floor(width / ratio + epsilon)); };
    auto up = [&](LONG width) { return fit(std::ceil(width / ratio - epsilon)); };
    return UiRect(down(corner.left), down(corner.top), up(corner.right), up(corner.bottom));
}

bool CUiRender::DrawImage(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                          const RECT& corner, bool alpha, double ratio, BYTE fade, bool hole, bool xTiled,
                          bool yTiled) {
    if (!dc || !bitmap) return false;
    if (IsEmptyRect(dest) || IsEmptyRect(source) || !Meets(dest, paint)) return true;
    if (fade == 0) return true;  // fully faded: a blend with constant alpha 0 changes nothing

    // Every edge below is a sum or difference of two clamped values.
    const RECT D = ClampRect(dest);
    const RECT C = ClampRect(corner);
    const RECT S = ClampRect(source);
    const UiRect c = SourceCornerSizes(C, ratio);
    PartPainter painter(dc, bitmap, alpha || fade < 255, fade);

    auto draw = [&](const RECT& d, const RECT& s) {
        if (IsEmptyRect(d) || IsEmptyRect(s) || !Meets(d, paint)) return;
        painter.Draw(d, s);
    };

    // Middle: stretched, or tiles of the middle source part starting at its
    // top-left corner, the last tile of a row or column cut to fit.
    if (!hole) {
        const RECT dm{D.left + C.left, D.top + C.top, D.right - C.right, D.bottom - C.bottom};
        const RECT sm{S.left + c.left, S.top + c.top, S.right - c.right, S.bottom - c.bottom};
        const int tileWidth = sm.right - sm.left, tileHeight = sm.bottom - sm.top;
        if (!xTiled && !yTiled) {
            draw(dm, sm);
        } else if (tileWidth > 0 && tileHeight > 0 && !IsEmptyRect(dm) && Meets(dm, paint)) {
            const int x0 = xTiled ? FirstTile(dm.left, paint.left, tileWidth) : dm.left;
            const int y0 = yTiled ? FirstTile(dm.top, paint.top, tileHeight) : dm.top;
            const int xEnd = xTiled ? std::min(dm.right, paint.right) : x0 + 1;
            const int yEnd = yTiled ? std::min(dm.bottom, paint.bottom) : y0 + 1;
            for (int y = y0; y < yEnd; y += tileHeight) {
                for (int x = x0; x < xEnd; x += tileWidth) {
                    RECT d = dm, s = sm;
                    if (xTiled) {
                        const int w = std::min(tileWidth, static_cast<int>(dm.right) - x);
                        d.left = x;
                        d.right = x + w;
                        s.right = sm.left + w;
                    }
                    if (yTiled) {
                        const int h = std::min(tileHeight, static_cast<int>(dm.bottom) - y);
                        d.top = y;
                        d.bottom = y + h;
                        s.bottom = sm.top + h;
                    }
                    draw(d, s);
                }
            }
        }
    }

    if (C.left > 0 && C.top > 0)
        draw(RECT{D.left, D.top, D.left + C.left, D.top + C.top}, RECT{S.left, S.top, S.left + c.left, S.top + c.top});
    if (C.top > 0)
        draw(RECT{D.left + C.left, D.top, D.right - C.right, D.top + C.top},
             RECT{S.left + c.left, S.top, S.right - c.right, S.top + c.top});
    if (C.right > 0 && C.top > 0)
        draw(RECT{D.right - C.right, D.top, D.right, D.top + C.top},
             RECT{S.right - c.right, S.top, S.right, S.top + c.top});
    if (C.left > 0)
        draw(RECT{D.left, D.top + C.top, D.left + C.left, D.bottom - C.bottom},
             RECT{S.left, S.top + c.top, S.left + c.left, S.bottom - c.bottom});
    if (C.right > 0)
        draw(RECT{D.right - C.right, D.top + C.top, D.right, D.bottom - C.bottom},
             RECT{S.right - c.right, S.top + c.top, S.right, S.bottom - c.bottom});
    if (C.left > 0 && C.bottom > 0)
        draw(RECT{D.left, D.bottom - C.bottom, D.left + C.left, D.bottom},
             RECT{S.left, S.bottom - c.bottom, S.left + c.left, S.bottom});
    if (C.bottom > 0)
        draw(RECT{D.left + C.left, D.bottom - C.bottom, D.right - C.right, D.bottom},
             RECT{S.left + c.left, S.bottom - c.bottom, S.right - c.right, S.bottom});
    if (C.right > 0 && C.bottom > 0)
        draw(RECT{D.right - C.right, D.bottom - C.bottom, D.right, D.bottom},
             RECT{S.right - c.right, S.bottom - c.bottom, S.right, S.bottom});
    return true;
}

bool CUiRender::AlphaBlendAny(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                              int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    if (!dst || !src) return false;
    if (g_directBlend) {
        UiBlendTarget source;
        if (source.Attach(src)) {
            ::GdiFlush();
            UiBlendTarget target;
            if (target.Attach(dst)) {
                const POINT o = source.Offset();
                const RECT srcRect{srcX + o.x, srcY + o.y, srcX + o.x + srcWidth, srcY + o.y + srcHeight};
                return target.Blend(RECT{x, y, x + width, y + height}, source.Pixels(), srcRect,
                                    blend.SourceConstantAlpha, (blend.AlphaFormat & AC_SRC_ALPHA) != 0);
            }
        }
    }
    const UiMsimg32& msimg = UiMsimg32::Get();
    if (msimg.alphaBlend)
        return msimg.alphaBlend(dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, blend) != FALSE;
    return SoftwareAlphaBlend(dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, blend) != FALSE;
}

BOOL WINAPI CUiRender::SoftwareAlphaBlend(HDC dst, int x, int y, int width, int height, HDC src, int srcX,
                                          int srcY, int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    if (!dst || !src || width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return FALSE;
    if (blend.BlendOp != AC_SRC_OVER) return FALSE;
    // Like AlphaBlend, refuse a source area outside the source bitmap.
    BITMAP sourceBitmap{};
    if (::GetObjectW(::GetCurrentObject(src, OBJ_BITMAP), sizeof(sourceBitmap), &sourceBitmap) &&
        (srcX < 0 || srcY < 0 || srcX + srcWidth > sourceBitmap.bmWidth || srcY + srcHeight > sourceBitmap.bmHeight))
        return FALSE;

    auto makeBuffer = [](int w, int h, UiBitmap& bitmap, UiPixels32& pixels) {
        void* bits = nullptr;
        bitmap.Reset(CreateTopDownDib(nullptr, w, h, &bits));
        if (!bitmap || !bits) return false;
        pixels.top = static_cast<BYTE*>(bits);
        pixels.width = w;
        pixels.height = h;
        pixels.stride = static_cast<ptrdiff_t>(w) * 4;
        return true;
    };
    UiBitmap srcBitmap, dstBitmap;
    UiPixels32 srcPixels, dstPixels;
    if (!makeBuffer(srcWidth, srcHeight, srcBitmap, srcPixels) || !makeBuffer(width, height, dstBitmap, dstPixels))
        return FALSE;
    UiMemoryDc srcDc(dst), dstDc(dst);
    if (!srcDc || !dstDc) return FALSE;
    srcDc.Select(srcBitmap.Get());
    dstDc.Select(dstBitmap.Get());
    // Pass 1: copy both areas out. Pass 2: blend. Pass 3: copy the result back
    // through the destination's own clip.
    ::BitBlt(srcDc.Get(), 0, 0, srcWidth, srcHeight, src, srcX, srcY, SRCCOPY);
    ::BitBlt(dstDc.Get(), 0, 0, width, height, dst, x, y, SRCCOPY);
    ::GdiFlush();
    const RECT whole{0, 0, width, height};
    BlendPixels(dstPixels, whole, srcPixels, RECT{0, 0, srcWidth, srcHeight}, blend.SourceConstantAlpha,
                (blend.AlphaFormat & AC_SRC_ALPHA) != 0, whole);
    return ::BitBlt(dst, x, y, width, height, dstDc.Get(), 0, 0, SRCCOPY);
}

}  // namespace Veneer
