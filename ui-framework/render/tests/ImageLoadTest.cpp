// Decoding into premultiplied top-down BGRA, the mask rule and the byte sources.
#include <gtest/gtest.h>

#include <memory>

#include "render/CUiRender.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::EncodePng;
using Veneer::Testing::TempFolder;
using Veneer::Testing::TestResource;
using Veneer::Testing::WithChunk;

namespace {

using ImagePtr = UiImagePtr;

ImagePtr Decode(const std::vector<unsigned char>& bytes, DWORD mask = 0) {
    return CUiRender::LoadImageFromMemory(bytes.data(), bytes.size(), mask);
}

DWORD PixelAt(const TImageInfo& image, int x, int y) {
    return reinterpret_cast<const DWORD*>(image.bits)[y * image.width + x];
}

}  // namespace

TEST(ImageDecode, PixelsBecomePremultipliedTopDownBgra) {
    // RGBA in, one pixel per rule.
    const std::vector<unsigned char> rgba = {
        255, 0,   0,   255,  // opaque red: copied, red and blue exchanged
        10,  20,  30,  255,  // opaque: exact
        200, 100, 50,  128,  // translucent: each channel * 128 / 255, rounded down
        255, 255, 255, 0,    // invisible: all zero
        0,   0,   0,   255,  // opaque black
        255, 255, 255, 1,    // nearly invisible white
    };
    ImagePtr image = Decode(EncodePng(3, 2, rgba));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*image, 1, 0), 0xFF0A141Eu);
    EXPECT_EQ(PixelAt(*image, 2, 0), 0x80643219u);
    EXPECT_EQ(PixelAt(*image, 0, 1), 0x00000000u);  // first row in memory is the top row
    EXPECT_EQ(PixelAt(*image, 1, 1), 0xFF000000u);
    EXPECT_EQ(PixelAt(*image, 2, 1), 0x01010101u);
}

TEST(ImageDecode, OpaqueImagesHaveNoAlphaUntilTheMaskRemovesAPixel) {
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 6; ++i) {
        const bool magenta = i % 2 == 1;
        rgba.insert(rgba.end(), {static_cast<unsigned char>(magenta ? 255 : 0), static_cast<unsigned char>(magenta ? 0 : 255),
                                 static_cast<unsigned char>(magenta ? 255 : 0), 255});
    }
    const std::vector<unsigned char> png = EncodePng(3, 2, rgba);
    ImagePtr plain = Decode(png);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->hasAlpha);
    EXPECT_EQ(PixelAt(*plain, 1, 0), 0xFFFF00FFu);

    ImagePtr masked = Decode(png, 0xFFFF00FF);
    ASSERT_TRUE(masked);
    EXPECT_TRUE(masked->hasAlpha);
    EXPECT_EQ(masked->mask, 0xFFFF00FFu);
    EXPECT_EQ(PixelAt(*masked, 1, 0), 0u);
    EXPECT_EQ(PixelAt(*masked, 0, 1), 0u);
    EXPECT_EQ(PixelAt(*masked, 0, 0), 0xFF00FF00u);

    ImagePtr unmatched = Decode(png, 0xFF123456);
    EXPECT_FALSE(unmatched->hasAlpha);
}

TEST(ImageDecode, MaskComparesWithThePremultipliedPixel) {
    const std::vector<unsigned char> png = EncodePng(2, 1, {255, 0, 255, 128, 255, 0, 255, 255});
    ImagePtr image = Decode(png, 0x80800080);  // (255, 0, 255) at alpha 128 once premultiplied
    ASSERT_TRUE(image);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0u);
    EXPECT_EQ(PixelAt(*image, 1, 0), 0xFFFF00FFu);
    ImagePtr unpremultiplied = Decode(png, 0x80FF00FF);
    EXPECT_EQ(PixelAt(*unpremultiplied, 0, 0), 0x80800080u);
}

