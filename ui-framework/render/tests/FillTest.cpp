// Solid fills written straight into the DIB against the same fills through
// GDI+, pixel for pixel: every colour alpha, every kind of destination pixel,
// clip regions, window origins and both DIB orientations.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "render/CUiRender.h"
#include "render/UiBlend.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;
using Veneer::Testing::GdiplusScope;

namespace {

// Destination pixels: opaque, translucent premultiplied (every alpha, channels
// up to it), fully transparent, and a few that are not premultiplied (what a
// GDI call leaves behind: colour with alpha 0).
DWORD DestinationPixel(int index) {
    switch (index % 16) {
        case 0: return 0;
        case 1: return 0xFF000000;
        case 2: return 0xFFFFFFFF;
        case 3: return 0x00FFFFFF & (static_cast<DWORD>(index) * 2654435761u);  // alpha 0, colour left by GDI
        default: break;
    }
    const DWORD mix = static_cast<DWORD>(index) * 2654435761u;
    const DWORD alpha = (index % 16 == 4) ? 255 : (mix >> 24) & 0xFF;
    const DWORD r = alpha ? ((mix >> 16) & 0xFF) % (alpha + 1) : 0;
    const DWORD g = alpha ? ((mix >> 8) & 0xFF) % (alpha + 1) : 0;
    const DWORD b = alpha ? (mix & 0xFF) % (alpha + 1) : 0;
    return alpha << 24 | r << 16 | g << 8 | b;
}

void FillDestinations(Dib32& dib, int seed) {
    ::GdiFlush();
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) dib.At(x, y) = DestinationPixel(seed + y * dib.Width() + x);
}

void CopyPixels(const Dib32& from, Dib32& to) {
    ::GdiFlush();
    for (int y = 0; y < from.Height(); ++y)
        for (int x = 0; x < from.Width(); ++x) to.At(x, y) = from.At(x, y);
}

// The first difference, with the pixel it started from, or empty.
std::string FirstDifference(const Dib32& before, const Dib32& system, const Dib32& ours, int* count) {
    ::GdiFlush();
    std::string first;
    *count = 0;
    for (int y = 0; y < system.Height(); ++y)
        for (int x = 0; x < system.Width(); ++x)
            if (system.At(x, y) != ours.At(x, y)) {
                if (first.empty()) {
                    char text[128];
                    snprintf(text, sizeof(text), "(%d,%d) under %08lx: GDI+ %08lx direct %08lx", x, y,
                             static_cast<unsigned long>(before.At(x, y)), static_cast<unsigned long>(system.At(x, y)),
                             static_cast<unsigned long>(ours.At(x, y)));
                    first = text;
                }
                ++*count;
            }
    return first;
}

// Runs `draw` on the GDI+ path and on the direct path over the same pixels.
template <typename Setup, typename Draw>
void ExpectSameOnBothPaths(int width, int height, bool topDown, int seed, Setup setup, Draw draw,
                           const std::string& what) {
    Dib32 before(width, height, topDown), system(width, height, topDown), ours(width, height, topDown);
    FillDestinations(before, seed);
    CopyPixels(before, system);
    CopyPixels(before, ours);
    setup(system.Dc());
    setup(ours.Dc());
    CUiRender::SetDirectFillEnabled(false);
    draw(system.Dc());
    CUiRender::SetDirectFillEnabled(true);
    draw(ours.Dc());
    int count = 0;
    const std::string first = FirstDifference(before, system, ours, &count);
    EXPECT_EQ(count, 0) << what << ": " << first;
}

class DirectFill : public ::testing::Test {
protected:
    void TearDown() override { CUiRender::SetDirectFillEnabled(true); }
    GdiplusScope m_gdiplus;
};

void NoSetup(HDC) {}

}  // namespace

TEST_F(DirectFill, ColorMatchesGdiplusForEveryAlphaOverEveryKindOfPixel) {
    // Four colours per alpha, one per quadrant, so every channel value meets
    // every kind of destination pixel across the run.
    for (int alpha = 0; alpha <= 255; ++alpha) {
        const DWORD a = static_cast<DWORD>(alpha) << 24;
        const DWORD colours[4] = {a | 0xFFFFFF, a | 0x000000,
                                  a | (static_cast<DWORD>(alpha * 7 + 3) & 0xFF) << 16 |
                                      (static_cast<DWORD>(alpha * 13 + 1) & 0xFF) << 8 | (255 - alpha),
                                  a | static_cast<DWORD>(alpha) << 16 | (static_cast<DWORD>(alpha) ^ 0x5A) << 8 |
                                      (static_cast<DWORD>(alpha * 3) & 0xFF)};
        ExpectSameOnBothPaths(
            34, 34, true, alpha * 977, NoSetup,
            [&](HDC dc) {
                CUiRender::DrawColor(dc, RECT{1, 1, 17, 17}, colours[0]);
                CUiRender::DrawColor(dc, RECT{17, 1, 33, 17}, colours[1]);
                CUiRender::DrawColor(dc, RECT{1, 17, 17, 33}, colours[2]);
                CUiRender::DrawColor(dc, RECT{17, 17, 33, 33}, colours[3]);
            },
            "alpha " + std::to_string(alpha));
        if (HasFailure()) return;
    }
}

