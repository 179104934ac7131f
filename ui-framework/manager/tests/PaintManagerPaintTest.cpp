// Painting read back from real windows: the off-screen path (window pixels),
// the layered path (screen pixels, per-pixel alpha over another window),
// printing into a given device context.
#include <gtest/gtest.h>

#include <memory>

#include "WindowTestSupport.h"

using namespace VeneerTest;

namespace {

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kSlate = RGB(0x10, 0x20, 0x30);
constexpr COLORREF kBlue = RGB(0x20, 0x40, 0xC0);
constexpr COLORREF kFrame = RGB(220, 0, 0);

// A 200 x 150 tree: the root filled slate, "a" green over the left half.
CContainerUI* MakeTree(RecordingControl** a) {
    auto* root = new CContainerUI;
    root->SetBkColor(0xFF102030);
    *a = new RecordingControl(nullptr, L"a", RECT{0, 0, 100, 150}, 0xFF00FF00);
    root->Add(*a);
    return root;
}

}  // namespace

TEST(OffscreenPaint, TreeColoursReachTheWindow) {
    TestWindow window(RECT{100, 100, 300, 250});
    RecordingControl* a = nullptr;
    window.manager.AttachTree(MakeTree(&a));
    window.Paint();
    EXPECT_EQ(WindowPixel(window.hwnd(), 50, 50), kGreen);
    EXPECT_EQ(WindowPixel(window.hwnd(), 99, 149), kGreen);
    EXPECT_EQ(WindowPixel(window.hwnd(), 100, 0), kSlate);
    EXPECT_EQ(WindowPixel(window.hwnd(), 199, 149), kSlate);
}

TEST(OffscreenPaint, OnlyTheUpdateAreaIsCopiedAndFramedWhenAsked) {
    TestWindow window(RECT{100, 100, 300, 250});
    RecordingControl* a = nullptr;
    window.manager.AttachTree(MakeTree(&a));
    window.Paint();
    window.manager.SetShowUpdateRect(true);
    a->SetBkColor(0xFFFF0000);  // invalidates exactly a's rectangle
    window.Paint();
    // The red frame marks the update area: a's rectangle, nothing else.
    EXPECT_EQ(WindowPixel(window.hwnd(), 0, 0), kFrame);
    EXPECT_EQ(WindowPixel(window.hwnd(), 99, 149), kFrame);
    EXPECT_EQ(WindowPixel(window.hwnd(), 50, 0), kFrame);
    EXPECT_EQ(WindowPixel(window.hwnd(), 50, 50), kRed);
    EXPECT_EQ(WindowPixel(window.hwnd(), 100, 0), kSlate);
    EXPECT_EQ(WindowPixel(window.hwnd(), 150, 75), kSlate);
}

TEST(OffscreenPaint, WindowWithoutTreeIsFilledBlack) {
    TestWindow window(RECT{100, 100, 300, 250});
    InvalidateRect(window.hwnd(), nullptr, FALSE);
    window.Paint();
    EXPECT_EQ(WindowPixel(window.hwnd(), 10, 10), RGB(0, 0, 0));
    EXPECT_EQ(WindowPixel(window.hwnd(), 190, 140), RGB(0, 0, 0));
}

