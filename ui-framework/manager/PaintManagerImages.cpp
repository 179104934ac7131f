// The image tables (per window and shared), the parsed image-descriptor cache
// and the layered window's mask image.
#include <windows.h>

#include <cstring>
#include <new>

#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"
#include "render/CUiRender.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

namespace Veneer {

namespace {

void FreeAllImages(UiStringPtrMap& table) {
    ForEachEntry(table, [](const wchar_t*, void* value) { CUiRender::FreeImage(static_cast<TImageInfo*>(value)); });
    table.RemoveAll();
}

// Keeps a copy of the pixels and applies the process-wide colour adjustment.
void AdjustImageColors(TImageInfo& image) {
    if (!image.bits || image.width <= 0 || image.height <= 0) return;
    const size_t bytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4;
    if (!image.hslSource) {
        image.hslSource = new (std::nothrow) BYTE[bytes];
        if (!image.hslSource) return;
        std::memcpy(image.hslSource, image.bits, bytes);
    }
    short hue = 180, saturation = 100, lightness = 100;
    CPaintManagerUI::GetHSL(&hue, &saturation, &lightness);
    ::GdiFlush();
    for (size_t i = 0; i < bytes; i += 4) {
        const BYTE* source = image.hslSource + i;
        const DWORD argb = (static_cast<DWORD>(source[3]) << 24) | (static_cast<DWORD>(source[2]) << 16) |
                           (static_cast<DWORD>(source[1]) << 8) | source[0];
        const DWORD adjusted = AdjustColorHsl(argb, hue, saturation, lightness);
        BYTE* target = image.bits + i;
        target[0] = static_cast<BYTE>(adjusted & 0xFF);
        target[1] = static_cast<BYTE>((adjusted >> 8) & 0xFF);
        target[2] = static_cast<BYTE>((adjusted >> 16) & 0xFF);
        target[3] = source[3];
    }
}

}  // namespace

const TImageInfo* CPaintManagerUI::GetImage(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    auto* image = static_cast<const TImageInfo*>(m_images.Find(name));
    if (!image) image = static_cast<const TImageInfo*>(Shared().images.Find(name));
    return image;
}

const TImageInfo* CPaintManagerUI::GetImageEx(const wchar_t* name, const wchar_t* type, DWORD mask,
                                              bool adjustColors, HINSTANCE instance) {
    const TImageInfo* image = GetImage(name);
    if (!image) image = AddImage(name, type, mask, adjustColors, false, instance);
    return image;
}

const TImageInfo* CPaintManagerUI::AddImage(const wchar_t* name, const wchar_t* type, DWORD mask, bool adjustColors,
                                            bool shared, HINSTANCE instance) {
    if (!name || !*name) return nullptr;
    const wchar_t* resType = (type && *type) ? type : nullptr;
    TImageInfo* image = CUiRender::LoadImage(name, resType, mask, instance);
    if (!image) return nullptr;
    image->resType = resType;
    image->mask = mask;
    image->adjustColors = adjustColors;
    if (adjustColors) AdjustImageColors(*image);
    UiStringPtrMap& table = (shared || m_forceShared) ? Shared().images : m_images;
    CUiRender::FreeImage(static_cast<TImageInfo*>(table.Set(name, image)));
    return image;
}

const TImageInfo* CPaintManagerUI::AddImage(const wchar_t* name, HBITMAP bitmap, int width, int height,
                                            bool hasAlpha, bool shared) {
    if (!name || !*name || !bitmap) return nullptr;
    UiStringPtrMap& table = (shared || m_forceShared) ? Shared().images : m_images;
    if (table.Find(name, false)) return nullptr;
    auto* image = new TImageInfo;
    image->bitmap = bitmap;
    DIBSECTION section{};
    if (::GetObjectW(bitmap, sizeof(section), &section) == sizeof(section)) {
        image->bits = static_cast<BYTE*>(section.dsBm.bmBits);
    }
    image->width = width;
    image->height = height;
    image->hasAlpha = hasAlpha;
    if (!table.Insert(name, image)) {
        image->bitmap = nullptr;  // not ours after all
        delete image;
        return nullptr;
    }
    return image;
}

bool CPaintManagerUI::RemoveImage(const wchar_t* name, bool shared) {
    if (!name || !*name) return false;
    UiStringPtrMap& table = shared ? Shared().images : m_images;
    auto* image = static_cast<TImageInfo*>(table.Find(name, false));
    if (!image) return false;
    table.Remove(name);
    CUiRender::FreeImage(image);
    return true;
}

void CPaintManagerUI::RemoveAllImages(bool shared) { FreeAllImages(shared ? Shared().images : m_images); }

void CPaintManagerUI::FreeWindowImages() { FreeAllImages(m_images); }

const TImageSpec* CPaintManagerUI::GetDrawInfo(const wchar_t* descriptor, const wchar_t* modifier) {
    UiString key(descriptor);
    key += modifier;
    if (key.IsEmpty()) return nullptr;
    auto* spec = static_cast<TImageSpec*>(m_drawInfos.Find(key));
    if (spec) {
        ++m_drawInfoStats.hits;
        return spec;
    }
    ++m_drawInfoStats.misses;
    spec = new TImageSpec;
    spec->Parse(descriptor, modifier, &m_dpi);
    if (!m_drawInfos.Insert(key, spec)) {
        delete spec;
        return nullptr;
    }
    return spec;
}

void CPaintManagerUI::RemoveAllDrawInfos() { DeleteAllValues<TImageSpec>(m_drawInfos); }

void CPaintManagerUI::ApplyLayeredMask(const RECT& area, const RECT& client) {
    const SIZE size{client.right - client.left, client.bottom - client.top};
    if (!m_maskDc || !m_maskBitmap || m_layeredChanged) {
        m_maskBitmap.Reset();
        m_maskDc.Reset();
        m_maskBits = nullptr;
        void* bits = nullptr;
        m_maskDc.Reset(::CreateCompatibleDC(GetPaintDC()));
        m_maskBitmap.Reset(CreateTopDownDib(GetPaintDC(), size.cx, size.cy, &bits));
        if (!m_maskDc || !m_maskBitmap || !bits) {
            m_maskBitmap.Reset();
            m_maskDc.Reset();
            return;
        }
        m_maskBits = static_cast<BYTE*>(bits);
        const TImageSpec* spec = GetDrawInfo(m_layeredImage);
        const TImageInfo* image =
            spec ? GetImageEx(spec->imageName, spec->resType.IsEmpty() ? nullptr : spec->resType.GetData(),
                              spec->mask)
                 : nullptr;
        if (image) {
            UiSelectObject select(m_maskDc.Get(), m_maskBitmap.Get());
            CUiRender::DrawImageRecord(m_maskDc.Get(), image, client, client, *spec, true);
            ::GdiFlush();
        }
    }
    // Each pixel takes the mask's alpha: its premultiplied colour is scaled by it.
    for (int y = area.top; y < area.bottom; ++y) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(size.cx);
        for (int x = area.left; x < area.right; ++x) {
            BYTE* pixel = m_offscreenBits + (row + static_cast<size_t>(x)) * 4;
            const BYTE alpha = m_maskBits[(row + static_cast<size_t>(x)) * 4 + 3];
            pixel[0] = static_cast<BYTE>(pixel[0] * alpha / 255);
            pixel[1] = static_cast<BYTE>(pixel[1] * alpha / 255);
            pixel[2] = static_cast<BYTE>(pixel[2] * alpha / 255);
            pixel[3] = alpha;
        }
    }
}

}  // namespace Veneer
