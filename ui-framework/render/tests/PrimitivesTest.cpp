// Fills, gradients, outlines and clip scopes, read back from real DIBs.
#include <gtest/gtest.h>

#include <set>

#include "render/CUiRender.h"
#include "render/UiBlend.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;
using Veneer::Testing::GdiplusScope;

namespace {

constexpr DWORD kBackground = 0xFF101010;

DWORD Rgb(DWORD pixel) { return pixel & 0x00FFFFFF; }
int Red(DWORD pixel) { return static_cast<int>((pixel >> 16) & 0xFF); }
int Blue(DWORD pixel) { return static_cast<int>(pixel & 0xFF); }

class Primitives : public ::testing::Test {
protected:
    GdiplusScope m_gdiplus;
};

}  // namespace

TEST_F(Primitives, ColorFillsExactlyTheRectangleAndHonoursAlpha) {
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    CUiRender::DrawColor(dib.Dc(), RECT{2, 3, 12, 9}, 0xFFFF8000);
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(2, 3)), 0xFF8000u);
    EXPECT_EQ(Rgb(dib.At(11, 8)), 0xFF8000u);
    EXPECT_EQ(dib.At(12, 8), kBackground);
    EXPECT_EQ(dib.At(11, 9), kBackground);
    EXPECT_EQ(dib.At(1, 3), kBackground);

    dib.Fill(kBackground);
    CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 20, 20}, 0x00FFFFFF);  // alpha 0: nothing
    ::GdiFlush();
    EXPECT_EQ(dib.At(5, 5), kBackground);

    dib.Fill(0xFFFFFFFF);
    CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 20, 20}, 0x80000000);  // half black over white
    ::GdiFlush();
    EXPECT_NEAR(Red(dib.At(5, 5)), 127, 2);
}

TEST_F(Primitives, GradientRunsFromColor1ToColor2AlongItsDirection) {
    for (const bool vertical : {true, false}) {
        Dib32 dib(64, 64);
        dib.Fill(kBackground);
        CUiRender::DrawGradient(dib.Dc(), RECT{0, 0, 64, 64}, 0xFFFF0000, 0xFF0000FF, vertical, 16);
        ::GdiFlush();
        auto at = [&](int along, int across) { return vertical ? dib.At(across, along) : dib.At(along, across); };
        EXPECT_GT(Red(at(0, 5)), 240);
        EXPECT_LT(Blue(at(0, 5)), 15);
        EXPECT_GT(Blue(at(63, 5)), 240);
        for (int i = 1; i < 64; ++i) {
            EXPECT_LE(Red(at(i, 5)), Red(at(i - 1, 5))) << i;
            EXPECT_GE(Blue(at(i, 5)), Blue(at(i - 1, 5))) << i;
            EXPECT_EQ(at(i, 5), at(i, 60)) << "the other axis is uniform";
        }
    }
}

TEST_F(Primitives, TranslucentGradientIsTheOpaqueOneBlendedWithTheAverageAlpha) {
    Dib32 opaque(32, 16);
    CUiRender::DrawGradient(opaque.Dc(), RECT{0, 0, 32, 16}, 0xFF00FF00, 0xFFFF00FF, false, 8);
    Dib32 dib(40, 20);
    dib.FillPattern(5);
    Dib32 before(40, 20);
    ::GdiFlush();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) before.At(x, y) = dib.At(x, y);
    // Alphas 0x60 and 0xA0 average to 0x80.
    CUiRender::DrawGradient(dib.Dc(), RECT{4, 2, 36, 18}, 0x6000FF00, 0xA0FF00FF, false, 8);
    ::GdiFlush();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 4 && x < 36 && y >= 2 && y < 18;
            const DWORD expected =
                inside ? BlendPixel(before.At(x, y), opaque.At(x - 4, y - 2) | 0xFF000000, 0x80, false) : before.At(x, y);
            ASSERT_EQ(dib.At(x, y), expected) << x << "," << y;
        }
    dib.Fill(kBackground);
    CUiRender::DrawGradient(dib.Dc(), RECT{0, 0, 40, 20}, 0x00FF0000, 0x01FF0000, true, 8);  // average alpha 0
    ::GdiFlush();
    EXPECT_EQ(dib.At(10, 10), kBackground);
}

