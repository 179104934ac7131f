// Image descriptors drawn through a real paint manager: the descriptor cache,
// the image table over a skin folder written at test time, DPI variants and
// program resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"
#include "render/CUiRender.h"
#include "render/TImageSpec.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;
using Veneer::Testing::EncodePng;
using Veneer::Testing::TempFolder;

namespace {

constexpr DWORD kBackground = 0xFF202020;

// A square image: a `border`-pixel frame of `frame` around a `fill` middle
// (colours 0xAARRGGBB, alpha 255).
std::vector<unsigned char> FramedPng(int size, int border, DWORD frame, DWORD fill) {
    std::vector<unsigned char> rgba(static_cast<size_t>(size) * static_cast<size_t>(size) * 4);
    size_t i = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool edge = x < border || y < border || x >= size - border || y >= size - border;
            const DWORD c = edge ? frame : fill;
            rgba[i++] = static_cast<unsigned char>(c >> 16);
            rgba[i++] = static_cast<unsigned char>(c >> 8);
            rgba[i++] = static_cast<unsigned char>(c);
            rgba[i++] = 255;
        }
    return EncodePng(size, size, rgba);
}

// `mask` picks the bytes compared: stretched opaque copies keep their colour
// but not their alpha byte.
::testing::AssertionResult AllPixels(const Dib32& dib, const RECT& rect, DWORD expected, DWORD mask = 0xFFFFFFFF) {
    ::GdiFlush();
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if ((dib.At(x, y) & mask) != (expected & mask))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << std::hex << dib.At(x, y) << ", expected " << expected;
    return ::testing::AssertionSuccess();
}

// A skin folder as the process-wide resource path for one test.
class SkinFolder {
public:
    SkinFolder() { CPaintManagerUI::SetResourcePath(m_folder.Path().c_str()); }
    ~SkinFolder() { CPaintManagerUI::SetResourcePath(L""); }
    SkinFolder(const SkinFolder&) = delete;
    SkinFolder& operator=(const SkinFolder&) = delete;
    void Write(const wchar_t* name, const std::vector<unsigned char>& bytes) { m_folder.Write(name, bytes); }

private:
    TempFolder m_folder;
};

struct ProcessDpi {
    explicit ProcessDpi(int dpi) { CDpiScaler::SetProcessDpi(dpi); }
    ~ProcessDpi() { CDpiScaler::SetProcessDpi(96); }
};

}  // namespace

TEST(DrawImageString, DrawsTheSkinImageAtItsDestAndCachesTheParsedDescriptor) {
    SkinFolder skin;
    skin.Write(L"box.png", FramedPng(6, 1, 0xFFFF0000, 0xFF00FF00));
    CPaintManagerUI manager;
    Dib32 dib(40, 30);
    dib.Fill(kBackground);
    const RECT item{4, 4, 36, 26};
    const RECT all{0, 0, 40, 30};
    const wchar_t* descriptor = L"file='box.png' dest='2,3,8,9' corner='1,1,1,1'";
    ASSERT_TRUE(CUiRender::DrawImageString(dib.Dc(), &manager, item, all, descriptor));
    // dest is relative to the item: (6, 7) - (12, 13), a one-pixel red frame.
    EXPECT_TRUE(AllPixels(dib, RECT{6, 7, 12, 8}, 0xFFFF0000));
    EXPECT_TRUE(AllPixels(dib, RECT{7, 8, 11, 12}, 0xFF00FF00));
    EXPECT_TRUE(AllPixels(dib, RECT{12, 0, 40, 30}, kBackground));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 13, 40, 30}, kBackground));

    manager.ResetDrawInfoStats();
    for (int i = 0; i < 3; ++i) CUiRender::DrawImageString(dib.Dc(), &manager, item, all, descriptor);
    CUiRender::DrawImageString(dib.Dc(), &manager, item, all, descriptor, L" fade='128'");
    const CPaintManagerUI::DrawInfoStats stats = manager.GetDrawInfoStats();
    EXPECT_EQ(stats.hits, 3u);
    EXPECT_EQ(stats.misses, 1u);  // the modifier makes a key of its own
}

