// Nine-part drawing, tiles, mask, fade and hole, read back from real DIBs.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>

#include "core/CDpiScaler.h"
#include "render/CUiRender.h"
#include "render/UiBlend.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;
using Veneer::Testing::EncodePng;
using Veneer::Testing::TempFolder;

namespace {

using ImagePtr = UiImagePtr;

constexpr DWORD kBackground = 0xFF202020;

// Nine regions of distinct opaque colours (BGRA as stored after decoding).
enum : DWORD {
    kTopLeft = 0xFFFF0000,
    kTop = 0xFF00FF00,
    kTopRight = 0xFF0000FF,
    kLeft = 0xFFFFFF00,
    kMiddle = 0xFFFFFFFF,
    kRight = 0xFF00FFFF,
    kBottomLeft = 0xFFFF00FF,
    kBottom = 0xFF808080,
    kBottomRight = 0xFF000000,
};

// An image of `corner` + `middle` + `corner` pixels on each axis.
std::vector<unsigned char> NinePartPng(int corner, int middle) {
    const int size = 2 * corner + middle;
    const DWORD grid[3][3] = {{kTopLeft, kTop, kTopRight}, {kLeft, kMiddle, kRight}, {kBottomLeft, kBottom, kBottomRight}};
    std::vector<unsigned char> rgba;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int column = x < corner ? 0 : (x < corner + middle ? 1 : 2);
            const int row = y < corner ? 0 : (y < corner + middle ? 1 : 2);
            const DWORD c = grid[row][column];
            rgba.insert(rgba.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                                     static_cast<unsigned char>(c), 255});
        }
    return EncodePng(size, size, rgba);
}

ImagePtr Decode(const std::vector<unsigned char>& png, DWORD mask = 0) {
    return CUiRender::LoadImageFromMemory(png.data(), png.size(), mask);
}

// The colour every pixel of `rect` must have (the bytes in `mask`); returns
// the first offender.
::testing::AssertionResult AllPixels(const Dib32& dib, const RECT& rect, DWORD expected, DWORD mask = 0xFFFFFFFF) {
    ::GdiFlush();
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if ((dib.At(x, y) & mask) != (expected & mask))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << std::hex << dib.At(x, y) << ", expected " << expected;
    return ::testing::AssertionSuccess();
}

// Restores the process-wide drawing scale after a test changes it.
struct ProcessDpi {
    explicit ProcessDpi(int dpi) { CDpiScaler::SetProcessDpi(dpi); }
    ~ProcessDpi() { CDpiScaler::SetProcessDpi(96); }
};

// `blended`: exact pixels. Copied parts that are stretched (StretchBlt in
// halftone mode) keep their colour but not their alpha byte.
void ExpectNineParts(const Dib32& dib, const RECT& d, int c, bool blended) {
    const DWORD m = blended ? 0xFFFFFFFF : 0x00FFFFFF;
    EXPECT_TRUE(AllPixels(dib, RECT{d.left, d.top, d.left + c, d.top + c}, kTopLeft));
    EXPECT_TRUE(AllPixels(dib, RECT{d.left + c, d.top, d.right - c, d.top + c}, kTop, m));
    EXPECT_TRUE(AllPixels(dib, RECT{d.right - c, d.top, d.right, d.top + c}, kTopRight));
    EXPECT_TRUE(AllPixels(dib, RECT{d.left, d.top + c, d.left + c, d.bottom - c}, kLeft, m));
    EXPECT_TRUE(AllPixels(dib, RECT{d.left + c, d.top + c, d.right - c, d.bottom - c}, kMiddle, m));
    EXPECT_TRUE(AllPixels(dib, RECT{d.right - c, d.top + c, d.right, d.bottom - c}, kRight, m));
    EXPECT_TRUE(AllPixels(dib, RECT{d.left, d.bottom - c, d.left + c, d.bottom}, kBottomLeft));
    EXPECT_TRUE(AllPixels(dib, RECT{d.left + c, d.bottom - c, d.right - c, d.bottom}, kBottom, m));
    EXPECT_TRUE(AllPixels(dib, RECT{d.right - c, d.bottom - c, d.right, d.bottom}, kBottomRight));
    // Nothing outside the destination.
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, dib.Width(), d.top}, kBackground));
    EXPECT_TRUE(AllPixels(dib, RECT{0, d.bottom, dib.Width(), dib.Height()}, kBackground));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, d.left, dib.Height()}, kBackground));
    EXPECT_TRUE(AllPixels(dib, RECT{d.right, 0, dib.Width(), dib.Height()}, kBackground));
}

}  // namespace