TEST(OffscreenPaint, PrintClientPaintsTheTreeIntoTheGivenContext) {
    TestWindow window(RECT{100, 100, 300, 250});
    RecordingControl* a = nullptr;
    window.manager.AttachTree(MakeTree(&a));
    window.Paint();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 150);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, 200, 150, WHITENESS);
    SendMessageW(window.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    EXPECT_EQ(GetPixel(memory, 20, 20), kGreen);
    EXPECT_EQ(GetPixel(memory, 180, 20), kSlate);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

namespace {

// A green opaque window behind the window under test, at the same place.
std::unique_ptr<TestWindow> MakeBackdrop(RECT rect) {
    auto backdrop = std::make_unique<TestWindow>(rect);
    auto* root = new CContainerUI;
    root->SetBkColor(0xFF00FF00);
    backdrop->manager.AttachTree(root);
    backdrop->Paint();
    return backdrop;
}

}  // namespace

TEST(LayeredPaint, GdiFilledPixelsAreOpaqueAndUnpaintedOnesShowWhatIsBehind) {
    const RECT rect{400, 100, 500, 200};
    auto backdrop = MakeBackdrop(rect);
    TestWindow window(rect);
    auto* root = new CContainerUI;  // no colour: transparent
    root->Add(new RecordingControl(nullptr, L"left", RECT{0, 0, 50, 100}, 0xFF2040C0));
    window.manager.SetLayered(true);
    window.manager.AttachTree(root);
    SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    window.Paint();
    Pump(50);
    EXPECT_TRUE(GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(ScreenPixel(425, 150), kBlue);
    EXPECT_EQ(ScreenPixel(475, 150), kGreen);
}

TEST(LayeredPaint, RepaintOfAPartKeepsTheRestOfTheLayeredImage) {
    const RECT rect{400, 100, 500, 200};
    auto backdrop = MakeBackdrop(rect);
    TestWindow window(rect);
    auto* root = new CContainerUI;
    auto* left = new RecordingControl(nullptr, L"left", RECT{0, 0, 50, 100}, 0xFF2040C0);
    auto* right = new RecordingControl(nullptr, L"right", RECT{50, 0, 100, 100}, 0xFF2040C0);
    root->Add(left);
    root->Add(right);
    window.manager.SetLayered(true);
    window.manager.AttachTree(root);
    SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    window.Paint();
    right->SetBkColor(0);  // only the right half is painted again, now transparent
    window.Paint();
    Pump(50);
    EXPECT_EQ(ScreenPixel(425, 150), kBlue);
    EXPECT_EQ(ScreenPixel(475, 150), kGreen);
}

TEST(LayeredPaint, MaskImageGivesEachPixelItsAlpha) {
    const std::wstring folder = MakeTempFolder(L"veneer-mask");
    const std::wstring mask = folder + L"mask.bmp";
    // Opaque left half, transparent right half.
    ASSERT_TRUE(WriteBmp32(mask, 100, 100, [](int x, int) { return x < 50 ? 0xFFFFFFFFu : 0x00000000u; }));
    const RECT rect{400, 300, 500, 400};
    auto backdrop = MakeBackdrop(rect);
    TestWindow window(rect);
    auto* root = new CContainerUI;
    root->SetBkColor(0xFF2040C0);
    window.manager.SetLayered(true);
    window.manager.SetLayeredImage(mask.c_str());
    window.manager.AttachTree(root);
    SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    window.Paint();
    Pump(50);
    window.Paint();
    Pump(50);
    EXPECT_EQ(ScreenPixel(425, 350), kBlue);
    EXPECT_EQ(ScreenPixel(475, 350), kGreen);
    DeleteFileW(mask.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(LayeredPaint, RootIsLaidOutInsideTheLayeredInset) {
    TestWindow window(RECT{400, 100, 500, 200});
    auto* root = new CContainerUI;
    window.manager.SetLayered(true);
    window.manager.SetLayeredInset(RECT{5, 6, 7, 8});
    window.manager.AttachTree(root);
    window.Paint();
    EXPECT_EQ(UiRect(root->GetPos()), UiRect(5, 6, 93, 92));
}

TEST(LayeredPaint, FullOpacityWithoutLayeredModeStaysOpaque) {
    const RECT rect{400, 100, 500, 200};
    auto backdrop = MakeBackdrop(rect);
    TestWindow window(rect);
    auto* root = new CContainerUI;
    root->SetBkColor(0xFF2040C0);
    window.manager.AttachTree(root);
    window.manager.SetOpacity(255);
    SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    InvalidateRect(window.hwnd(), nullptr, FALSE);
    window.Paint();
    Pump(50);
    EXPECT_FALSE(window.manager.IsLayered());
    EXPECT_EQ(ScreenPixel(450, 150), kBlue);
}
