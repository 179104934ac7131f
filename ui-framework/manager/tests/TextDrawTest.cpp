// Text drawn through a paint manager's fonts into 32-bit bitmaps on both
// paths (the system's DrawTextW and GDI+), read back pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"
#include "render/CUiRender.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;

namespace {

constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr UINT kSingle = DT_SINGLELINE | DT_VCENTER;

enum class TextPath { System, Library };

const char* PathName(TextPath path) { return path == TextPath::System ? "system" : "GDI+"; }

// A manager whose text takes `path`; GDI+ anti-aliases (hint 4).
void UsePath(CPaintManagerUI& manager, TextPath path) {
    manager.SetUseGdiplusText(path == TextPath::Library);
    manager.SetGdiplusTextRenderingHint(4);
}

// Bounding box of the pixels that differ from `background`; empty when none.
RECT InkBox(const Dib32& dib, DWORD background) {
    ::GdiFlush();
    RECT box{dib.Width(), dib.Height(), 0, 0};
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            if (dib.At(x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right <= box.left) return RECT{0, 0, 0, 0};
    return box;
}

bool HasInk(const RECT& box) { return box.right > box.left; }

// GDI leaves alpha 0 under its ink in a 32-bit bitmap; GDI+ blends over the
// opaque white and keeps it opaque. So on white, a zero alpha means GDI drew.
bool DrawnByGdi(const std::vector<DWORD>& pixels) {
    for (const DWORD pixel : pixels)
        if ((pixel >> 24) == 0) return true;
    return false;
}

std::vector<DWORD> Snapshot(const Dib32& dib) {
    ::GdiFlush();
    std::vector<DWORD> pixels;
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) pixels.push_back(dib.At(x, y));
    return pixels;
}

// Draws `text` on a fresh white bitmap and returns it.
std::vector<DWORD> Render(CPaintManagerUI& manager, const wchar_t* text, int font, int width = 60, int height = 40) {
    Dib32 dib(width, height);
    dib.Fill(kWhite);
    RECT rect{0, 0, width, height};
    CUiRender::DrawText(dib.Dc(), &manager, rect, text, 0xFF000000, font, DT_CENTER | kSingle | DT_NOPREFIX);
    return Snapshot(dib);
}

struct ProcessDpi {
    explicit ProcessDpi(int dpi) { CDpiScaler::SetProcessDpi(dpi); }
    ~ProcessDpi() { CDpiScaler::SetProcessDpi(96); }
};

// A hidden top-level window for a manager that must be layered; declared
// before the manager so that it outlives it.
struct HiddenWindow {
    HiddenWindow()
        : hwnd(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr)) {}
    ~HiddenWindow() { ::DestroyWindow(hwnd); }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND hwnd;
};

}  // namespace

TEST(SystemText, InkTakesTheColourStaysInsideTheRectangleAndTheDcIsRestored) {
    CPaintManagerUI manager;
    manager.AddFont(1, L"Tahoma", 16, true, false, false);
    Dib32 dib(160, 40);
    dib.Fill(kWhite);
    HGDIOBJ fontBefore = ::GetCurrentObject(dib.Dc(), OBJ_FONT);
    ::SetTextColor(dib.Dc(), RGB(1, 2, 3));
    ::SetBkMode(dib.Dc(), OPAQUE);
    RECT rect{10, 8, 70, 32};
    CUiRender::DrawText(dib.Dc(), &manager, rect, L"WWWWWWWWWWWWWWWWWWWW", 0xFFFF0000, 1, kSingle);
    const RECT ink = InkBox(dib, kWhite);
    ASSERT_TRUE(HasInk(ink));
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 70);  // the overflowing text is clipped
    EXPECT_GE(ink.top, 8);
    EXPECT_LE(ink.bottom, 32);
    bool red = false;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) red = red || (dib.At(x, y) & 0x00FFFFFF) == 0x00FF0000;
    EXPECT_TRUE(red);
    EXPECT_EQ(::GetCurrentObject(dib.Dc(), OBJ_FONT), fontBefore);
    EXPECT_EQ(::GetTextColor(dib.Dc()), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(dib.Dc()), OPAQUE);
}

