// The installer's drop shadow on real windows: initialisation, refusals, the
// main frame's shadow pixels and following the window.
#include <gtest/gtest.h>

#include <functional>

#include "installer/ui/CWndShadow.h"
#include "windows/tests/ShadowTestSupport.h"

using namespace VeneerTest;
using ZKInstaller::CWndShadow;

namespace {

// The shadow keeps no image once it is presented: the probe draws the one it
// shows again, with the shadow's own parameters.
const Veneer::CShadowBitmap& ShownImage(const CWndShadow& shadow) {
    static Veneer::CShadowBitmap image;
    image.Release();
    shadow.DrawImage(image);
    return image;
}

ShadowProbe Probe(const CWndShadow& shadow) {
    return ShadowProbe{[](const void* s) { return static_cast<const CWndShadow*>(s)->GetShadowWindow(); },
                       [](const void* s) -> const Veneer::CShadowBitmap& {
                           return ShownImage(*static_cast<const CWndShadow*>(s));
                       },
                       &shadow, shadow.GetSize(), shadow.GetPosition().x, shadow.GetPosition().y};
}

// Runs first (definition order): nothing exists before initialisation.
TEST(WndShadow, CreatesNothingBeforeInitialisationAndInitialisesOnce) {
    TestWindow window(RECT{50, 50, 250, 150});
    CWndShadow early;
    early.Create(window.hwnd());
    EXPECT_EQ(nullptr, early.GetShadowWindow());
    EXPECT_TRUE(CWndShadow::Initialize(::GetModuleHandleW(nullptr)));
    EXPECT_FALSE(CWndShadow::Initialize(::GetModuleHandleW(nullptr)));

    CWndShadow shadow;
    EXPECT_EQ(0, shadow.GetSize());
    EXPECT_EQ(5, shadow.GetSharpness());
    EXPECT_EQ(150, shadow.GetDarkness());
    EXPECT_EQ(5, shadow.GetPosition().x);
    EXPECT_EQ(5, shadow.GetPosition().y);
    EXPECT_EQ(RGB(0, 0, 0), shadow.GetColor());
    shadow.Create(window.hwnd());
    HWND hwnd = shadow.GetShadowWindow();
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(window.hwnd(), ::GetWindow(hwnd, GW_OWNER));
    EXPECT_EQ(CWndShadow::kEnabled | CWndShadow::kVisible | CWndShadow::kParentVisible, shadow.GetStatus());

    // One shadow per window.
    CWndShadow second;
    second.Create(window.hwnd());
    EXPECT_EQ(nullptr, second.GetShadowWindow());

    // The shadow window goes with its parent.
    ::DestroyWindow(window.hwnd());
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(0, shadow.GetStatus());
}

TEST(WndShadow, SettersRefuseOutOfRangeAndKeepTheValue) {
    CWndShadow shadow;
    const struct {
        const char* name;
        std::function<bool()> set;
        bool accepted;
    } cases[] = {
        {"sharpness 21", [&] { return shadow.SetSharpness(21); }, false},
        {"sharpness -1", [&] { return shadow.SetSharpness(-1); }, false},
        {"darkness 256", [&] { return shadow.SetDarkness(256); }, false},
        {"position 21,0", [&] { return shadow.SetPosition(21, 0); }, false},
        {"position 0,-21", [&] { return shadow.SetPosition(0, -21); }, false},
        {"size 21", [&] { return shadow.SetSize(21); }, false},
        {"size -21", [&] { return shadow.SetSize(-21); }, false},
        {"size -20", [&] { return shadow.SetSize(-20); }, true},
        {"sharpness 20", [&] { return shadow.SetSharpness(20); }, true},
        {"darkness 255", [&] { return shadow.SetDarkness(255); }, true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.accepted, c.set()) << c.name;
    EXPECT_EQ(-20, shadow.GetSize());
    EXPECT_EQ(20, shadow.GetSharpness());
    EXPECT_EQ(255, shadow.GetDarkness());
    EXPECT_EQ(5, shadow.GetPosition().x);
    EXPECT_EQ(5, shadow.GetPosition().y);
}

TEST(WndShadow, MainFrameShadowPixelsAndFollowing) {
    TestWindow window(RECT{100, 100, 800, 520});
    SetRectRegion(window.hwnd());
    CWndShadow shadow;
    shadow.Create(window.hwnd());
    shadow.SetSize(8);
    shadow.SetColor(RGB(100, 100, 100));
    shadow.SetDarkness(24);
    shadow.SetSharpness(10);
    shadow.SetPosition(0, 0);

    RECT r{};
    ::GetWindowRect(shadow.GetShadowWindow(), &r);
    EXPECT_EQ("92,92,808,528", RectText(r));
    EXPECT_FALSE(shadow.HoldsImage());
    const Veneer::CShadowBitmap& bitmap = ShownImage(shadow);
    ASSERT_EQ(716, bitmap.Width());
    ASSERT_EQ(436, bitmap.Height());
    // Soft edge over the 8 pixels beyond the parent, mirrored on the right
    // and at the bottom; transparent under the parent.
    const DWORD profile[] = {2, 4, 6, 8, 10, 13, 15, 17};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Grey100(profile[i]), bitmap.PixelAt(i, 218)) << i;
        EXPECT_EQ(Grey100(profile[i]), bitmap.PixelAt(715 - i, 218)) << i;
        EXPECT_EQ(Grey100(profile[i]), bitmap.PixelAt(358, 435 - i)) << i;
    }
    for (int x : {8, 300, 707}) EXPECT_EQ(0u, bitmap.PixelAt(x, 218)) << x;
    EXPECT_EQ(0u, bitmap.PixelAt(0, 0));

    ExpectFollows(window.hwnd(), Probe(shadow));

    // At 150 % the 8 design units are 12 pixels around the window.
    ::SetWindowPos(window.hwnd(), nullptr, 100, 100, 700, 420, SWP_NOZORDER | SWP_NOACTIVATE);
    shadow.SetScale(150);
    ::GetWindowRect(shadow.GetShadowWindow(), &r);
    EXPECT_EQ("88,88,812,532", RectText(r));
    EXPECT_EQ(724, ShownImage(shadow).Width());
}

}  // namespace