TEST(NinePart, CornersKeepTheirSizeAt100PercentCopiedOrBlended) {
    ImagePtr image = Decode(NinePartPng(3, 3));
    ASSERT_TRUE(image);
    for (const bool blend : {false, true}) {
        Dib32 dib(40, 30);
        dib.Fill(kBackground);
        const RECT dest{5, 4, 35, 26};
        ASSERT_TRUE(CUiRender::DrawImage(dib.Dc(), image->bitmap, dest, RECT{0, 0, 40, 30}, RECT{0, 0, 9, 9},
                                         RECT{3, 3, 3, 3}, blend, 1.0, 255, false, false, false));
        SCOPED_TRACE(blend ? "blended" : "copied");
        ExpectNineParts(dib, dest, 3, blend);
    }
}

TEST(NinePart, CornersKeepTheirSizeAt150PercentWithTheVariantImage) {
    // The skin at 150 %: corner='3,3,3,3' scales to 5 pixels, and the @1.5x
    // variant carries 5-pixel corners, so the ratio g / scale is 1.
    TempFolder folder;
    folder.Write(L"nine.png", NinePartPng(3, 3));
    folder.Write(L"nine@1.5x.png", NinePartPng(5, 4));
    const ProcessDpi dpi(144);
    CDpiScaler scaler;
    scaler.SetScale(144);
    TImageSpec spec;
    const std::wstring descriptor = L"file='" + folder.Path() + L"nine.png' corner='3,3,3,3'";
    spec.Parse(descriptor.c_str(), nullptr, &scaler);
    ASSERT_EQ(spec.scale, 1.5);
    ImagePtr image(CUiRender::LoadImage(spec.imageName, nullptr, 0, nullptr));
    ASSERT_TRUE(image);
    for (const bool layered : {false, true}) {
        Dib32 dib(60, 50);
        dib.Fill(kBackground);
        const RECT item{6, 7, 51, 40};
        ASSERT_TRUE(CUiRender::DrawImageRecord(dib.Dc(), image.get(), item, RECT{0, 0, 60, 50}, spec, layered));
        SCOPED_TRACE(layered ? "layered" : "plain");
        ExpectNineParts(dib, item, 5, layered);
    }
}

TEST(NinePart, WithoutTheVariantThe1xCornersStretchToTheScaledWidth) {
    // At 150 % with only the 1x image: ratio 1.5, so 5 destination pixels take
    // floor(5 / 1.5) = 3 source pixels at the left and top.
    ImagePtr image = Decode(NinePartPng(3, 3));
    const ProcessDpi dpi(144);
    TImageSpec spec;
    spec.Parse(L"file='nine.png' corner='5,5,5,5'", nullptr, nullptr);
    Dib32 dib(60, 50);
    dib.Fill(kBackground);
    const RECT item{6, 7, 51, 40};
    ASSERT_TRUE(CUiRender::DrawImageRecord(dib.Dc(), image.get(), item, RECT{0, 0, 60, 50}, spec, true));
    EXPECT_TRUE(AllPixels(dib, RECT{6, 7, 11, 12}, kTopLeft));
    EXPECT_TRUE(AllPixels(dib, RECT{11, 7, 46, 8}, kTop));
    EXPECT_TRUE(AllPixels(dib, RECT{49, 38, 51, 40}, kBottomRight));
    EXPECT_TRUE(AllPixels(dib, RECT{12, 13, 45, 34}, kMiddle));
}