TEST_F(Primitives, BandedGradientHasTwoToTheNBandsEndingInColor2) {
    const struct {
        int steps, bands;
    } cases[] = {{0, 2}, {3, 2}, {4, 4}, {7, 4}, {8, 8}, {15, 8}, {16, 16}, {31, 16}, {32, 32}, {64, 64}, {500, 64}};
    for (const auto& c : cases) {
        EXPECT_EQ(CUiRender::GradientBandCount(c.steps), c.bands) << c.steps;
        Dib32 dib(8, 128);
        dib.Fill(kBackground);
        CUiRender::DrawGradientBands(dib.Dc(), RECT{0, 0, 8, 128}, 0xFF000000, 0xFFFFFFFF, true, c.steps);
        ::GdiFlush();
        std::set<DWORD> colours;
        for (int y = 0; y < 128; ++y) colours.insert(Rgb(dib.At(3, y)));
        EXPECT_EQ(static_cast<int>(colours.size()), c.bands) << c.steps;
        EXPECT_EQ(Rgb(dib.At(3, 127)), 0xFFFFFFu);  // band 0, at the bottom, is color2
        // Band i from the bottom: (c2 * (n - i) + c1 * i) >> log2(n); the top band is i = n - 1.
        const int top = (255 * 1) / c.bands;
        EXPECT_EQ(Red(dib.At(3, 0)), top) << c.steps;
        EXPECT_EQ(Rgb(dib.At(3, 128 / c.bands - 1)), Rgb(dib.At(3, 0))) << "equal band heights";
    }
    Dib32 dib(64, 4);
    CUiRender::DrawGradientBands(dib.Dc(), RECT{0, 0, 64, 4}, 0xFF0000FF, 0xFFFF0000, false, 4);
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(63, 0)), 0xFF0000u);  // color2 on the right
    EXPECT_GT(Blue(dib.At(0, 0)), Blue(dib.At(63, 0)));
}

TEST_F(Primitives, RectangleOutlineStaysInsideItsRectangle) {
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    CUiRender::DrawRect(dib.Dc(), RECT{2, 3, 12, 15}, 1, 0xFFFF0000);
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(2, 8)), 0xFF0000u);    // left edge
    EXPECT_EQ(Rgb(dib.At(11, 8)), 0xFF0000u);   // right edge at right - 1
    EXPECT_EQ(Rgb(dib.At(6, 3)), 0xFF0000u);    // top
    EXPECT_EQ(Rgb(dib.At(6, 14)), 0xFF0000u);   // bottom at bottom - 1
    EXPECT_EQ(dib.At(6, 8), kBackground);       // not filled
    EXPECT_EQ(dib.At(12, 8), kBackground);
    EXPECT_EQ(dib.At(6, 15), kBackground);
    EXPECT_EQ(dib.At(1, 8), kBackground);
}

TEST_F(Primitives, WideRectangleOutlineIsExactlySizePixelsAndBlendsOnce) {
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    CUiRender::DrawRect(dib.Dc(), RECT{2, 2, 18, 18}, 3, 0xFFFF0000);
    ::GdiFlush();
    for (int x : {2, 3, 4, 15, 16, 17}) EXPECT_EQ(Rgb(dib.At(x, 10)), 0xFF0000u) << x;
    for (int y : {2, 4, 15, 17}) EXPECT_EQ(Rgb(dib.At(10, y)), 0xFF0000u) << y;
    EXPECT_EQ(dib.At(5, 10), kBackground);
    EXPECT_EQ(dib.At(14, 10), kBackground);
    EXPECT_EQ(dib.At(1, 10), kBackground);
    EXPECT_EQ(dib.At(18, 10), kBackground);
    // Translucent: a corner pixel (where sides meet) is blended like an edge one.
    dib.Fill(kBackground);
    CUiRender::DrawRect(dib.Dc(), RECT{2, 2, 18, 18}, 3, 0x80FF0000);
    ::GdiFlush();
    EXPECT_EQ(dib.At(2, 2), dib.At(10, 2));
    EXPECT_EQ(dib.At(3, 3), dib.At(3, 10));
}

TEST_F(Primitives, LineRunsFromTopLeftToBottomRight) {
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    CUiRender::DrawLine(dib.Dc(), RECT{2, 5, 18, 5}, 3, 0xFF00FF00);
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(10, 5)), 0x00FF00u);
    EXPECT_EQ(dib.At(10, 7), kBackground);  // one pixel wide whatever the size
    EXPECT_EQ(dib.At(10, 3), kBackground);
}