TEST(TextAlignment, HorizontalAndVerticalFlagsMoveTheInkOnBothPaths) {
    struct Case {
        UINT format;
        const char* name;
    };
    const Case cases[] = {
        {DT_SINGLELINE | DT_LEFT | DT_TOP, "left top"},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, "centre"},
        {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, "right bottom"},
    };
    for (const TextPath path : {TextPath::System, TextPath::Library}) {
        CPaintManagerUI manager;
        UsePath(manager, path);
        manager.AddFont(1, L"Tahoma", 14, false, false, false);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(PathName(path)) + " " + c.name);
            Dib32 dib(220, 80);
            dib.Fill(kWhite);
            RECT rect{10, 10, 210, 70};
            CUiRender::DrawText(dib.Dc(), &manager, rect, L"Hello", 0xFF000000, 1, c.format);
            const RECT ink = InkBox(dib, kWhite);
            ASSERT_TRUE(HasInk(ink));
            if (path == TextPath::Library) {
                EXPECT_FALSE(DrawnByGdi(Snapshot(dib)));
            }
            const LONG centreX = (ink.left + ink.right) / 2, centreY = (ink.top + ink.bottom) / 2;
            if (c.format & DT_CENTER) {
                EXPECT_NEAR(centreX, 110, 3);
                EXPECT_NEAR(centreY, 40, 5);
            } else if (c.format & DT_RIGHT) {
                EXPECT_GE(ink.right, 200);
                EXPECT_LE(ink.right, 210);
                EXPECT_GE(ink.bottom, 58);
                EXPECT_LE(ink.bottom, 70);
            } else {
                EXPECT_GE(ink.left, 10);
                EXPECT_LE(ink.left, 14);
                EXPECT_GE(ink.top, 10);
                EXPECT_LE(ink.top, 20);
            }
        }
    }
}

TEST(TextCalcRect, MeasuresFromTheTopLeftWithoutDrawing) {
    for (const TextPath path : {TextPath::System, TextPath::Library}) {
        SCOPED_TRACE(PathName(path));
        CPaintManagerUI manager;
        UsePath(manager, path);
        manager.AddFont(1, L"Tahoma", 14, false, false, false);
        Dib32 dib(300, 200);
        dib.Fill(kWhite);
        const wchar_t* text = L"Measure this text";
        RECT rect{7, 9, 290, 190};
        CUiRender::DrawText(dib.Dc(), &manager, rect, text, 0xFF000000, 1, DT_SINGLELINE | DT_CALCRECT);
        EXPECT_FALSE(HasInk(InkBox(dib, kWhite)));
        EXPECT_EQ(rect.left, 7);
        EXPECT_EQ(rect.top, 9);
        const SIZE extent = CUiRender::GetTextSize(dib.Dc(), &manager, text, 1);
        EXPECT_NEAR(rect.right - rect.left, extent.cx, 4);
        EXPECT_NEAR(rect.bottom - rect.top, extent.cy, 4);

        // Word breaking in a narrow rectangle makes several lines; without
        // DT_WORDBREAK the text stays on one line on both paths.
        RECT wrapped{0, 0, 60, 500};
        CUiRender::DrawText(dib.Dc(), &manager, wrapped, text, 0xFF000000, 1, DT_WORDBREAK | DT_CALCRECT);
        EXPECT_GE(wrapped.bottom - wrapped.top, 2 * extent.cy - 2);
        RECT unwrapped{0, 0, 60, 500};
        CUiRender::DrawText(dib.Dc(), &manager, unwrapped, text, 0xFF000000, 1, DT_CALCRECT);
        EXPECT_NEAR(unwrapped.bottom - unwrapped.top, extent.cy, 4);
        EXPECT_FALSE(HasInk(InkBox(dib, kWhite)));
    }
}

TEST(TextSize, GrowsWithTheTextAndTheFontAndScalesAt150Percent) {
    CPaintManagerUI manager;
    manager.AddFont(1, L"Tahoma", 12, false, false, false);
    manager.AddFont(2, L"Tahoma", 24, false, false, false);
    const SIZE shortText = CUiRender::GetTextSize(nullptr, &manager, L"abc", 1);
    const SIZE longText = CUiRender::GetTextSize(nullptr, &manager, L"abcabc", 1);
    const SIZE bigFont = CUiRender::GetTextSize(nullptr, &manager, L"abc", 2);
    EXPECT_GT(shortText.cx, 0);
    EXPECT_GT(longText.cx, shortText.cx);
    EXPECT_EQ(longText.cy, shortText.cy);
    EXPECT_GT(bigFont.cx, shortText.cx);
    EXPECT_GT(bigFont.cy, shortText.cy);

    const ProcessDpi dpi(144);
    CPaintManagerUI scaled;
    scaled.AddFont(1, L"Tahoma", 12, false, false, false);
    scaled.SetDPI(144);  // rebuilds the font at 18 pixels
    const SIZE at150 = CUiRender::GetTextSize(nullptr, &scaled, L"abcabc", 1);
    EXPECT_NEAR(at150.cy, longText.cy * 1.5, 2.0);
    EXPECT_NEAR(at150.cx, longText.cx * 1.5, longText.cx * 0.2);

    EXPECT_EQ(CUiRender::GetTextSize(nullptr, &manager, nullptr, 1).cx, 0);
    EXPECT_EQ(CUiRender::GetTextSize(nullptr, nullptr, L"abc", 1).cy, 0);
    EXPECT_EQ(CUiRender::GetTextSize(nullptr, &manager, L"", 1).cx, 0);
}

