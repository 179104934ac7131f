// The image tables (per window and shared), the parsed image-descriptor cache
// and the layered window's mask image.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"
#include "render/CUiRender.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

namespace Veneer {

namespace {

// Table keys made of several texts. A single text without kKeyMark is its own
// key, so the plain cases (an image by name alone, a descriptor without
// modifier) stay readable and GetImage(name) finds what GetImageEx(name)
// loaded. Anything else becomes kKeyMark, the texts' lengths and the texts:
// such a key always holds kKeyMark and the lengths leave no two ways to read
// it, so "a" + "bc" and "ab" + "c" stay apart.
constexpr wchar_t kKeyMark = L'\x1F';

void AppendPart(UiString& key, const wchar_t* text) {
    UiString length;
    length.SmallFormat(L"%u", static_cast<unsigned>(std::wcslen(text)));
    key += length;
    key += kKeyMark;
    key += text;
}

UiString DrawInfoKey(const wchar_t* descriptor, const wchar_t* modifier) {
    if (!descriptor) descriptor = L"";
    if (!modifier) modifier = L"";
    if (!*modifier && !std::wcschr(descriptor, kKeyMark)) return UiString(descriptor);
    UiString key(kKeyMark);
    AppendPart(key, descriptor);
    AppendPart(key, modifier);
    return key;
}

// The same file read with another mask, or as a program resource, is another
// image.
UiString ImageKey(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (!type) type = L"";
    if (!*type && mask == 0 && !std::wcschr(name, kKeyMark)) return UiString(name);
    UiString maskText;
    maskText.SmallFormat(L"%08lX", static_cast<unsigned long>(mask));
    UiString key(kKeyMark);
    AppendPart(key, type);
    key += maskText;
    AppendPart(key, name);
    return key;
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

// Only a page's own images may be released with it: an image drawn outside
// any page, or by two pages, or whose pixels cannot be loaded again (handed
// over as a bitmap, colour-adjusted on request) is shared for good.
const char kSharedImage = 0;

void NoteDrawer(TImageInfo& image, const void* page) {
    const void* drawer = page ? page : &kSharedImage;
    if (image.drawnBy == drawer || image.drawnBy == &kSharedImage) return;
    image.drawnBy = (image.drawnBy || image.adjustColors) ? &kSharedImage : drawer;
}

}  // namespace

const TImageInfo* CPaintManagerUI::GetImage(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    const UiString key = ImageKey(name, nullptr, 0);
    const TImageInfo* image = m_images.Find(key);
    if (!image) image = Shared().images.Find(key);
    return image;
}

const TImageInfo* CPaintManagerUI::GetImageEx(const wchar_t* name, const wchar_t* type, DWORD mask,
                                              bool adjustColors, HINSTANCE instance) {
    if (!name || !*name) return nullptr;
    const UiString key = ImageKey(name, type, mask);
    if (TImageInfo* own = m_images.Find(key)) {
        NoteDrawer(*own, m_imagePage);
        return own;
    }
    if (const TImageInfo* shared = Shared().images.Find(key)) return shared;
    const TImageInfo* added = AddImage(name, type, mask, adjustColors, false, instance);
    if (TImageInfo* own = added ? m_images.Find(key, false) : nullptr) {
        // A page's image loaded again for another page is shared from now on.
        if (const void* before = m_releasedImagePages.Find(key, false)) own->drawnBy = before;
        NoteDrawer(*own, m_imagePage);
    }
    return added;
}

CPaintManagerUI::ImagePageScope::ImagePageScope(CPaintManagerUI* manager, const void* page) {
    if (!manager || !page) return;
    m_manager = manager;
    m_saved = manager->m_imagePage;
    manager->m_imagePage = page;
}

CPaintManagerUI::ImagePageScope::~ImagePageScope() {
    if (m_manager) m_manager->m_imagePage = m_saved;
}

void CPaintManagerUI::ReleasePageImages(const void* page) {
    if (!page) return;
    std::vector<UiString> keys;
    m_images.ForEach([&](const wchar_t* key, const TImageInfo& image) {
        if (image.drawnBy == page) keys.emplace_back(key);
    });
    for (const UiString& key : keys) {
        m_releasedImagePages.Set(key, const_cast<void*>(page));
        m_images.Remove(key);
    }
}

const TImageInfo* CPaintManagerUI::AddImage(const wchar_t* name, const wchar_t* type, DWORD mask, bool adjustColors,
                                            bool shared, HINSTANCE instance) {
    if (!name || !*name) return nullptr;
    const wchar_t* resType = (type && *type) ? type : nullptr;
    UiImagePtr image = CUiRender::LoadImage(name, resType, mask, instance);
    if (!image) return nullptr;
    image->resType = resType;
    image->mask = mask;
    image->adjustColors = adjustColors;
    if (adjustColors) AdjustImageColors(*image);
    auto& table = (shared || m_forceShared) ? Shared().images : m_images;
    return table.Set(ImageKey(name, resType, mask), std::move(image));
}

const TImageInfo* CPaintManagerUI::AddImage(const wchar_t* name, HBITMAP bitmap, int width, int height,
                                            bool hasAlpha, bool shared) {
    if (!name || !*name || !bitmap) return nullptr;
    auto& table = (shared || m_forceShared) ? Shared().images : m_images;
    const UiString key = ImageKey(name, nullptr, 0);
    if (table.Find(key, false)) return nullptr;
    // From here the table owns the caller's bitmap.
    UiImagePtr image(new TImageInfo);
    image->bitmap = bitmap;
    image->drawnBy = &kSharedImage;
    DIBSECTION section{};
    if (::GetObjectW(bitmap, sizeof(section), &section) == sizeof(section)) {
        image->bits = static_cast<BYTE*>(section.dsBm.bmBits);
    }
    image->width = width;
    image->height = height;
    image->hasAlpha = hasAlpha;
    return table.Insert(key, std::move(image));
}

bool CPaintManagerUI::RemoveImage(const wchar_t* name, bool shared) {
    if (!name || !*name) return false;
    return (shared ? Shared().images : m_images).Remove(ImageKey(name, nullptr, 0));
}

void CPaintManagerUI::RemoveAllImages(bool shared) { (shared ? Shared().images : m_images).Clear(); }

void CPaintManagerUI::FreeWindowImages() { m_images.Clear(); }

const TImageSpec* CPaintManagerUI::GetDrawInfo(const wchar_t* descriptor, const wchar_t* modifier) {
    const UiString key = DrawInfoKey(descriptor, modifier);
    if (key.IsEmpty()) return nullptr;
    if (const TImageSpec* spec = m_drawInfos.Find(key)) {
        ++m_drawInfoStats.hits;
        return spec;
    }
    ++m_drawInfoStats.misses;
    auto spec = std::make_unique<TImageSpec>();
    spec->Parse(descriptor, modifier, &m_dpi);
    return m_drawInfos.Insert(key, std::move(spec));
}

void CPaintManagerUI::RemoveAllDrawInfos() { m_drawInfos.Clear(); }

}  // namespace Veneer
