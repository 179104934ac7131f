// The paint manager's shadow on real windows: refusals, creation through the
// manager, pixels of the parametric and the image mode, following the window.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "controls/CContainerUI.h"
#include "windows/CShadowUI.h"
#include "windows/tests/ShadowTestSupport.h"

using namespace Veneer;
using namespace VeneerTest;

namespace {

struct ShadowWindow {
    TestWindow window{RECT{100, 100, 400, 300}};
    CShadowUI* shadow = nullptr;

    explicit ShadowWindow(bool show) {
        auto owned = std::make_unique<CShadowUI>();
        shadow = owned.get();
        shadow->ShowShadow(show);
        window.manager.SetShadow(std::move(owned));
        SetRectRegion(window.hwnd());
    }
    void Attach() {
        window.manager.AttachTree(new CContainerUI);
        window.Paint();
    }
};

ShadowProbe Probe(const CShadowUI& shadow, int xOffset, int yOffset) {
    return ShadowProbe{[](const void* s) { return static_cast<const CShadowUI*>(s)->GetShadowWindow(); },
                       [](const void* s) -> const CShadowBitmap& { return static_cast<const CShadowUI*>(s)->GetBitmap(); },
                       &shadow, shadow.GetSize(), xOffset, yOffset};
}

TEST(ShadowUI, SettersRefuseOutOfRangeAndKeepTheValue) {
    CShadowUI shadow;
    shadow.SetSize(4);
    shadow.SetSharpness(6);
    shadow.SetDarkness(90);
    shadow.SetPosition(2, 3);
    const struct {
        const char* name;
        std::function<bool()> set;
        bool accepted;
    } cases[] = {
        {"size 36", [&] { return shadow.SetSize(36); }, false},
        {"size -36", [&] { return shadow.SetSize(-36); }, false},
        {"sharpness 36", [&] { return shadow.SetSharpness(36); }, false},
        {"sharpness -1", [&] { return shadow.SetSharpness(-1); }, false},
        {"darkness 256", [&] { return shadow.SetDarkness(256); }, false},
        {"position 36,0", [&] { return shadow.SetPosition(36, 0); }, false},
        {"position 0,-36", [&] { return shadow.SetPosition(0, -36); }, false},
        {"corner -1", [&] { return shadow.SetShadowCorner(RECT{0, -1, 0, 0}); }, false},
        {"null image", [&] { return shadow.SetImage(nullptr); }, false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.accepted, c.set()) << c.name;
    EXPECT_EQ(4, shadow.GetSize());
    EXPECT_EQ(6, shadow.GetSharpness());
    EXPECT_EQ(90, shadow.GetDarkness());
    EXPECT_EQ(2, shadow.GetPosition().x);
    EXPECT_EQ(3, shadow.GetPosition().y);
    EXPECT_FALSE(shadow.IsImageMode());
    EXPECT_TRUE(shadow.SetSize(-35) && shadow.SetSharpness(35) && shadow.SetPosition(35, -35));

    shadow.ShowShadow(true);
    CShadowUI copy;
    shadow.CopyShadow(&copy);
    EXPECT_TRUE(copy.IsShowShadow());
    EXPECT_EQ(-35, copy.GetSize());
    EXPECT_EQ(35, copy.GetSharpness());
    EXPECT_EQ(90, copy.GetDarkness());
    EXPECT_EQ(-35, copy.GetPosition().y);
}

TEST(ShadowUI, SwitchedOffCreatesNothing) {
    ShadowWindow w(false);
    w.shadow->SetSize(8);
    w.shadow->SetColor(0xFF646464);
    w.Attach();
    w.shadow->Create(&w.window.manager);
    EXPECT_EQ(nullptr, w.shadow->GetShadowWindow());
    EXPECT_EQ(0, w.shadow->GetBitmap().Width());
}

TEST(ShadowUI, ManagerCreatesItAndItFollowsTheWindow) {
    ShadowWindow w(true);
    w.shadow->SetSize(8);
    w.shadow->SetSharpness(10);
    w.shadow->SetDarkness(24);
    w.shadow->SetColor(0xFF646464);
    w.shadow->SetPosition(3, 4);
    EXPECT_EQ(nullptr, w.shadow->GetShadowWindow());
    w.Attach();
    HWND shadow = w.shadow->GetShadowWindow();
    ASSERT_NE(nullptr, shadow);
    EXPECT_EQ(w.window.hwnd(), ::GetWindow(shadow, GW_OWNER));
    EXPECT_EQ(static_cast<LONG_PTR>(WS_EX_LAYERED | WS_EX_TRANSPARENT),
              ::GetWindowLongPtrW(shadow, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT));
    EXPECT_EQ(CShadowUI::kEnabled | CShadowUI::kVisible | CShadowUI::kParentVisible, w.shadow->GetStatus());

    // 300 x 200 parent: bitmap 316 x 216; offset (3, 4) moves the hole.
    const CShadowBitmap& bitmap = w.shadow->GetBitmap();
    ASSERT_EQ(316, bitmap.Width());
    ASSERT_EQ(216, bitmap.Height());
    EXPECT_EQ(Grey100(2), bitmap.PixelAt(0, 100));
    EXPECT_EQ(0u, bitmap.PixelAt(100, 100));
    EXPECT_EQ(Grey100(24), bitmap.PixelAt(305, 100));  // right of the hole: solid centre
    EXPECT_EQ(Grey100(21), bitmap.PixelAt(306, 100));
    EXPECT_EQ(Grey100(24), bitmap.PixelAt(100, 205));  // below it

    // A new tree creates no second shadow (nor a second hook on the window).
    w.window.manager.AttachTree(new CContainerUI);
    w.window.Paint();
    EXPECT_EQ(shadow, w.shadow->GetShadowWindow());

    ExpectFollows(w.window.hwnd(), Probe(*w.shadow, 3, 4));

    // Dropping the shadow before the window unhooks it: the window lives on.
    w.window.manager.SetShadow(nullptr);
    EXPECT_FALSE(::IsWindow(shadow));
    ::SetWindowPos(w.window.hwnd(), nullptr, 10, 10, 200, 150, SWP_NOZORDER);
    w.window.Paint();
    EXPECT_TRUE(::IsWindow(w.window.hwnd()));
}

TEST(ShadowUI, HiddenShadowIgnoresTheWindowUntilShownAgain) {
    ShadowWindow w(true);
    w.shadow->SetSize(6);
    w.Attach();
    HWND shadow = w.shadow->GetShadowWindow();
    ASSERT_TRUE(::IsWindowVisible(shadow));
    w.shadow->Hide(true);
    EXPECT_FALSE(::IsWindowVisible(shadow));
    ::SetWindowPos(w.window.hwnd(), nullptr, 0, 0, 320, 220, SWP_NOMOVE | SWP_NOZORDER);
    w.window.Paint();
    EXPECT_FALSE(::IsWindowVisible(shadow));
    EXPECT_EQ(312, w.shadow->GetBitmap().Width());  // not rendered while hidden

    w.shadow->Hide(false);
    EXPECT_TRUE(::IsWindowVisible(shadow));
    EXPECT_EQ(332, w.shadow->GetBitmap().Width());
    RECT r{};
    ::GetWindowRect(shadow, &r);
    EXPECT_EQ(94, r.left);
    EXPECT_EQ(332, r.right - r.left);
}

TEST(ShadowUI, ImageModeDrawsNinePartsOrStaysTransparent) {
    ShadowWindow w(true);
    w.shadow->SetImage(L"missing_shadow.png");
    w.shadow->SetSize(16);
    w.shadow->SetPosition(5, 5);  // not used by the image mode
    w.Attach();
    HWND shadow = w.shadow->GetShadowWindow();
    ASSERT_NE(nullptr, shadow);
    RECT r{};
    ::GetWindowRect(shadow, &r);
    EXPECT_EQ("84,84,416,316", RectText(r));
    const CShadowBitmap& bitmap = w.shadow->GetBitmap();
    ASSERT_EQ(332, bitmap.Width());
    for (int y = 0; y < bitmap.Height(); y += 7) {
        for (int x = 0; x < bitmap.Width(); x += 7) ASSERT_EQ(0u, bitmap.PixelAt(x, y)) << x << "," << y;
    }

    // A 12 x 12 image: 4-pixel blue frame around a green middle.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 12, -12, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP image = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, image);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool frame = x < 4 || y < 4 || x >= 8 || y >= 8;
            pixels[y * 12 + x] = frame ? 0xFF0000FFu : 0xFF00FF00u;
        }
    }
    ASSERT_NE(nullptr, w.window.manager.AddImage(L"frame.png", image, 12, 12, true));
    EXPECT_TRUE(w.shadow->SetShadowCorner(RECT{4, 4, 4, 4}));
    EXPECT_TRUE(w.shadow->SetImage(L"frame.png"));
    EXPECT_EQ(0xFF0000FFu, bitmap.PixelAt(0, 0));
    EXPECT_EQ(0xFF0000FFu, bitmap.PixelAt(3, 100));
    EXPECT_EQ(0xFF00FF00u, bitmap.PixelAt(4, 100));
    EXPECT_EQ(0xFF00FF00u, bitmap.PixelAt(166, 116));
    EXPECT_EQ(0xFF0000FFu, bitmap.PixelAt(331, 215));
}

}  // namespace