TEST(LibraryText, InkIsAntiAliasedAndStaysInsideTheRectangle) {
    CPaintManagerUI manager;
    UsePath(manager, TextPath::Library);
    manager.AddFont(1, L"Tahoma", 16, false, false, false);
    Dib32 dib(200, 40);
    dib.Fill(0);  // transparent, as a layered window's bitmap is before painting
    RECT rect{10, 5, 60, 35};
    CUiRender::DrawText(dib.Dc(), &manager, rect, L"Smooth glyphs overflow", 0xFF000000, 1, kSingle);
    const RECT ink = InkBox(dib, 0);
    ASSERT_TRUE(HasInk(ink));
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 60);
    int partial = 0, solid = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
            const BYTE alpha = static_cast<BYTE>(dib.At(x, y) >> 24);
            if (alpha > 0 && alpha < 0xF0) ++partial;
            if (alpha >= 0xF0) ++solid;
        }
    EXPECT_GT(partial, 5);
    EXPECT_GT(solid, 0);
}

TEST(LibraryText, LayeredWindowsDrawTextWithAlpha) {
    HiddenWindow window;
    ASSERT_NE(window.hwnd, nullptr);
    CPaintManagerUI manager;
    manager.Init(window.hwnd, L"layered");
    manager.SetLayered(true);
    ASSERT_TRUE(manager.IsLayered());
    Dib32 dib(120, 40);
    dib.Fill(0);
    RECT rect{0, 0, 120, 40};
    CUiRender::DrawText(dib.Dc(), &manager, rect, L"Layered", 0xFF102030, -1, kSingle);
    const RECT ink = InkBox(dib, 0);
    ASSERT_TRUE(HasInk(ink));
    BYTE maxAlpha = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) maxAlpha = std::max(maxAlpha, static_cast<BYTE>(dib.At(x, y) >> 24));
    EXPECT_GE(maxAlpha, 0xF0);
}

TEST(TextPrefixes, AmpersandsFollowDtNoprefixOnTheLibraryPath) {
    CPaintManagerUI manager;
    UsePath(manager, TextPath::Library);
    Dib32 dib(10, 10);
    auto width = [&](const wchar_t* text, UINT format) {
        RECT rect{0, 0, 400, 100};
        CUiRender::DrawText(dib.Dc(), &manager, rect, text, 0xFF000000, -1, format | DT_SINGLELINE | DT_CALCRECT);
        return rect.right - rect.left;
    };
    EXPECT_EQ(width(L"A&&B", 0), width(L"A&B", DT_NOPREFIX));
    EXPECT_GT(width(L"A&&B", DT_NOPREFIX), width(L"A&B", DT_NOPREFIX));
}

TEST(SystemText, CharacterReferenceDrawsTheNamedCharacterOnly) {
    CPaintManagerUI manager;
    manager.AddFont(1, L"Tahoma", 16, false, false, false);
    EXPECT_EQ(Render(manager, L"&#x41;", 1), Render(manager, L"A", 1));
    EXPECT_EQ(Render(manager, L"icon &#x0041 ;", 1), Render(manager, L"A", 1));
    // No digit after the marker: the text is drawn as it stands.
    EXPECT_EQ(Render(manager, L"x&#x", 1, 120), Render(manager, L"x&#x", 1, 120));
    EXPECT_NE(Render(manager, L"x&#x", 1, 120), Render(manager, L"x", 1, 120));
}

