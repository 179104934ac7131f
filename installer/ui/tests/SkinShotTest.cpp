// The installer's skin from the real archive resource, drawn at four DPIs:
// every page of the main window and the message box, read back from the
// screen, written as PNG files and compared with committed references; text
// ink must be opaque and each image must come from the variant of its DPI.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "controls/CLabelUI.h"
#include "controls/CProgressUI.h"
#include "controls/CTabLayoutUI.h"
#include "core/CDpiScaler.h"
#include "installer/ui/CZKMsgBox.h"
#include "installer/ui/CZKObjectWnd.h"
#include "installer/ui/tests/SkinShotSupport.h"
#include "manager/tests/WindowTestSupport.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

using namespace ZKInstaller;
using namespace ZKSkinTest;

namespace {

class MainSkinWindow : public CZKObjectWnd {
public:
    MainSkinWindow() : CZKObjectWnd(L"ZKMainFrame.xml", L"zkskintestframe") {}
};

// Long enough for more lines than the message area holds.
constexpr wchar_t kLongMessage[] =
    L"安装程序正在下载并安装所需的组件，现在退出将丢失已下载的内容。下次运行安装程序时需要重新下载全部文件，"
    L"这可能需要较长时间。确定要退出安装吗？如果网络连接不稳定，建议稍后再试，或者检查代理设置后重新运行安装程序。";

// A pixel counts as changed when a channel moves by more than 48 (of 255):
// a glyph edge rasterised slightly differently moves by less, a wrong colour or
// image by more. At most 0.02 % of a window may change: runs against the same
// Wine prefix and fonts as the references repeat them pixel for pixel, so the
// bound only forgives a handful of stray edge pixels, and it stays below the
// ink of one changed digit at every DPI (about 110 pixels at 96 DPI, 480 at
// 192 DPI, against bounds of 58 and 235).
constexpr int kChannelTolerance = 48;
constexpr double kChangedFraction = 0.0002;

// The skinned windows are shown over the backdrop at this corner (pixels).
constexpr int kLeft = 40;
constexpr int kTop = 40;

template <typename Window>
Window* Open(int dpi, HWND owner) {
    Veneer::CDpiScaler::SetProcessDpi(dpi);
    auto* window = new Window;
    if (!window->Create(owner, L"skin", WS_POPUP | WS_VISIBLE, 0, kLeft, kTop, 0, 0)) {
        delete window;  // no window: no final message frees it
        return nullptr;
    }
    ::SetWindowPos(*window, HWND_TOP, kLeft, kTop, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    VeneerTest::Pump(150);
    return window;
}

void Repaint(HWND hwnd) {
    ::UpdateWindow(hwnd);
    VeneerTest::Pump(120);
    ::UpdateWindow(hwnd);
    VeneerTest::Pump(30);
}

RECT Scaled(RECT design, int dpi) {
    return RECT{::MulDiv(design.left, dpi, 96), ::MulDiv(design.top, dpi, 96), ::MulDiv(design.right, dpi, 96),
                ::MulDiv(design.bottom, dpi, 96)};
}

bool Near(DWORD pixel, COLORREF color, int tolerance) {
    const int dr = static_cast<int>((pixel >> 16) & 0xFF) - GetRValue(color);
    const int dg = static_cast<int>((pixel >> 8) & 0xFF) - GetGValue(color);
    const int db = static_cast<int>(pixel & 0xFF) - GetBValue(color);
    return std::abs(dr) <= tolerance && std::abs(dg) <= tolerance && std::abs(db) <= tolerance;
}

// Text rectangles (design units) with their ink colour: ink must be there and
// no pixel may let the backdrop through.
struct TextArea {
    const char* what;
    int shot;  // 0-3: main window page, 4: message box
    RECT rect;
    COLORREF ink;
};
constexpr TextArea kTextAreas[] = {
    {"product name", 0, {0, 142, 700, 192}, RGB(0x1F, 0x2A, 0x3D)},
    {"install button", 0, {246, 264, 454, 308}, RGB(0xFF, 0xFF, 0xFF)},
    {"folder label", 1, {90, 92, 610, 124}, RGB(0x1F, 0x2A, 0x3D)},
    {"progress line", 2, {55, 310, 649, 334}, RGB(0x6B, 0x77, 0x8C)},
    {"finished title", 3, {0, 132, 700, 186}, RGB(0x1F, 0x2A, 0x3D)},
    {"box title", 4, {61, 41, 407, 69}, RGB(0x1F, 0x2A, 0x3D)},
};

void CheckText(const Shot& shot, const TextArea& area, int dpi) {
    const RECT rect = Scaled(area.rect, dpi);
    int ink = 0;
    int holes = 0;
    for (LONG y = rect.top; y < rect.bottom && y < shot.height; ++y) {
        for (LONG x = rect.left; x < rect.right && x < shot.width; ++x) {
            ink += Near(shot.At(x, y), area.ink, 24);
            holes += Near(shot.At(x, y), kBackdrop, 40);
        }
    }
    EXPECT_GT(ink, 20) << area.what << " at " << dpi;
    EXPECT_EQ(holes, 0) << area.what << " at " << dpi;
}

// The long message fills its area (61,75)-(407,141) with several lines and
// nothing of it leaks below, into the gap above the buttons.
void CheckWrappedMessage(const Shot& shot, int dpi) {
    const RECT area = Scaled(RECT{61, 75, 407, 155}, dpi);
    const LONG messageBottom = ::MulDiv(141, dpi, 96);
    int lines = 0;
    bool inLine = false;
    LONG lowestInk = 0;
    for (LONG y = area.top; y < area.bottom; ++y) {
        bool ink = false;
        for (LONG x = area.left; x < area.right && !ink; ++x) ink = Near(shot.At(x, y), RGB(0x6B, 0x77, 0x8C), 40);
        lines += ink && !inLine;
        inLine = ink;
        if (ink) lowestInk = y;
    }
    EXPECT_GE(lines, 3) << dpi;
    EXPECT_LT(lowestInk, messageBottom) << dpi;
}

// The image a descriptor draws at this DPI is its variant for the DPI, and
// that variant has the control's scaled size: it is drawn one to one.
void CheckVariant(Veneer::CPaintManagerUI& manager, int dpi) {
    const wchar_t* suffix = dpi == 120 ? L"@1.25x" : dpi == 144 ? L"@1.5x" : dpi == 192 ? L"@2x" : L"";
    const struct {
        const wchar_t* descriptor;
        const wchar_t* base;
        int designWidth;  // width of the control drawing it (0: not checked)
    } images[] = {
        {L"logo_mark.png", L"logo_mark", 64},
        {L"file='btn_install_normal.png' corner='22,0,22,0'", L"btn_install_normal", 0},
        {L"Install uninstall\\table_bg_install_01.png", L"Install uninstall\\table_bg_install_01", 700},
    };
    const Veneer::TImageInfo* plain = manager.GetImageEx(L"btn_install_normal.png");
    ASSERT_NE(plain, nullptr);
    for (const auto& image : images) {
        const Veneer::TImageSpec* spec = manager.GetDrawInfo(image.descriptor);
        ASSERT_NE(spec, nullptr);
        EXPECT_EQ(std::wstring(spec->imageName.GetData()), std::wstring(image.base) + suffix + L".png") << dpi;
        const Veneer::TImageInfo* drawn = manager.GetImageEx(spec->imageName.GetData());
        ASSERT_NE(drawn, nullptr) << dpi;
        if (image.designWidth > 0) {
            EXPECT_EQ(drawn->width, ::MulDiv(image.designWidth, dpi, 96)) << dpi;
        } else {
            const int expected = static_cast<int>(plain->width * spec->scale + 0.5);
            EXPECT_NEAR(drawn->width, expected, 1) << dpi;
        }
    }
}

// The box's shadow window is owned by the box, so Windows keeps it above the
// box: its image must be clear where the box lies (inset by the shadow's
// 16-unit size), or the box would sit under a grey veil on a composited desktop.
void CheckShadowHole(Veneer::CPaintManagerUI& manager, int dpi) {
    const Veneer::TImageSpec* spec = manager.GetDrawInfo(L"zk_appended\\shadow\\shadow_black.png");
    ASSERT_NE(spec, nullptr);
    const Veneer::TImageInfo* image = manager.GetImageEx(spec->imageName.GetData());
    ASSERT_TRUE(image && image->bits) << dpi;
    auto alpha = [image](int x, int y) { return image->bits[(y * image->width + x) * 4 + 3]; };
    const int inset = image->width / 6;  // 16 of 96
    const int middle = image->height / 2;
    for (int x = inset; x < image->width - inset; ++x) EXPECT_EQ(alpha(x, middle), 0) << "x " << x << " at " << dpi;
    EXPECT_GT(alpha(inset - 2, middle), 0) << "no shadow left of the box at " << dpi;
}

// Writes `shot` as the screenshot `file` and compares it with its reference
// (or makes the reference); the number of changed pixels.
size_t CompareWithReference(const std::wstring& file, const Shot& shot) {
    EXPECT_TRUE(WritePng(ScreenshotFolder() + file, shot));
    if (UpdateReferences()) {
        EXPECT_TRUE(WritePng(ReferenceFolder() + file, shot));
        return 0;
    }
    Shot expected;
    if (!ReadPng(ReferenceFolder() + file, expected)) {
        ADD_FAILURE() << "no reference image (ZK_UPDATE_REFERENCES=1 makes it)";
        return 0;
    }
    const size_t changed = CountDifferences(expected, shot, kChannelTolerance);
    EXPECT_LE(static_cast<double>(changed), kChangedFraction * static_cast<double>(shot.pixels.size()))
        << "pixels changed: " << changed << " of " << shot.pixels.size() << " in " << std::string(file.begin(), file.end());
    return changed;
}

void SetHalfWayProgress(Veneer::CPaintManagerUI& manager) {
    static_cast<Veneer::CProgressUI*>(manager.FindControl(L"installPrg"))->SetValue(50);
    manager.FindControl(L"installproglab")->SetText(L"正在安装，请不要关闭 50%");
    manager.FindControl(L"installspeedlab")->SetText(L"12.3 MB / 48.0 MB · 5.2 MB/s · 剩余约 7 秒");
}

}  // namespace

// A window moved to a monitor of another DPI gets WM_DPICHANGED: each page
// must then look exactly as if it had been opened at that DPI, and a round
// trip back to 96 must leave no drift in size or pixels.
TEST(SkinShots, LiveDpiChangesRedrawEachPageAsItsReferenceAndARoundTripLeavesNoDrift) {
    UseSkinArchive();
    Backdrop backdrop;
    VeneerTest::MoveMouseToScreen(POINT{1595, 995});
    auto* frame = Open<MainSkinWindow>(96, nullptr);
    ASSERT_NE(frame, nullptr);
    const HWND frameWindow = *frame;
    Veneer::CPaintManagerUI& manager = frame->GetPaintManager();
    auto* tabs = static_cast<Veneer::CTabLayoutUI*>(manager.FindControl(L"tabInstall")->GetInterface(L"TabLayout"));
    SetHalfWayProgress(manager);
    for (int dpi : {144, 120, 96}) {
        RECT suggested{kLeft, kTop, kLeft + ::MulDiv(700, dpi, 96), kTop + ::MulDiv(420, dpi, 96)};
        ::SendMessageW(frameWindow, Veneer::kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        for (int page = 0; page < 4; ++page) {
            tabs->SelectItem(page);
            Repaint(frameWindow);
            const Shot shot = CaptureWindow(frameWindow);
            EXPECT_EQ(shot.width, ::MulDiv(700, dpi, 96));
            EXPECT_EQ(shot.height, ::MulDiv(420, dpi, 96));
            CompareWithReference(L"page" + std::to_wstring(page) + L"@" + std::to_wstring(dpi) + L".png", shot);
        }
    }
    ::DestroyWindow(frameWindow);

    auto* box = Open<CZKMsgBox>(96, nullptr);
    ASSERT_NE(box, nullptr);
    const HWND boxWindow = *box;
    box->GetPaintManager().FindControl(L"zk_txt_msg")->SetText(kLongMessage);
    for (int dpi : {144, 96}) {
        // Sized as a box opened at that DPI is: the design size times the scale, cut.
        RECT suggested{kLeft, kTop, kLeft + 417 * dpi / 96, kTop + 212 * dpi / 96};
        ::SendMessageW(boxWindow, Veneer::kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        Repaint(boxWindow);
        CompareWithReference(L"msgbox@" + std::to_wstring(dpi) + L".png", CaptureWindow(boxWindow));
        CheckShadowHole(box->GetPaintManager(), dpi);
    }
    ::DestroyWindow(boxWindow);
    VeneerTest::Pump(30);
}

// A screen reader meets the box as a dialog and reads its title and message
// among its children.
TEST(SkinShots, TheMessageBoxReadsAsADialogWithItsTitleAndMessage) {
    UseSkinArchive();
    ::CoInitialize(nullptr);
    auto* box = Open<CZKMsgBox>(96, nullptr);
    ASSERT_NE(box, nullptr);
    box->GetPaintManager().FindControl(L"zk_txt_title")->SetText(L"确定关闭？");
    box->GetPaintManager().FindControl(L"zk_txt_msg")->SetText(L"关闭后将中断安装流程");
    Repaint(*box);
    IAccessible* object = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(*box, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{};
    EXPECT_EQ(object->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_DIALOG);
    long count = 0;
    object->get_accChildCount(&count);
    std::wstring names;
    for (long id = 1; id <= count; ++id) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr;
        if (object->get_accName(child, &name) == S_OK && name) names += std::wstring(name) + L"|";
        ::SysFreeString(name);
    }
    EXPECT_NE(names.find(L"确定关闭？|"), std::wstring::npos);
    EXPECT_NE(names.find(L"关闭后将中断安装流程|"), std::wstring::npos);
    object->Release();
    ::DestroyWindow(*box);
    VeneerTest::Pump(30);
    ::CoUninitialize();
}

// Under a high-contrast theme every text is the theme's text colour on the
// theme's background, whatever the skin's colours and images behind it: the
// white caption of the blue install button included.
TEST(SkinShots, HighContrastDrawsEveryTextInTheThemesColours) {
    UseSkinArchive();
    Backdrop backdrop;
    VeneerTest::MoveMouseToScreen(POINT{1595, 995});
    Veneer::CPaintManagerUI::SetHighContrast(Veneer::CPaintManagerUI::HighContrast::On);
    auto* frame = Open<MainSkinWindow>(96, nullptr);
    ASSERT_NE(frame, nullptr);
    Repaint(*frame);
    const Shot shot = CaptureWindow(*frame);
    EXPECT_TRUE(WritePng(ScreenshotFolder() + L"page0-high-contrast@96.png", shot));
    ::DestroyWindow(*frame);
    Veneer::CPaintManagerUI::SetHighContrast(Veneer::CPaintManagerUI::HighContrast::FollowSystem);
    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT), back = ::GetSysColor(COLOR_WINDOW);
    for (const TextArea& area : {kTextAreas[0], kTextAreas[1]}) {
        const RECT rect = Scaled(area.rect, 96);
        int ink = 0, other = 0;
        for (LONG y = rect.top; y < rect.bottom; ++y) {
            for (LONG x = rect.left; x < rect.right; ++x) {
                const DWORD pixel = shot.At(x, y);
                ink += Near(pixel, text, 24);
                // Glyph edges blend the two; anything far from both is skin.
                const bool between = Near(pixel, RGB((GetRValue(text) + GetRValue(back)) / 2,
                                                     (GetGValue(text) + GetGValue(back)) / 2,
                                                     (GetBValue(text) + GetBValue(back)) / 2), 100);
                other += !Near(pixel, text, 24) && !Near(pixel, back, 24) && !between;
            }
        }
        EXPECT_GT(ink, 20) << area.what;
        // The area's edges may show a row of the skin beyond the control.
        EXPECT_LT(other, (rect.right - rect.left) * (rect.bottom - rect.top) / 100) << area.what;
    }
}

TEST(SkinShots, PagesAndMessageBoxMatchTheirReferencesAtEveryDpi) {
    const DWORD start = ::GetTickCount();
    UseSkinArchive();
    Backdrop backdrop;
    VeneerTest::MoveMouseToScreen(POINT{1595, 995});  // nothing hovered
    size_t mostChanged = 0;  // pixels, over every comparison
    for (int dpi : {96, 120, 144, 192}) {
        std::map<int, Shot> taken;
        auto* frame = Open<MainSkinWindow>(dpi, nullptr);
        ASSERT_NE(frame, nullptr);
        const HWND frameWindow = *frame;
        Veneer::CPaintManagerUI& manager = frame->GetPaintManager();
        auto* tabs = static_cast<Veneer::CTabLayoutUI*>(manager.FindControl(L"tabInstall")->GetInterface(L"TabLayout"));
        ASSERT_NE(tabs, nullptr);
        // Page 2 as the install sequence leaves it half way.
        SetHalfWayProgress(manager);
        for (int page = 0; page < 4; ++page) {
            tabs->SelectItem(page);
            Repaint(frameWindow);
            taken[page] = CaptureWindow(frameWindow);
        }
        EXPECT_EQ(taken[0].width, ::MulDiv(700, dpi, 96));
        EXPECT_EQ(taken[0].height, ::MulDiv(420, dpi, 96));
        CheckVariant(manager, dpi);
        ::DestroyWindow(frameWindow);  // the window object goes with it

        auto* box = Open<CZKMsgBox>(dpi, nullptr);
        ASSERT_NE(box, nullptr);
        const HWND boxWindow = *box;
        auto* message = static_cast<Veneer::CLabelUI*>(box->GetPaintManager().FindControl(L"zk_txt_msg"));
        message->SetText(kLongMessage);
        EXPECT_EQ(message->GetTextStyle() & (DT_WORDBREAK | DT_END_ELLIPSIS), UINT{DT_WORDBREAK | DT_END_ELLIPSIS});
        Repaint(boxWindow);
        taken[4] = CaptureWindow(boxWindow);
        CheckShadowHole(box->GetPaintManager(), dpi);
        ::DestroyWindow(boxWindow);
        VeneerTest::Pump(30);

        for (const auto& area : kTextAreas) CheckText(taken[area.shot], area, dpi);
        CheckWrappedMessage(taken[4], dpi);

        const wchar_t* names[] = {L"page0", L"page1", L"page2", L"page3", L"msgbox"};
        for (const auto& [index, shot] : taken) {
            const std::wstring file = std::wstring(names[index]) + L"@" + std::to_wstring(dpi) + L".png";
            mostChanged = std::max(mostChanged, CompareWithReference(file, shot));
        }
    }
    Veneer::CDpiScaler::SetProcessDpi(96);
    std::printf("screenshots: 20 taken in %lu ms; at most %u pixels changed in one\n",
                static_cast<unsigned long>(::GetTickCount() - start), static_cast<unsigned>(mostChanged));
}
