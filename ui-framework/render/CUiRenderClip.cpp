#include "render/CUiRender.h"

#include <utility>

namespace Veneer {

namespace {

// Logical to device coordinates (clip regions are kept in device units).
RECT ToDevice(HDC dc, const RECT& rect) {
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ::LPtoDP(dc, corners, 2);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// Narrows the DC's clip to `region` (device coordinates).
void IntersectClip(HDC dc, HRGN region, bool hadClip) {
    if (hadClip)
        ::ExtSelectClipRgn(dc, region, RGN_AND);
    else
        ::SelectClipRgn(dc, region);
}

}  // namespace

CRenderClip::CRenderClip(HDC dc) : m_dc(dc) {
    if (!m_dc) return;
    UiRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (region && ::GetClipRgn(dc, region.Get()) == 1) {
        m_saved = std::move(region);
        m_hadClip = true;
    }
}

CRenderClip::CRenderClip(CRenderClip&& other) noexcept
    : m_dc(std::exchange(other.m_dc, nullptr)), m_saved(std::move(other.m_saved)), m_hadClip(other.m_hadClip) {}

CRenderClip::~CRenderClip() {
    if (m_dc) ::SelectClipRgn(m_dc, m_hadClip ? m_saved.Get() : nullptr);
}

CRenderClip CUiRender::GenerateClip(HDC dc, const RECT& rect) {
    CRenderClip scope(dc);
    if (dc) ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    return scope;
}

CRenderClip CUiRender::GenerateRoundClip(HDC dc, const RECT& paint, const RECT& item, int width, int height) {
    CRenderClip scope(dc);
    if (!dc) return scope;
    const RECT paintDevice = ToDevice(dc, paint);
    const RECT itemDevice = ToDevice(dc, item);
    UiRegion region(::CreateRectRgnIndirect(&paintDevice));
    // The rounded region leaves out its right and bottom edges, hence + 1.
    UiRegion shape(width > 0 && height > 0 ? ::CreateRoundRectRgn(itemDevice.left, itemDevice.top,
                                                                   itemDevice.right + 1, itemDevice.bottom + 1,
                                                                   width, height)
                                           : ::CreateRectRgnIndirect(&itemDevice));
    if (!region || !shape) return scope;
    ::CombineRgn(region.Get(), region.Get(), shape.Get(), RGN_AND);
    IntersectClip(dc, region.Get(), scope.m_hadClip);
    return scope;
}

}  // namespace Veneer
