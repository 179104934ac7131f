// Our blend against the system's AlphaBlend, pixel for pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "render/CUiRender.h"
#include "render/UiBlend.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;

namespace {

UiPixels32 PixelsOf(const Dib32& dib) { return dib.Pixels(); }

// Every premultiplied (channel, alpha) pair, the three colour channels
// differing so that a channel mix-up shows.
void FillPremultipliedPairs(Dib32& src) {
    ::GdiFlush();
    int n = 0;
    const int total = src.Width() * src.Height();
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c <= a && n < total; ++c, ++n)
            src.At(n % src.Width(), n / src.Width()) =
                static_cast<DWORD>(a) << 24 | static_cast<DWORD>(c) << 16 | static_cast<DWORD>(a - c) << 8 |
                static_cast<DWORD>(c / 2);
}

// Index-coded opaque pixels: the blue/green bytes say where a pixel came from.
void FillCoordinates(Dib32& src) {
    ::GdiFlush();
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) src.At(x, y) = 0xFF000000u | static_cast<DWORD>(y) << 8 | x;
}

int CountDifferences(const Dib32& a, const Dib32& b, std::string* first = nullptr) {
    ::GdiFlush();
    int count = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) {
                if (count == 0 && first) {
                    char text[96];
                    snprintf(text, sizeof(text), "(%d,%d) system %08lx ours %08lx", x, y,
                             static_cast<unsigned long>(a.At(x, y)), static_cast<unsigned long>(b.At(x, y)));
                    *first = text;
                }
                ++count;
            }
    return count;
}

void CopyPixels(const Dib32& from, Dib32& to) {
    ::GdiFlush();
    for (int y = 0; y < from.Height(); ++y)
        for (int x = 0; x < from.Width(); ++x) to.At(x, y) = from.At(x, y);
}

BOOL SystemBlend(HDC dst, const RECT& d, HDC src, const RECT& s, BYTE constant, bool perPixel) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, constant, static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
    return ::AlphaBlend(dst, d.left, d.top, d.right - d.left, d.bottom - d.top, src, s.left, s.top,
                        s.right - s.left, s.bottom - s.top, blend);
}

}  // namespace

TEST(BlendArithmetic, MatchesAlphaBlendForEveryConstantAlphaAndPremultipliedPair) {
    Dib32 src(256, 129);
    FillPremultipliedPairs(src);
    Dib32 system(256, 129), ours(256, 129);
    const RECT all{0, 0, 256, 129};
    int failures = 0;
    for (int constant = 0; constant <= 255; ++constant) {
        system.FillPattern(static_cast<uint32_t>(constant) * 7919u + 1);
        CopyPixels(system, ours);
        ASSERT_TRUE(SystemBlend(system.Dc(), all, src.Dc(), all, static_cast<BYTE>(constant), true));
        ASSERT_TRUE(BlendPixels(PixelsOf(ours), all, PixelsOf(src), all, static_cast<BYTE>(constant), true, all));
        std::string first;
        const int differences = CountDifferences(system, ours, &first);
        if (differences && failures++ < 3) ADD_FAILURE() << "constant alpha " << constant << ": " << differences
                                                         << " pixels differ, first " << first;
    }
}

TEST(BlendArithmetic, ConstantOnlyBlendMatchesAlphaBlendForEveryConstantAlpha) {
    Dib32 src(256, 64);
    src.FillPattern(99);  // any bytes: without per-pixel alpha nothing is premultiplied
    Dib32 system(256, 64), ours(256, 64);
    const RECT all{0, 0, 256, 64};
    int failures = 0;
    for (int constant = 0; constant <= 255; ++constant) {
        system.FillPattern(static_cast<uint32_t>(constant) + 5);
        CopyPixels(system, ours);
        ASSERT_TRUE(SystemBlend(system.Dc(), all, src.Dc(), all, static_cast<BYTE>(constant), false));
        BlendPixels(PixelsOf(ours), all, PixelsOf(src), all, static_cast<BYTE>(constant), false, all);
        std::string first;
        const int differences = CountDifferences(system, ours, &first);
        if (differences && failures++ < 3) ADD_FAILURE() << "constant alpha " << constant << ": " << first;
    }
}

TEST(BlendStretch, SamplesTheSameSourcePixelsAsAlphaBlendForEverySizePair) {
    Dib32 src(40, 40);
    FillCoordinates(src);
    Dib32 system(40, 40), ours(40, 40);
    int failures = 0;
    for (int s = 1; s <= 40; ++s) {
        for (int d = 1; d <= 40; ++d) {
            // Width s -> d, height the mirror pair, so both axes see every case.
            const RECT dst{0, 0, d, 41 - s > 0 ? 41 - s : 1};
            const RECT srcRect{0, 0, s, 41 - d > 0 ? 41 - d : 1};
            system.Fill(0);
            ours.Fill(0);
            SystemBlend(system.Dc(), dst, src.Dc(), srcRect, 255, true);
            BlendPixels(PixelsOf(ours), dst, PixelsOf(src), srcRect, 255, true, RECT{0, 0, 40, 40});
            std::string first;
            if (CountDifferences(system, ours, &first) && failures++ < 3)
                ADD_FAILURE() << s << " -> " << d << ": " << first;
        }
    }
}