TEST(NinePart, HoleLeavesTheMiddleAndPaintRectSkipsPartsItDoesNotMeet) {
    ImagePtr image = Decode(NinePartPng(3, 3));
    Dib32 dib(40, 30);
    dib.Fill(kBackground);
    const RECT dest{5, 4, 35, 26};
    CUiRender::DrawImage(dib.Dc(), image->bitmap, dest, RECT{0, 0, 40, 30}, RECT{0, 0, 9, 9}, RECT{3, 3, 3, 3}, true,
                         1.0, 255, true, false, false);
    EXPECT_TRUE(AllPixels(dib, RECT{8, 7, 32, 23}, kBackground));
    EXPECT_TRUE(AllPixels(dib, RECT{5, 4, 8, 7}, kTopLeft));

    dib.Fill(kBackground);
    // The paint area lies inside the top-left corner: only that part is drawn.
    CUiRender::DrawImage(dib.Dc(), image->bitmap, dest, RECT{5, 4, 7, 6}, RECT{0, 0, 9, 9}, RECT{3, 3, 3, 3}, true, 1.0,
                         255, false, false, false);
    EXPECT_TRUE(AllPixels(dib, RECT{5, 4, 8, 7}, kTopLeft));
    EXPECT_TRUE(AllPixels(dib, RECT{8, 4, 40, 30}, kBackground));
    EXPECT_TRUE(AllPixels(dib, RECT{5, 7, 8, 30}, kBackground));
}

TEST(Tiles, RepeatFromTheTopLeftAndTheLastTileTakesTheLeadingPart) {
    // 3 x 2 pixels, each its own colour.
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 6; ++i) rgba.insert(rgba.end(), {static_cast<unsigned char>(40 * i), 7, 9, 255});
    ImagePtr image = Decode(EncodePng(3, 2, rgba));
    ASSERT_TRUE(image);
    auto source = [&](int x, int y) { return reinterpret_cast<const DWORD*>(image->bits)[y * 3 + x]; };
    for (const bool blend : {false, true}) {
        Dib32 dib(20, 12);
        dib.Fill(kBackground);
        const RECT dest{2, 1, 12, 6};  // 10 x 5: tiles of 3 x 2, the last ones cut
        CUiRender::DrawImage(dib.Dc(), image->bitmap, dest, RECT{0, 0, 20, 12}, RECT{0, 0, 3, 2}, RECT{}, blend, 1.0,
                             255, false, true, true);
        ::GdiFlush();
        for (int y = 1; y < 6; ++y)
            for (int x = 2; x < 12; ++x)
                ASSERT_EQ(dib.At(x, y), source((x - 2) % 3, (y - 1) % 2)) << x << "," << y << " blend " << blend;
        EXPECT_TRUE(AllPixels(dib, RECT{12, 0, 20, 12}, kBackground));
        EXPECT_TRUE(AllPixels(dib, RECT{0, 6, 20, 12}, kBackground));
    }
}

TEST(Tiles, OneAxisTilesRepeatAcrossAndStretchAlongTheOther) {
    ImagePtr image = Decode(NinePartPng(1, 2));  // 4 x 4, one-pixel border, 2 x 2 middle
    Dib32 dib(30, 30);
    dib.Fill(kBackground);
    const RECT dest{0, 0, 21, 17};
    CUiRender::DrawImage(dib.Dc(), image->bitmap, dest, RECT{0, 0, 30, 30}, RECT{0, 0, 4, 4}, RECT{1, 1, 1, 1}, true,
                         1.0, 255, false, true, false);
    EXPECT_TRUE(AllPixels(dib, RECT{1, 1, 20, 16}, kMiddle));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, 1, 1}, kTopLeft));
    EXPECT_TRUE(AllPixels(dib, RECT{20, 16, 21, 17}, kBottomRight));
    // A middle with distinct columns shows its period.
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 4; ++i) rgba.insert(rgba.end(), {static_cast<unsigned char>(i * 60), 0, 0, 255});
    ImagePtr stripes = Decode(EncodePng(2, 2, rgba));
    for (const bool across : {true, false}) {
        dib.Fill(kBackground);
        CUiRender::DrawImage(dib.Dc(), stripes->bitmap, RECT{0, 0, 9, 9}, RECT{0, 0, 30, 30}, RECT{0, 0, 2, 2}, RECT{},
                             true, 1.0, 255, false, across, !across);
        ::GdiFlush();
        for (int i = 0; i + 2 < 9; ++i) {
            if (across) EXPECT_EQ(dib.At(i, 4), dib.At(i + 2, 4)) << i;
            else EXPECT_EQ(dib.At(4, i), dib.At(4, i + 2)) << i;
        }
        EXPECT_NE(dib.At(0, 0), dib.At(1, 1));
        EXPECT_TRUE(AllPixels(dib, RECT{9, 0, 30, 30}, kBackground));
    }
}

