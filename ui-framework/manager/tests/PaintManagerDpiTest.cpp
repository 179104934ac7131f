// SetDPI and SetAllDPI on real windows: window size, fonts, DPI-dependent
// assets, the layout that follows.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

using namespace VeneerTest;

namespace {

SIZE WindowSize(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    return lf;
}

// Puts every manager of the process back at 100 % when a test ends.
struct ResetDpi {
    ~ResetDpi() { CPaintManagerUI::SetAllDPI(96); }
};

}  // namespace

TEST(SetDpi, At150PercentA700By420WindowBecomes1050By630AtTheSameCorner) {
    TestWindow window(RECT{60, 40, 760, 460});
    ResetDpi reset;
    window.manager.AttachTree(new CContainerUI);
    window.Paint();
    ASSERT_EQ(WindowSize(window.hwnd()).cx, 700);
    window.manager.SetDPI(144);
    EXPECT_EQ(window.manager.GetDPIObj()->GetScale(), 150);
    const SIZE size = WindowSize(window.hwnd());
    EXPECT_EQ(size.cx, 1050);
    EXPECT_EQ(size.cy, 630);
    RECT rect{};
    GetWindowRect(window.hwnd(), &rect);
    EXPECT_EQ(rect.left, 60);
    EXPECT_EQ(rect.top, 40);
    // The tree is laid out again over the new client area.
    window.Paint();
    EXPECT_EQ(UiRect(window.manager.GetRoot()->GetPos()), UiRect(0, 0, 1050, 630));
}

TEST(SetDpi, MaximisedWindowKeepsItsSize) {
    TestWindow window(RECT{60, 40, 760, 460});
    ResetDpi reset;
    window.manager.AttachTree(new CContainerUI);
    ShowWindow(window.hwnd(), SW_MAXIMIZE);
    Pump(50);
    ASSERT_TRUE(IsZoomed(window.hwnd()));
    const SIZE before = WindowSize(window.hwnd());
    window.manager.SetDPI(144);
    const SIZE after = WindowSize(window.hwnd());
    EXPECT_EQ(after.cx, before.cx);
    EXPECT_EQ(after.cy, before.cy);
}

TEST(SetDpi, ChildWindowKeepsItsPlaceInTheParent) {
    TestWindow parent(RECT{60, 40, 760, 460});
    TestWindow child(RECT{30, 20, 130, 70}, WS_CHILD | WS_VISIBLE, 0, parent.hwnd());
    ResetDpi reset;
    child.manager.SetDPI(144);
    RECT rect{};
    GetWindowRect(child.hwnd(), &rect);
    MapWindowPoints(nullptr, parent.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(UiRect(rect), UiRect(30, 20, 180, 95));
}

TEST(SetDpi, SetAllDpiReachesEveryLiveManagerAndPostsTheDpiMessage) {
    TestWindow first(RECT{60, 40, 260, 140});
    TestWindow second(RECT{300, 40, 400, 80});
    ResetDpi reset;
    struct Watch : IMessageFilterUI {
        int dpiMessages = 0;
        LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool&) override {
            dpiMessages += msg == kDpiChangedMessage;
            return 0;
        }
    } watch;
    second.manager.AddMessageFilter(&watch);
    CPaintManagerUI::SetAllDPI(192);
    EXPECT_EQ(WindowSize(first.hwnd()).cx, 400);
    EXPECT_EQ(WindowSize(second.hwnd()).cy, 80);
    EXPECT_TRUE(PumpUntil([&] { return watch.dpiMessages == 1; }));
    second.manager.RemoveMessageFilter(&watch);
}

