#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <stb_image.h>

#include "core/CSkinStorage.h"
#include "core/UiPhaseClock.h"
#include "render/CUiRender.h"
#include "render/PngRows.h"
#include "render/StbPixelTarget.h"
#include "render/UiBlend.h"

namespace Veneer {

namespace {

struct StbFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// Program resources: a name that starts with a digit is a numeric id, which
// the resource functions accept as "#<id>".
HINSTANCE ResourceModule(HINSTANCE instance) {
    HINSTANCE module = instance ? instance : CSkinStorage::GetResourceInstance();
    return module ? module : ::GetModuleHandleW(nullptr);
}

UiString ResourceName(const wchar_t* name) {
    if (name[0] < L'0' || name[0] > L'9') return UiString(name);
    UiString id(L"#");
    id += name;
    return id;
}

// "C:\..." or "C:/...": a path that cannot depend on the current folder.
bool IsDriveAbsolute(const wchar_t* name) {
    const wchar_t drive = name[0];
    return ((drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z')) && name[1] == L':' &&
           (name[2] == L'\\' || name[2] == L'/');
}

// A name the skin storage lacks is read as a plain file only for a folder
// skin and only by absolute path. An archive skin (file, resource or memory)
// never reads loose files, and a relative name is never looked up in the
// current folder: an elevated installer started from a downloads folder
// would otherwise decode whatever image was planted beside it.
bool MayReadPlainFile(const wchar_t* name) {
    return CSkinStorage::GetResourceZip().IsEmpty() && CSkinStorage::GetResourceType() == ResourceType::Folder &&
           IsDriveAbsolute(name);
}

}  // namespace

UiImagePtr CUiRender::LoadImage(const wchar_t* name, const wchar_t* type, DWORD mask, HINSTANCE instance) {
    if (!name || !name[0]) return nullptr;
    std::vector<unsigned char> bytes;
    bool read = false;
    if (type && type[0]) {
        read = CSkinStorage::ReadResource(ResourceModule(instance), ResourceName(name), type, bytes);
    } else {
        read = CSkinStorage::ReadFile(name, bytes) ||
               (MayReadPlainFile(name) && CSkinStorage::ReadPlainFile(name, bytes));
    }
    if (!read || bytes.empty()) return nullptr;
    return LoadImageFromMemory(bytes.data(), bytes.size(), mask);
}

bool CUiRender::HasImage(const wchar_t* name, const wchar_t* type, HINSTANCE instance) {
    if (!name || !name[0]) return false;
    if (type && type[0]) {
        const HINSTANCE module = ResourceModule(instance);
        HRSRC resource = ::FindResourceW(module, ResourceName(name), type);
        return resource && ::SizeofResource(module, resource) > 0;
    }
    if (CSkinStorage::HasFile(name)) return true;
    if (!MayReadPlainFile(name)) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(name, GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeHigh == 0 && data.nFileSizeLow > 0 &&
           data.nFileSizeLow <= kMaxSkinFileBytes;
}

namespace {

// The bitmap a decoder writes into, made once the image's size is known.
struct DecodeTarget {
    UiBitmap bitmap;
    void* bits = nullptr;
    int width = 0;
    int height = 0;

    static unsigned char* Make(void* self, int width, int height) {
        auto* target = static_cast<DecodeTarget*>(self);
        target->bitmap.Reset(CreateTopDownDib(nullptr, width, height, &target->bits));
        target->width = width;
        target->height = height;
        return target->bitmap && target->bits ? static_cast<unsigned char*>(target->bits) : nullptr;
    }
};

// stb_image into the target: its finished-size buffer is the bitmap's own
// memory when it can be, else the pixels are copied over.
bool DecodeGeneral(const stbi_uc* data, int size, DecodeTarget* target) {
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, size, &width, &height, &channels) || width <= 0 || height <= 0 ||
        !DecodeTarget::Make(target, width, height)) {
        return false;
    }
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    StbPixelTarget lent(target->bits, bytes);
    int decodedWidth = 0, decodedHeight = 0;
    std::unique_ptr<stbi_uc, StbFree> rgba(
        stbi_load_from_memory(data, size, &decodedWidth, &decodedHeight, &channels, 4));
    if (!rgba || decodedWidth != width || decodedHeight != height) return false;
    if (lent.Holds(rgba.get())) {
        rgba.release();
    } else {
        std::memcpy(target->bits, rgba.get(), bytes);
    }
    return true;
}

}  // namespace

UiImagePtr CUiRender::LoadImageFromMemory(const void* bytes, size_t length, DWORD mask) {
    if (!bytes || length == 0 || length > static_cast<size_t>(INT_MAX)) return nullptr;
    const UiPhaseScope phase("decode");
    const auto* data = static_cast<const stbi_uc*>(bytes);
    const int size = static_cast<int>(length);

    // The bitmap is made first and the decoder writes into it: the pixels
    // are written once, and no second image-sized buffer is touched. The
    // skin's own PNGs are inflated row by row; any other image goes through
    // the general decoder.
    DecodeTarget target;
    const PngRowsResult rows = DecodePngRows(data, length, &DecodeTarget::Make, &target);
    if (rows == PngRowsResult::Corrupt || (rows == PngRowsResult::Unsupported && !DecodeGeneral(data, size, &target))) {
        return nullptr;
    }
    const int width = target.width;
    const int height = target.height;
    void* bits = target.bits;
    UiBitmap& bitmap = target.bitmap;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);

    // RGBA -> premultiplied BGRA, in place; then the mask, compared with the
    // finished pixel, clears it completely.
    bool hasAlpha = false;
    DWORD* pixels = static_cast<DWORD*>(bits);
    for (size_t i = 0; i < count; ++i) {
        const auto* in = reinterpret_cast<const BYTE*>(pixels + i);
        const DWORD alpha = in[3];
        DWORD r = in[0], g = in[1], b = in[2];
        if (alpha != 255) {
            r = r * alpha / 255;
            g = g * alpha / 255;
            b = b * alpha / 255;
            hasAlpha = true;
        }
        DWORD pixel = alpha << 24 | r << 16 | g << 8 | b;
        if (mask != 0 && pixel == mask) {
            pixel = 0;
            hasAlpha = true;
        }
        pixels[i] = pixel;
    }

    UiImagePtr image(new (std::nothrow) TImageInfo);
    if (!image) return nullptr;
    RememberTopDownBitmap(bitmap.Get());
    image->bitmap = bitmap.Release();
    image->bits = static_cast<BYTE*>(bits);
    image->width = width;
    image->height = height;
    image->hasAlpha = hasAlpha;
    image->mask = mask;
    return image;
}

// The colour-adjustment copy was allocated with new[].
void TImageInfoDeleter::operator()(TImageInfo* image) const {
    if (!image) return;
    if (image->bitmap) {
        ForgetBitmap(image->bitmap);
        ::DeleteObject(image->bitmap);
    }
    delete[] image->hslSource;
    delete image;
}

}  // namespace Veneer