TEST(Tiles, ZeroSizedTilesDrawNothingInsteadOfLoopingForever) {
    ImagePtr image = Decode(NinePartPng(2, 0));  // 4 x 4 with no middle at all
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    EXPECT_TRUE(CUiRender::DrawImage(dib.Dc(), image->bitmap, RECT{0, 0, 20, 20}, RECT{0, 0, 20, 20}, RECT{0, 0, 4, 4},
                                     RECT{2, 2, 2, 2}, true, 1.0, 255, false, true, true));
    EXPECT_TRUE(AllPixels(dib, RECT{2, 2, 18, 18}, kBackground));
}

TEST(MaskAndFade, MaskedPixelsShowTheBackgroundAndFadeBlendsByItsLevel) {
    std::vector<unsigned char> rgba(16, 255);
    for (int i = 0; i < 4; ++i) {
        rgba[static_cast<size_t>(i) * 4 + 1] = 0;                                   // green
        rgba[static_cast<size_t>(i) * 4 + 2] = static_cast<unsigned char>(i % 2 ? 255 : 0);  // blue: magenta or red
    }
    const std::vector<unsigned char> png = EncodePng(2, 2, rgba);
    ImagePtr masked = Decode(png, 0xFFFF00FF);
    Dib32 dib(4, 4);
    dib.Fill(kBackground);
    TImageSpec spec;
    spec.Parse(L"file='x' mask='#FFFF00FF'", nullptr, nullptr);
    ASSERT_TRUE(CUiRender::DrawImageRecord(dib.Dc(), masked.get(), RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4}, spec, false));
    ::GdiFlush();
    EXPECT_EQ(dib.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(dib.At(1, 0), kBackground);
    EXPECT_EQ(dib.At(0, 1), 0xFFFF0000u);
    EXPECT_EQ(dib.At(1, 1), kBackground);

    ImagePtr opaque = Decode(png);
    for (const int fade : {0, 1, 128, 254, 255}) {
        dib.Fill(0xFF0000FF);
        spec.Parse((L"file='x' fade='" + std::to_wstring(fade) + L"'").c_str(), nullptr, nullptr);
        CUiRender::DrawImageRecord(dib.Dc(), opaque.get(), RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4}, spec, false);
        ::GdiFlush();
        EXPECT_EQ(dib.At(0, 0), BlendPixel(0xFF0000FF, 0xFFFF0000, static_cast<BYTE>(fade), true)) << fade;
        EXPECT_EQ(dib.At(3, 3), 0xFF0000FFu);
    }
    dib.Fill(0xFF0000FF);
    spec.Parse(L"file='x' fade='128'", nullptr, nullptr);
    CUiRender::DrawImageRecord(dib.Dc(), opaque.get(), RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4}, spec, false);
    ::GdiFlush();
    EXPECT_EQ(dib.At(0, 0), 0xFF80007Fu);  // half red over blue
}