TEST(SetDpi, FontsAreRebuiltWithHeightMinusScaledSize) {
    TestWindow window(RECT{60, 40, 260, 140});
    ResetDpi reset;
    window.manager.AddFont(0, L"Tahoma", 11, false, false, false);
    window.manager.AddFont(1, L"Tahoma", 20, true, true, false);
    window.manager.AddFont(7, L"Tahoma", 12, false, false, true, true);  // shared
    window.manager.SetDefaultFont(L"Tahoma", 14, false, false, false);
    EXPECT_EQ(FontOf(window.manager.GetFont(0)).lfHeight, -11);

    window.manager.SetDPI(144);
    const LOGFONTW f0 = FontOf(window.manager.GetFont(0));
    EXPECT_EQ(f0.lfHeight, -17);  // Scale(11) = 16.5 rounded up
    EXPECT_EQ(f0.lfQuality, CLEARTYPE_QUALITY);
    EXPECT_STREQ(f0.lfFaceName, L"Tahoma");
    const LOGFONTW f1 = FontOf(window.manager.GetFont(1));
    EXPECT_EQ(f1.lfHeight, -30);
    EXPECT_EQ(f1.lfWeight, FW_BOLD);
    EXPECT_TRUE(f1.lfUnderline);
    EXPECT_EQ(FontOf(window.manager.GetFont(7)).lfHeight, -18);
    EXPECT_TRUE(FontOf(window.manager.GetFont(7)).lfItalic);
    EXPECT_EQ(FontOf(window.manager.GetFont(-1)).lfHeight, -21);
    // Metrics are measured again for the new font.
    EXPECT_GT(window.manager.GetFontInfo(1)->metrics.tmHeight, window.manager.GetFontInfo(0)->metrics.tmHeight);
    window.manager.RemoveFont(7, true);
}

// WM_DPICHANGED moves one window: its own fonts and its default font take the
// new scale, the process-wide fonts stay as the other windows use them.
TEST(DpiChanged, OneWindowRescalesItsFontsAndLeavesTheSharedOnesAlone) {
    TestWindow moved(RECT{60, 40, 760, 460});
    TestWindow other(RECT{60, 500, 260, 600});
    ResetDpi reset;
    moved.manager.AddFont(0, L"Tahoma", 11, false, false, false);
    moved.manager.AddFont(7, L"Tahoma", 12, false, false, false, true);  // shared
    const LONG sharedDefault = FontOf(other.manager.GetFont(-1)).lfHeight;
    RECT suggested{60, 40, 60 + 1050, 40 + 630};
    ::SendMessageW(moved.hwnd(), kWmDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT rect{};
    ::GetWindowRect(moved.hwnd(), &rect);
    EXPECT_EQ(rect.right - rect.left, 1050);
    EXPECT_EQ(moved.manager.GetDPIObj()->GetScale(), 150);
    EXPECT_EQ(FontOf(moved.manager.GetFont(0)).lfHeight, -17);
    EXPECT_EQ(FontOf(moved.manager.GetFont(-1)).lfHeight, ::MulDiv(sharedDefault, 150, 100));
    EXPECT_EQ(FontOf(other.manager.GetFont(-1)).lfHeight, sharedDefault);
    EXPECT_EQ(FontOf(other.manager.GetFont(7)).lfHeight, -12);
    moved.manager.RemoveFont(7, true);

    // Asked for its size at another DPI, a window at its skin's size answers
    // as a window opened there: no drift over 96 -> 144 -> 120 -> 96.
    TestWindow box(RECT{300, 500, 400, 600});
    box.manager.SetInitSize(417, 212);
    for (const int dpi : {144, 120, 96}) {
        SIZE size{};
        ASSERT_TRUE(::SendMessageW(box.hwnd(), kWmGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size))) << dpi;
        EXPECT_EQ(size.cx, 417 * dpi / 96);
        EXPECT_EQ(size.cy, 212 * dpi / 96);
        RECT next{0, 0, size.cx, size.cy};
        ::SendMessageW(box.hwnd(), kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&next));
    }
}

TEST(SetDpi, DescriptorCacheIsEmptiedAndWindowImagesFreedButSharedImagesKept) {
    TestWindow window(RECT{60, 40, 260, 140});
    ResetDpi reset;
    const TImageSpec* spec = window.manager.GetDrawInfo(L"file='x.png' corner='1,2,3,4'");
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(UiRect(spec->corner), UiRect(1, 2, 3, 4));

    auto makeBitmap = [] {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    };
    ASSERT_NE(window.manager.AddImage(L"own", makeBitmap(), 4, 4, false), nullptr);
    ASSERT_NE(window.manager.AddImage(L"common", makeBitmap(), 4, 4, false, true), nullptr);

    window.manager.SetDPI(144);
    EXPECT_EQ(window.manager.GetImage(L"own"), nullptr);
    EXPECT_NE(window.manager.GetImage(L"common"), nullptr);
    const TImageSpec* scaled = window.manager.GetDrawInfo(L"file='x.png' corner='1,2,3,4'");
    ASSERT_NE(scaled, nullptr);
    // The rectangle rule: left/top scaled as positions, widths separately.
    EXPECT_EQ(UiRect(scaled->corner), UiRect(2, 3, 5, 6));
    window.manager.RemoveImage(L"common", true);
}
