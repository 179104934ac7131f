#pragma once
// A memory DC with a top-down 32-bit DIB section selected into it for its whole
// life: a window's off-screen canvas, a layered window's mask. Pixels are
// premultiplied BGRA, rows of width * 4 bytes, first row at the top.
#include <windows.h>

#include "core/UiHandle.h"

namespace Veneer {

class UiDibSurface {
public:
    UiDibSurface() = default;
    ~UiDibSurface() { Reset(); }
    UiDibSurface(const UiDibSurface&) = delete;
    UiDibSurface& operator=(const UiDibSurface&) = delete;

    // Keeps the surface when it already has `size` (pixels); otherwise makes a
    // new one compatible with `reference`, its pixels transparent black. False,
    // and an empty surface, for an empty size or when the system refuses.
    bool Ensure(HDC reference, SIZE size);
    void Reset();

    bool IsValid() const { return m_bits != nullptr; }
    HDC GetDC() const { return m_dc.Get(); }
    HBITMAP GetBitmap() const { return m_bitmap.Get(); }
    SIZE GetSize() const { return m_size; }
    BYTE* GetBits() const { return m_bits; }
    // The pixel at (x, y); the caller keeps x and y inside the surface.
    BYTE* PixelAt(int x, int y) const {
        return m_bits + (static_cast<size_t>(y) * static_cast<size_t>(m_size.cx) + static_cast<size_t>(x)) * 4;
    }
    // `area` cut to the surface.
    RECT Clip(const RECT& area) const;
    // Makes the pixels of `area` transparent black.
    void Clear(const RECT& area);

private:
    UiMemoryDcHandle m_dc;
    UiBitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;  // the DC's own bitmap, selected back before the DC goes
    BYTE* m_bits = nullptr;
    SIZE m_size{};
};

}  // namespace Veneer