TEST(BlendStretch, OffsetSourceAndTranslucentStretchMatchAlphaBlend) {
    Dib32 src(64, 48);
    src.FillPattern(3);
    ::GdiFlush();
    for (int y = 0; y < 48; ++y)  // make it premultiplied
        for (int x = 0; x < 64; ++x) {
            DWORD p = src.At(x, y);
            const DWORD a = p >> 24;
            const DWORD b = (p & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, r = ((p >> 16) & 0xFF) * a / 255;
            src.At(x, y) = a << 24 | r << 16 | g << 8 | b;
        }
    const struct {
        RECT dst, src;
        BYTE constant;
    } cases[] = {
        {{3, 5, 60, 20}, {7, 9, 20, 40}, 255},
        {{0, 0, 13, 77}, {50, 1, 64, 48}, 200},
        {{10, 10, 11, 90}, {5, 5, 9, 6}, 17},
        {{-7, -3, 30, 30}, {0, 0, 64, 48}, 128},
    };
    for (const auto& c : cases) {
        Dib32 system(64, 96), ours(64, 96);
        system.FillPattern(11);
        CopyPixels(system, ours);
        SystemBlend(system.Dc(), c.dst, src.Dc(), c.src, c.constant, true);
        BlendPixels(PixelsOf(ours), c.dst, PixelsOf(src), c.src, c.constant, true, RECT{0, 0, 64, 96});
        std::string first;
        EXPECT_EQ(CountDifferences(system, ours, &first), 0) << first;
    }
}

// Through the DC: clip regions, window origins and bottom-up DIBs all change
// which pixels are written; the result must still equal AlphaBlend's.
TEST(BlendThroughDc, HonoursClipOriginAndOrientationLikeAlphaBlend) {
    Dib32 src(30, 20, false);
    FillCoordinates(src);
    ::GdiFlush();
    for (int x = 0; x < 30; ++x) src.At(x, 5) = 0x80402010;  // a translucent row
    const struct {
        bool topDown;
        bool roundClip;
        POINT origin;
        RECT dst, src;
    } cases[] = {
        {true, false, {0, 0}, {2, 2, 50, 40}, {0, 0, 30, 20}},
        {false, true, {0, 0}, {2, 2, 50, 40}, {0, 0, 30, 20}},
        {true, true, {5, -3}, {-4, 1, 33, 27}, {3, 2, 29, 19}},
        {false, false, {-6, 4}, {10, 10, 20, 15}, {0, 0, 30, 20}},
    };
    for (const auto& c : cases) {
        Dib32 system(48, 36, c.topDown), ours(48, 36, c.topDown);
        system.FillPattern(21);
        CopyPixels(system, ours);
        for (Dib32* dib : {&system, &ours}) {
            ::SetWindowOrgEx(dib->Dc(), c.origin.x, c.origin.y, nullptr);
            if (c.roundClip) {
                UiRegion region(::CreateRoundRectRgn(3, 4, 40, 30, 18, 14));
                ::SelectClipRgn(dib->Dc(), region.Get());
            } else {
                ::IntersectClipRect(dib->Dc(), 1, 3, 44, 31);
            }
        }
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 230, AC_SRC_ALPHA};
        const int w = c.dst.right - c.dst.left, h = c.dst.bottom - c.dst.top;
        const int sw = c.src.right - c.src.left, sh = c.src.bottom - c.src.top;
        ASSERT_TRUE(::AlphaBlend(system.Dc(), c.dst.left, c.dst.top, w, h, src.Dc(), c.src.left, c.src.top, sw, sh,
                                 blend));
        ASSERT_TRUE(CUiRender::AlphaBlendAny(ours.Dc(), c.dst.left, c.dst.top, w, h, src.Dc(), c.src.left,
                                             c.src.top, sw, sh, blend));
        std::string first;
        EXPECT_EQ(CountDifferences(system, ours, &first), 0) << first;
    }
}

TEST(BlendThroughDc, SoftwareFallbackEqualsAlphaBlend) {
    Dib32 src(256, 129);
    FillPremultipliedPairs(src);
    for (const BYTE constant : {BYTE(255), BYTE(128), BYTE(1)}) {
        Dib32 system(300, 140), ours(300, 140);
        system.FillPattern(constant);
        CopyPixels(system, ours);
        for (Dib32* dib : {&system, &ours}) ::IntersectClipRect(dib->Dc(), 10, 0, 290, 120);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, constant, AC_SRC_ALPHA};
        ::AlphaBlend(system.Dc(), 5, 3, 280, 129, src.Dc(), 0, 0, 256, 129, blend);
        EXPECT_TRUE(CUiRender::SoftwareAlphaBlend(ours.Dc(), 5, 3, 280, 129, src.Dc(), 0, 0, 256, 129, blend));
        std::string first;
        EXPECT_EQ(CountDifferences(system, ours, &first), 0) << int(constant) << " " << first;
    }
}