TEST(DrawImageString, MissingEmptyOrOutsideGiveTheirResults) {
    SkinFolder skin;
    skin.Write(L"dot.png", FramedPng(2, 0, 0, 0xFF0000FF));
    CPaintManagerUI manager;
    Dib32 dib(20, 20);
    dib.Fill(kBackground);
    const RECT item{0, 0, 10, 10};
    const RECT all{0, 0, 20, 20};
    EXPECT_FALSE(CUiRender::DrawImageString(dib.Dc(), &manager, item, all, L"file='missing.png'"));
    EXPECT_FALSE(CUiRender::DrawImageString(dib.Dc(), &manager, item, all, L""));
    EXPECT_FALSE(CUiRender::DrawImageString(dib.Dc(), &manager, item, all, nullptr));
    EXPECT_FALSE(CUiRender::DrawImageString(dib.Dc(), nullptr, item, all, L"dot.png"));
    EXPECT_FALSE(CUiRender::DrawImageInfo(dib.Dc(), &manager, item, all, nullptr));
    // A key whose file name ends up empty (the modifier clears nothing, but
    // "file=''" keeps the whole descriptor as name, which does not exist).
    EXPECT_FALSE(CUiRender::DrawImageString(dib.Dc(), &manager, item, all, L"file=''"));
    EXPECT_TRUE(AllPixels(dib, all, kBackground));

    // The paint area misses the image: true, nothing drawn.
    EXPECT_TRUE(CUiRender::DrawImageString(dib.Dc(), &manager, item, RECT{12, 12, 20, 20}, L"dot.png"));
    EXPECT_TRUE(AllPixels(dib, all, kBackground));
    // A plain file name fills the item.
    EXPECT_TRUE(CUiRender::DrawImageString(dib.Dc(), &manager, item, all, L"dot.png"));
    EXPECT_TRUE(AllPixels(dib, item, 0xFF0000FF, 0x00FFFFFF));
    EXPECT_TRUE(AllPixels(dib, RECT{10, 0, 20, 20}, kBackground));
}

TEST(DrawImageString, At150PercentTheVariantKeepsScaledCornersExact) {
    SkinFolder skin;
    skin.Write(L"frame.png", FramedPng(8, 2, 0xFFFF0000, 0xFF00FF00));
    skin.Write(L"frame@1.5x.png", FramedPng(12, 3, 0xFF0000FF, 0xFFFFFF00));
    const ProcessDpi dpi(144);
    CPaintManagerUI manager;
    manager.SetDPI(144);
    Dib32 dib(50, 50);
    dib.Fill(kBackground);
    const RECT item{5, 5, 45, 40};
    ASSERT_TRUE(CUiRender::DrawImageString(dib.Dc(), &manager, item, RECT{0, 0, 50, 50},
                                           L"file='frame.png' corner='2,2,2,2'"));
    // corner 2 scales to 3 and the variant's frame is 3 pixels: ratio 1.
    EXPECT_TRUE(AllPixels(dib, RECT{5, 5, 8, 8}, 0xFF0000FF));
    EXPECT_TRUE(AllPixels(dib, RECT{5, 5, 45, 8}, 0xFF0000FF, 0x00FFFFFF));
    EXPECT_TRUE(AllPixels(dib, RECT{5, 37, 45, 40}, 0xFF0000FF, 0x00FFFFFF));
    EXPECT_TRUE(AllPixels(dib, RECT{8, 8, 42, 37}, 0xFFFFFF00, 0x00FFFFFF));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, 50, 5}, kBackground));
    const TImageSpec* spec = manager.GetDrawInfo(L"file='frame.png' corner='2,2,2,2'");
    ASSERT_NE(spec, nullptr);
    EXPECT_STREQ(spec->imageName.GetData(), L"frame@1.5x.png");
    EXPECT_EQ(spec->scale, 1.5);
}

TEST(DrawImageString, ProgramResourcesByTypeAndMaskFromTheDescriptor) {
    CPaintManagerUI manager;
    Dib32 dib(16, 8);
    dib.Fill(kBackground);
    // The top-left quadrant is opaque blue, the right half red at alpha 127.
    ASSERT_TRUE(CUiRender::DrawImageString(dib.Dc(), &manager, RECT{0, 0, 8, 8}, RECT{0, 0, 16, 8},
                                           L"res='RGBA_QUADRANT' restype='PNG'"));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, 4, 4}, 0xFF0000FF));
    ::GdiFlush();
    EXPECT_NE(dib.At(5, 3), kBackground);
    EXPECT_TRUE(AllPixels(dib, RECT{8, 0, 16, 8}, kBackground));
    // Masked, in the same window: the image table keeps a record per type and
    // mask, so the opaque blue becomes transparent and the background stays.
    dib.Fill(kBackground);
    ASSERT_TRUE(CUiRender::DrawImageString(dib.Dc(), &manager, RECT{0, 0, 8, 8}, RECT{0, 0, 16, 8},
                                           L"res='RGBA_QUADRANT' restype='PNG' mask='#FF0000FF'"));
    EXPECT_TRUE(AllPixels(dib, RECT{0, 0, 4, 4}, kBackground));
    const TImageInfo* plain = manager.GetImageEx(L"RGBA_QUADRANT", L"PNG");
    const TImageInfo* masked = manager.GetImageEx(L"RGBA_QUADRANT", L"PNG", 0xFF0000FF);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(masked, nullptr);
    EXPECT_NE(plain, masked);
    EXPECT_EQ(masked->mask, 0xFF0000FFu);
    EXPECT_EQ(manager.GetImage(L"RGBA_QUADRANT"), nullptr);  // a resource is not the file of that name
}