TEST(Chinese, GlyphsDrawDistinctInkNotMissingGlyphBoxes) {
    for (const TextPath path : {TextPath::System, TextPath::Library}) {
        SCOPED_TRACE(PathName(path));
        CPaintManagerUI manager;
        UsePath(manager, path);
        manager.AddFont(1, L"微软雅黑", 20, false, false, false);
        const std::vector<DWORD> blank(60 * 40, kWhite);
        const std::vector<DWORD> an = Render(manager, L"安", 1);
        const std::vector<DWORD> zhuang = Render(manager, L"装", 1);
        const std::vector<DWORD> missing = Render(manager, L"\x0378", 1);  // unassigned code point
        EXPECT_NE(an, blank);
        EXPECT_NE(zhuang, blank);
        EXPECT_NE(an, zhuang);
        EXPECT_NE(an, missing);
        EXPECT_NE(zhuang, missing);
        if (path == TextPath::Library) {
            EXPECT_FALSE(DrawnByGdi(an));
        }
    }
}

TEST(TextOddInput, NullEmptyHugeNegativeAndUnknownFontsNeverCrash) {
    HiddenWindow window;
    for (const int mode : {0, 1, 2}) {  // system, GDI+, layered
        CPaintManagerUI manager;
        if (mode == 2) {
            manager.Init(window.hwnd, L"odd");
            manager.SetLayered(true);
        } else {
            UsePath(manager, mode == 1 ? TextPath::Library : TextPath::System);
        }
        manager.SetGdiplusTextRenderingHint(99);  // out of range: the system default
        Dib32 dib(50, 50);
        dib.Fill(kWhite);
        const RECT rects[] = {{0, 0, 50, 50},
                              {-100000, -100000, 100000, 100000},
                              {40, 40, 10, 10},
                              {0, 0, 0, 0},
                              {LONG_MIN / 2, 0, LONG_MAX / 2, 50}};
        const UINT formats[] = {0, kSingle | DT_CENTER, DT_WORDBREAK | DT_END_ELLIPSIS, DT_CALCRECT,
                                DT_CALCRECT | DT_WORDBREAK, DT_NOCLIP | DT_BOTTOM | DT_RIGHT | DT_SINGLELINE};
        const wchar_t* texts[] = {nullptr, L"", L"&", L"&&&", L"&#x", L"&#xZZ", L"&#x0;", L"\xD800"};
        for (const RECT& r : rects)
            for (const UINT format : formats)
                for (const wchar_t* text : texts)
                    for (const int font : {-1, 999}) {
                        RECT rect = r;
                        CUiRender::DrawText(dib.Dc(), &manager, rect, text, 0xFF000000, font, format);
                    }
        const std::wstring longText(20000, L'x');
        for (const UINT format : {0u, static_cast<UINT>(DT_WORDBREAK | DT_CALCRECT)}) {
            RECT rect{0, 0, 50, 50};
            CUiRender::DrawText(dib.Dc(), &manager, rect, longText.c_str(), 0xFF000000, -7, format);
        }
        RECT rect{0, 0, 50, 50};
        CUiRender::DrawText(nullptr, &manager, rect, L"x", 0xFF000000, -1, 0);
        CUiRender::DrawText(dib.Dc(), nullptr, rect, L"x", 0xFF000000, -1, 0);
        EXPECT_EQ(UiRect(rect), UiRect(0, 0, 50, 50));
        // An unknown index draws with the default font.
        EXPECT_EQ(Render(manager, L"Ag", 999), Render(manager, L"Ag", -1));
    }
}


// GDI+ fonts are kept per manager by the whole LOGFONT: the same font twice
// is made once, and a font replaced under the same id (another size, a fresh
// HFONT that may reuse the old handle) draws at its own size.
TEST(LibraryFontCache, OneEntryPerLogFontAndAReplacedFontDrawsAtItsNewSize) {
    CPaintManagerUI manager;
    UsePath(manager, TextPath::Library);
    manager.AddFont(1, L"Tahoma", 12, false, false, false);
    auto inkHeight = [&](int font) {
        Dib32 dib(200, 80);
        dib.Fill(kWhite);
        RECT rect{0, 0, 200, 80};
        CUiRender::DrawText(dib.Dc(), &manager, rect, L"Hg", 0xFF000000, font, DT_CENTER | kSingle);
        const RECT ink = InkBox(dib, kWhite);
        return ink.bottom - ink.top;
    };
    const LONG before = inkHeight(1);
    EXPECT_EQ(inkHeight(1), before);
    EXPECT_EQ(manager.GetLibraryFontCache().GetCount(), 1u);

    manager.RemoveFont(1, false);
    manager.AddFont(1, L"Tahoma", 36, false, false, false);
    EXPECT_GT(inkHeight(1), before * 2);
    EXPECT_EQ(manager.GetLibraryFontCache().GetCount(), 2u);
}