TEST(ImageDecode, AOneColumnRgbImageDecodesThoughItsInflatedRowsHaveTheBitmapsSize) {
    // 1 x 3 RGB with a colour key (so the general decoder takes it): three
    // filtered rows of 1 + 3 bytes, as many bytes as the finished bitmap, so
    // the decoder's first buffer of that size is not its result. Then a
    // 2 x 1 image on the same thread.
    ImagePtr column =
        Decode(WithChunk(EncodePng(1, 3, {255, 0, 0, 0, 255, 0, 0, 0, 255}, 3), "tRNS", {0, 7, 0, 7, 0, 7}));
    ASSERT_TRUE(column);
    EXPECT_FALSE(column->hasAlpha);
    EXPECT_EQ(PixelAt(*column, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*column, 0, 1), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(*column, 0, 2), 0xFF0000FFu);
    ImagePtr next = Decode(EncodePng(2, 1, {1, 2, 3, 255, 4, 5, 6, 0}));
    ASSERT_TRUE(next);
    EXPECT_EQ(PixelAt(*next, 0, 0), 0xFF010203u);
    EXPECT_EQ(PixelAt(*next, 1, 0), 0u);
}

TEST(ImageDecode, ImagesFromOtherEncodersDecode) {
    ImagePtr quadrant = Decode(TestResource(L"RGBA_QUADRANT"));
    ASSERT_TRUE(quadrant);
    EXPECT_EQ(quadrant->width, 8);
    EXPECT_EQ(PixelAt(*quadrant, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(*quadrant, 3, 3), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(*quadrant, 4, 0), 0x7F7F0000u);  // red at alpha 127
    EXPECT_EQ(PixelAt(*quadrant, 7, 7), 0x7F7F0000u);

    ImagePtr palette = Decode(TestResource(L"PALETTE_MASK"), 0xFFFF00FF);
    ASSERT_TRUE(palette);
    EXPECT_EQ(PixelAt(*palette, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(*palette, 5, 3), 0u);
    EXPECT_TRUE(palette->hasAlpha);

    ImagePtr gray = Decode(TestResource(L"GRAY16"));
    ASSERT_TRUE(gray);
    EXPECT_FALSE(gray->hasAlpha);
    EXPECT_EQ(PixelAt(*gray, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(*gray, 4, 4), 0xFFFFFFFFu);
    EXPECT_LT(PixelAt(*gray, 0, 1) & 0xFF, PixelAt(*gray, 0, 2) & 0xFF);
}

TEST(ImageLoad, ResourcesByNameAndNumericIdFilesByPathMissingGivesNull) {
    ImagePtr byName(CUiRender::LoadImage(L"RGBA_QUADRANT", L"PNG", 0, nullptr));
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->width, 8);
    ImagePtr byId(CUiRender::LoadImage(L"7", L"PNG", 0, ::GetModuleHandleW(nullptr)));
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->height, 8);
    EXPECT_FALSE(CUiRender::LoadImage(L"NO_SUCH", L"PNG", 0, nullptr));
    EXPECT_FALSE(CUiRender::LoadImage(L"RGBA_QUADRANT", L"NOTYPE", 0, nullptr));

    TempFolder folder;
    const std::wstring path = folder.Write(L"plain.png", EncodePng(2, 2, std::vector<unsigned char>(16, 200)));
    ImagePtr fromFile(CUiRender::LoadImage(path.c_str(), nullptr, 0, nullptr));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->width, 2);
    EXPECT_FALSE(CUiRender::LoadImage((folder.Path() + L"missing.png").c_str(), nullptr, 0, nullptr));
    EXPECT_FALSE(CUiRender::LoadImage(L"", nullptr, 0, nullptr));
    EXPECT_FALSE(CUiRender::LoadImage(nullptr, nullptr, 0, nullptr));
}

TEST(ImageLoad, BrokenBytesGiveNullAndNullFreesQuietly) {
    const std::vector<unsigned char> png = EncodePng(4, 4, std::vector<unsigned char>(64, 90));
    EXPECT_FALSE(CUiRender::LoadImageFromMemory(nullptr, 10, 0));
    EXPECT_FALSE(CUiRender::LoadImageFromMemory(png.data(), 0, 0));
    EXPECT_FALSE(CUiRender::LoadImageFromMemory(png.data(), png.size() / 2, 0));
    EXPECT_FALSE(CUiRender::LoadImageFromMemory("not an image at all", 19, 0));
    // A header that claims a huge picture is refused before any allocation.
    std::vector<unsigned char> huge = png;
    huge[16] = 0x7F;  // IHDR width, most significant byte
    EXPECT_FALSE(CUiRender::LoadImageFromMemory(huge.data(), huge.size(), 0));
}