TEST_F(Primitives, RoundRectangleOutlineLeavesItsCornersOpen) {
    Dib32 dib(40, 30);
    dib.Fill(kBackground);
    CUiRender::DrawRoundRect(dib.Dc(), RECT{2, 2, 38, 28}, 1, 12, 12, 0xFFFFFFFF);
    ::GdiFlush();
    EXPECT_EQ(dib.At(2, 2), kBackground);
    EXPECT_EQ(dib.At(37, 27), kBackground);
    EXPECT_GT(Red(dib.At(20, 2)), 0x80);  // middle of the top side
    EXPECT_GT(Red(dib.At(2, 15)), 0x80);  // middle of the left side
    EXPECT_EQ(dib.At(20, 15), kBackground);
    // Radius 0 falls back to the plain outline.
    dib.Fill(kBackground);
    CUiRender::DrawRoundRect(dib.Dc(), RECT{2, 2, 38, 28}, 1, 0, 0, 0xFFFFFFFF);
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(2, 2)), 0xFFFFFFu);
}

TEST_F(Primitives, RoundClipPaintsNothingOutsideItsCornersAndRestoresTheClip) {
    Dib32 dib(40, 30);
    dib.Fill(kBackground);
    const RECT item{5, 5, 35, 25};
    {
        CRenderClip clip = CUiRender::GenerateRoundClip(dib.Dc(), RECT{0, 0, 40, 30}, item, 12, 12);
        CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 40, 30}, 0xFFFFFFFF);
    }
    ::GdiFlush();
    EXPECT_EQ(dib.At(5, 5), kBackground);     // the rounded-off corners
    EXPECT_EQ(dib.At(34, 5), kBackground);
    EXPECT_EQ(dib.At(5, 24), kBackground);
    EXPECT_EQ(dib.At(34, 24), kBackground);
    EXPECT_EQ(dib.At(4, 15), kBackground);    // outside the item
    EXPECT_EQ(dib.At(35, 15), kBackground);
    EXPECT_EQ(dib.At(20, 25), kBackground);
    EXPECT_EQ(Rgb(dib.At(5, 15)), 0xFFFFFFu);   // the item's own edges are inside
    EXPECT_EQ(Rgb(dib.At(34, 15)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(dib.At(20, 24)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(dib.At(20, 5)), 0xFFFFFFu);

    // After the scope the DC has no clip again.
    CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 40, 30}, 0xFF00FF00);
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(0, 0)), 0x00FF00u);
}

TEST_F(Primitives, ChildClipScopeGivesBackTheParentsRoundClipNotItsBox) {
    Dib32 dib(40, 30);
    dib.Fill(kBackground);
    const RECT item{5, 5, 35, 25};
    CRenderClip parent = CUiRender::GenerateRoundClip(dib.Dc(), RECT{0, 0, 40, 30}, item, 16, 16);
    {
        CRenderClip child = CUiRender::GenerateClip(dib.Dc(), RECT{10, 10, 20, 20});
        CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 40, 30}, 0xFF0000FF);
        ::GdiFlush();
        EXPECT_EQ(Rgb(dib.At(9, 15)), Rgb(kBackground));
        EXPECT_EQ(Rgb(dib.At(15, 15)), 0x0000FFu);
    }
    CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 40, 30}, 0xFFFFFFFF);
    ::GdiFlush();
    EXPECT_EQ(dib.At(5, 5), kBackground);  // still rounded
    EXPECT_EQ(Rgb(dib.At(20, 15)), 0xFFFFFFu);
    EXPECT_EQ(dib.At(2, 2), kBackground);
}

TEST_F(Primitives, ZeroEllipseClipIsThePlainItemRectangle) {
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    {
        CRenderClip clip = CUiRender::GenerateRoundClip(dib.Dc(), RECT{0, 0, 20, 20}, RECT{3, 3, 10, 10}, 0, 0);
        CUiRender::DrawColor(dib.Dc(), RECT{0, 0, 20, 20}, 0xFFFFFFFF);
    }
    ::GdiFlush();
    EXPECT_EQ(Rgb(dib.At(3, 3)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(dib.At(9, 9)), 0xFFFFFFu);
    EXPECT_EQ(dib.At(10, 9), kBackground);
    EXPECT_EQ(dib.At(9, 10), kBackground);
}