TEST_F(DirectFill, ColorMatchesGdiplusInsideClipRegionsAndOffsetOrigins) {
    const DWORD colours[] = {0xFF3366CC, 0x80FF8000, 0x01FFFFFF, 0xFE102030};
    for (const bool topDown : {true, false})
        for (const DWORD colour : colours) {
            const std::string what = std::string(topDown ? "top-down " : "bottom-up ") + std::to_string(colour);
            // A rounded clip (many bands) and a rectangle running off the surface.
            ExpectSameOnBothPaths(
                40, 30, topDown, 11,
                [](HDC dc) {
                    UiRegion round(::CreateRoundRectRgn(3, 2, 36, 27, 14, 14));
                    ::SelectClipRgn(dc, round.Get());
                },
                [&](HDC dc) { CUiRender::DrawColor(dc, RECT{-5, -3, 45, 33}, colour); }, what + " round clip");
            // Window and viewport origins moved: logical rectangles map as GDI maps them.
            ExpectSameOnBothPaths(
                40, 30, topDown, 23,
                [](HDC dc) {
                    ::SetWindowOrgEx(dc, 7, -4, nullptr);
                    ::SetViewportOrgEx(dc, -2, 3, nullptr);
                    UiRegion box(::CreateRectRgn(4, 4, 30, 22));  // device coordinates
                    ::SelectClipRgn(dc, box.Get());
                },
                [&](HDC dc) { CUiRender::DrawColor(dc, RECT{5, 0, 38, 25}, colour); }, what + " origins");
            // A meta region under the clip region.
            ExpectSameOnBothPaths(
                40, 30, topDown, 29,
                [](HDC dc) {
                    UiRegion meta(::CreateEllipticRgn(0, 0, 40, 30));
                    ::SelectClipRgn(dc, meta.Get());
                    ::SetMetaRgn(dc);
                    UiRegion box(::CreateRectRgn(10, 0, 40, 20));
                    ::SelectClipRgn(dc, box.Get());
                },
                [&](HDC dc) { CUiRender::DrawColor(dc, RECT{0, 0, 40, 30}, colour); }, what + " meta region");
            // A clip that excludes the whole rectangle draws nothing.
            ExpectSameOnBothPaths(
                40, 30, topDown, 37,
                [](HDC dc) {
                    UiRegion box(::CreateRectRgn(30, 20, 40, 30));
                    ::SelectClipRgn(dc, box.Get());
                },
                [&](HDC dc) { CUiRender::DrawColor(dc, RECT{0, 0, 20, 15}, colour); }, what + " clipped away");
        }
}

TEST_F(DirectFill, RectangleOutlinesMatchGdiplusAtEveryWidth) {
    const DWORD colours[] = {0xFFFF0000, 0x80FFFFFF, 0x3300FF7F};
    for (const DWORD colour : colours)
        for (int size = 1; size <= 7; ++size) {
            const std::string what = std::to_string(colour) + " size " + std::to_string(size);
            ExpectSameOnBothPaths(
                30, 24, size % 2 == 0, size * 5, NoSetup,
                [&](HDC dc) {
                    CUiRender::DrawRect(dc, RECT{2, 3, 28, 21}, size, colour);
                    CUiRender::DrawRect(dc, RECT{1, 1, 7, 4}, size, colour);  // thinner than the outline
                },
                what);
            ExpectSameOnBothPaths(
                30, 24, true, size * 3,
                [](HDC dc) {
                    UiRegion round(::CreateEllipticRgn(0, 0, 30, 24));
                    ::SelectClipRgn(dc, round.Get());
                    ::SetWindowOrgEx(dc, -3, 2, nullptr);
                },
                [&](HDC dc) { CUiRender::DrawRect(dc, RECT{0, 0, 26, 20}, size, colour); }, what + " clipped");
        }
}

TEST_F(DirectFill, WorldTransformsAndPlainBitmapsStillFill) {
    // A scaled DC and a device-dependent bitmap are left to GDI+: the fill
    // lands where GDI+ puts it.
    Dib32 dib(20, 20);
    dib.Fill(0xFF000000);
    ::SetGraphicsMode(dib.Dc(), GM_ADVANCED);
    const XFORM scale{2.0f, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f};
    ::SetWorldTransform(dib.Dc(), &scale);
    CUiRender::DrawColor(dib.Dc(), RECT{1, 1, 5, 5}, 0xFFFFFFFF);
    ::GdiFlush();
    EXPECT_EQ(dib.At(9, 9) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(dib.At(10, 10) & 0xFFFFFF, 0u);
    EXPECT_EQ(dib.At(1, 1) & 0xFFFFFF, 0u);

    UiWindowDc screen(nullptr);
    UiBitmap plain(::CreateCompatibleBitmap(screen.Get(), 10, 10));
    UiMemoryDc memory(screen.Get());
    memory.Select(plain.Get());
    ::PatBlt(memory.Get(), 0, 0, 10, 10, BLACKNESS);
    CUiRender::DrawColor(memory.Get(), RECT{2, 2, 6, 6}, 0xFF00FF00);
    EXPECT_EQ(::GetPixel(memory.Get(), 3, 3), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(memory.Get(), 7, 7), RGB(0, 0, 0));
    memory.Select(nullptr);
}