TEST(BrokenImages, DrawNothingAndReportIt) {
    Dib32 dib(8, 8);
    dib.Fill(kBackground);
    TImageSpec spec;
    spec.Parse(L"file='missing.png'", nullptr, nullptr);
    EXPECT_FALSE(CUiRender::DrawImageRecord(dib.Dc(), nullptr, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, spec, true));
    EXPECT_FALSE(CUiRender::DrawImage(dib.Dc(), nullptr, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, RECT{0, 0, 1, 1}, RECT{},
                                      true, 1.0, 255, false, false, false));
    ImagePtr image = Decode(NinePartPng(1, 1));
    // A source outside the image (descriptor typo) draws nothing either.
    EXPECT_TRUE(CUiRender::DrawImage(dib.Dc(), image->bitmap, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, RECT{-5, 0, 3, 3},
                                     RECT{}, true, 1.0, 255, false, false, false));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, 8, 8}, kBackground));
}

// Values near the int limits, in descriptors and in direct calls: parsed
// values are cut, computed rectangles stay in the drawable range, and drawing
// (stretched, tiled, blended, at tiny ratios) neither crashes nor hangs.
TEST(ExtremeGeometry, HugeDescriptorsAndRectanglesStaySaneAndDrawSafely) {
    CDpiScaler scaler;
    scaler.SetScale(384);  // 400 %
    const wchar_t* const descriptors[] = {
        L"dest='-2147483648,-2147483648,2147483647,2147483647' corner='2147483647,2147483647,2147483647,2147483647'",
        L"dest='2147483647,0,-2147483648,5' source='-99999999999,0,99999999999,4' xtiled='true' ytiled='true'",
        L"size='2147483647,2147483647' align='center vcenter' padding='-2147483648,2147483647,2147483647,-2147483648'",
        L"size='2147483647,2147483647' align='right bottom' dest='1,1,2147483647,2147483647' hole='true'",
        L"corner='-2147483648,-2147483648,4,4' source='1,1,2147483647,2147483647' fade='100'",
    };
    ImagePtr image = Decode(NinePartPng(2, 2));
    ProcessDpi processDpi(1);  // drawing ratio 0.01 / variant scale
    for (const wchar_t* text : descriptors) {
        TImageSpec spec;
        spec.Parse(text, nullptr, &scaler);
        for (const RECT* r : {&spec.dest, &spec.corner, &spec.padding}) {
            for (const LONG v : {r->left, r->top, r->right, r->bottom}) EXPECT_LE(std::abs(v), 8000000) << text;
        }
        EXPECT_LE(spec.size.cx, 1000000) << text;
        const RECT items[] = {{0, 0, 40, 30}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX - 5, 0, INT_MAX, 30}};
        for (const RECT& item : items) {
            const UiRect dest = CUiRender::ComputeImageDest(item, spec);
            EXPECT_LE(std::abs(static_cast<long long>(dest.left)), 1LL << 28) << text;
            EXPECT_LE(std::abs(static_cast<long long>(dest.right)), 1LL << 28) << text;
            Dib32 dib(40, 30);
            dib.Fill(kBackground);
            EXPECT_TRUE(CUiRender::DrawImageRecord(dib.Dc(), image.get(), item, RECT{0, 0, 40, 30}, spec, false));
        }
    }
    // Direct calls: whole-int destination, corners and source, tiles of one
    // pixel (the loop stays within the paint rectangle) and a tiny ratio.
    Dib32 dib(40, 30);
    dib.Fill(kBackground);
    const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    for (const bool tiled : {false, true}) {
        EXPECT_TRUE(CUiRender::DrawImage(dib.Dc(), image->bitmap, huge, RECT{0, 0, 40, 30}, huge, huge, true, 1e-9,
                                         255, false, tiled, tiled));
        EXPECT_TRUE(CUiRender::DrawImage(dib.Dc(), image->bitmap, huge, RECT{0, 0, 40, 30}, RECT{0, 0, 6, 6},
                                         RECT{INT_MAX, 0, INT_MAX, 0}, false, 1.0, 255, false, tiled, tiled));
    }
    const UiRect c = CUiRender::SourceCornerSizes(huge, 1e-12);
    EXPECT_EQ(c.right, 1 << 28);
    EXPECT_EQ(c.left, -(1 << 28));
}
