#include "render/UiDibSurface.h"

#include <algorithm>
#include <cstring>

namespace Veneer {

bool UiDibSurface::Ensure(HDC reference, SIZE size) {
    if (m_bits && size.cx == m_size.cx && size.cy == m_size.cy) return true;
    Reset();
    if (size.cx <= 0 || size.cy <= 0) return false;
    void* bits = nullptr;
    m_dc.Reset(::CreateCompatibleDC(reference));
    m_bitmap.Reset(CreateTopDownDib(reference, size.cx, size.cy, &bits));
    if (!m_dc || !m_bitmap || !bits) {
        Reset();
        return false;
    }
    m_previous = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    m_bits = static_cast<BYTE*>(bits);
    m_size = size;
    return true;
}

void UiDibSurface::Reset() {
    if (m_dc && m_previous) ::SelectObject(m_dc.Get(), m_previous);
    m_previous = nullptr;
    m_dc.Reset();
    m_bitmap.Reset();
    m_bits = nullptr;
    m_size = SIZE{};
}

RECT UiDibSurface::Clip(const RECT& area) const {
    RECT clipped{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0), std::min<LONG>(area.right, m_size.cx),
                 std::min<LONG>(area.bottom, m_size.cy)};
    if (clipped.right < clipped.left) clipped.right = clipped.left;
    if (clipped.bottom < clipped.top) clipped.bottom = clipped.top;
    return clipped;
}

void UiDibSurface::Clear(const RECT& area) {
    if (!m_bits) return;
    const RECT clipped = Clip(area);
    const size_t rowBytes = static_cast<size_t>(clipped.right - clipped.left) * 4;
    if (rowBytes == 0) return;
    ::GdiFlush();  // GDI may still be writing these pixels
    for (LONG y = clipped.top; y < clipped.bottom; ++y) std::memset(PixelAt(clipped.left, y), 0, rowBytes);
}

}  // namespace Veneer