TEST(BlendThroughDc, SourceOutsideTheBitmapFailsAndWritesNothingLikeAlphaBlend) {
    Dib32 src(10, 10);
    src.Fill(0xFFFFFFFF);
    Dib32 dst(20, 20);
    dst.Fill(0x11223344);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const RECT bad[] = {{-1, 0, 5, 5}, {0, 0, 11, 10}, {5, 5, 12, 9}, {0, 9, 10, 11}};
    for (const RECT& s : bad) {
        EXPECT_FALSE(::AlphaBlend(dst.Dc(), 0, 0, 10, 10, src.Dc(), s.left, s.top, s.right - s.left,
                                  s.bottom - s.top, blend));
        EXPECT_FALSE(CUiRender::AlphaBlendAny(dst.Dc(), 0, 0, 10, 10, src.Dc(), s.left, s.top, s.right - s.left,
                                              s.bottom - s.top, blend));
        EXPECT_FALSE(CUiRender::SoftwareAlphaBlend(dst.Dc(), 0, 0, 10, 10, src.Dc(), s.left, s.top,
                                                   s.right - s.left, s.bottom - s.top, blend));
    }
    ::GdiFlush();
    EXPECT_EQ(dst.At(0, 0), 0x11223344u);
    EXPECT_EQ(dst.At(9, 9), 0x11223344u);
}

TEST(BlendTargets, OrientationIsFoundByProbingAndPixelsAreLeftIntact) {
    for (const bool topDown : {true, false}) {
        Dib32 dib(5, 3, topDown);
        dib.FillPattern(7);
        const DWORD corner = dib.At(0, 0), other = dib.At(0, 2);
        ::IntersectClipRect(dib.Dc(), 2, 1, 4, 2);  // the probe must see through the clip
        UiBlendTarget target;
        ASSERT_TRUE(target.Attach(dib.Dc()));
        EXPECT_EQ(target.Pixels().Row(0), &dib.At(0, 0)) << topDown;
        EXPECT_EQ(target.Pixels().Row(2), &dib.At(0, 2)) << topDown;
        EXPECT_EQ(dib.At(0, 0), corner);
        EXPECT_EQ(dib.At(0, 2), other);
        // Deselected, the same bitmap is probed in a DC of our own.
        Dib32 loose(5, 3, topDown);
        UiPixels32 pixels;
        HBITMAP bitmap = loose.Bitmap();
        loose.Deselect();
        ASSERT_TRUE(GetBitmapPixels(bitmap, &pixels));
        EXPECT_EQ(pixels.Row(0), &loose.At(0, 0)) << topDown;
        EXPECT_EQ(pixels.stride, topDown ? 20 : -20);
        ForgetBitmap(bitmap);
    }
}

TEST(BlendTargets, OnlyReachable32BitDibsAreBlendedDirectly) {
    UiBlendTarget target;
    Dib32 dib(4, 4);
    EXPECT_TRUE(target.Attach(dib.Dc()));
    UiMemoryDc plain(nullptr);  // holds the stock 1x1 monochrome bitmap
    EXPECT_FALSE(target.Attach(plain.Get()));
    UiWindowDc screen;
    EXPECT_FALSE(target.Attach(screen.Get()));
    ::SetMapMode(dib.Dc(), MM_LOMETRIC);
    EXPECT_FALSE(target.Attach(dib.Dc()));
    EXPECT_FALSE(target.Attach(nullptr));
}

TEST(GdiAlpha, ColouredPixelsWithoutAlphaBecomeOpaqueAndEverythingElseStays) {
    // Eleven pixels: two groups of four take the vector path, three the tail.
    const struct {
        DWORD before, after;
    } cases[] = {
        {0x00000000, 0x00000000},  // never drawn: stays transparent
        {0x00000001, 0xFF000001},  // GDI drew a colour: opaque
        {0x00FFFFFF, 0xFFFFFFFF},
        {0x01000000, 0x01000000},  // has alpha: a blend wrote it
        {0xFF123456, 0xFF123456},
        {0x00123456, 0xFF123456},
        {0x80000000, 0x80000000},
        {0x00000000, 0x00000000},
        {0x7F010203, 0x7F010203},
        {0x00010000, 0xFF010000},
        {0x00000000, 0x00000000},
    };
    DWORD row[std::size(cases)];
    for (size_t i = 0; i < std::size(cases); ++i) row[i] = cases[i].before;
    MakeGdiPixelsOpaque(row, static_cast<int>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(row[i], cases[i].after) << "pixel " << i;
}
