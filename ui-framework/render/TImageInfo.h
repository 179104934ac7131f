#pragma once
// A loaded skin image: a 32-bit top-down DIB with premultiplied BGRA pixels,
// held by a UiImagePtr, whose deleter frees the bitmap, the colour-adjustment
// copy and the record.
#include <windows.h>

#include <memory>

#include "core/UiString.h"

namespace Veneer {

struct TImageInfo {
    HBITMAP bitmap = nullptr;
    BYTE* bits = nullptr;         // the DIB's own pixels (width * height * 4 bytes)
    BYTE* hslSource = nullptr;    // copy kept for hue/saturation/lightness adjustment, or null
    int width = 0;                // pixels
    int height = 0;               // pixels
    bool hasAlpha = false;        // any pixel below 255 alpha or removed by the mask
    bool adjustColors = false;    // the copy above is kept and adjusted
    UiString resType;             // empty: from the skin storage
    DWORD mask = 0;               // BGRA value made transparent at load time
    // Who has drawn it, kept by the paint manager: null before the first draw,
    // then the one page that drew it, or the manager's shared mark.
    const void* drawnBy = nullptr;
};

struct TImageInfoDeleter {
    void operator()(TImageInfo* image) const;
};
using UiImagePtr = std::unique_ptr<TImageInfo, TImageInfoDeleter>;

}  // namespace Veneer
