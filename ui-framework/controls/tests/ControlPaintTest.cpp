// Control painting read back from a 32-bit bitmap: the rounded clip, background
// gradients, images through descriptors at 100 % and 150 %, the border rules,
// colour adjustment and the visibility rules of the generic container.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "controls/CContainerUI.h"
#include "controls/CControlUI.h"
#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"

using namespace Veneer;

namespace {

constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kRed = 0xFF0000;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kBlue = 0x0000FF;

// A top-down 32-bit DIB selected into a memory DC. Pixels read back as
// 0x00RRGGBB (GDI leaves the alpha byte alone, so it is masked off).
class Canvas {
public:
    Canvas(int width, int height, DWORD fill = kWhite) : m_width(width), m_height(height) {
        void* bits = nullptr;
        m_bitmap = CreateTopDownDib(nullptr, width, height, &bits);
        m_bits = static_cast<DWORD*>(bits);
        m_dc = CreateCompatibleDC(nullptr);
        m_old = SelectObject(m_dc, m_bitmap);
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    void Fill(DWORD rgb) {
        GdiFlush();
        for (int i = 0; i < m_width * m_height; ++i) m_bits[i] = 0xFF000000 | rgb;
    }
    DWORD At(int x, int y) const {
        GdiFlush();
        return m_bits[y * m_width + x] & 0xFFFFFF;
    }
    // Channel of a pixel: 16 red, 8 green, 0 blue.
    int Channel(int x, int y, int shift) const { return static_cast<int>((At(x, y) >> shift) & 0xFF); }

private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    DWORD* m_bits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

void Paint(CControlUI& control, const Canvas& canvas) {
    const RECT& item = control.GetPos();
    control.Paint(canvas.Dc(), item, nullptr);
}

// A premultiplied opaque 32-bit image of `width` x `height` whose pixels are
// given by `color(x, y)` (0xRRGGBB), registered in the manager's image table.
template <typename ColorFn>
void AddTestImage(CPaintManagerUI& manager, const wchar_t* name, int width, int height, ColorFn color,
                  bool blended = false) {
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownDib(nullptr, width, height, &bits);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[y * width + x] = 0xFF000000 | color(x, y);
    // `blended`: marked as having alpha, so it is drawn by blending.
    ASSERT_NE(manager.AddImage(name, bitmap, width, height, blended), nullptr);
}

CControlUI* MakeControl(CPaintManagerUI& manager, const RECT& item, const wchar_t* attributes) {
    auto* control = new CControlUI;
    control->SetManager(&manager, nullptr, false);
    control->ApplyAttributeList(attributes);
    control->SetPos(item, false);
    return control;
}

// Runs the body at a process and window scale, then restores 100 %.
class ScaleScope {
public:
    ScaleScope(CPaintManagerUI& manager, int dpi) : m_manager(manager) {
        CDpiScaler::SetProcessDpi(dpi);
        m_manager.SetDPI(dpi);
    }
    ~ScaleScope() {
        CDpiScaler::SetProcessDpi(96);
        m_manager.SetDPI(96);
    }

private:
    CPaintManagerUI& m_manager;
};

}  // namespace

TEST(ControlPaint, RoundedControlPaintsNothingOutsideItsCorners) {
    CPaintManagerUI manager;
    AddTestImage(manager, L"green", 8, 8, [](int, int) { return kGreen; });
    AddTestImage(manager, L"blended", 8, 8, [](int, int) { return kBlue; }, true);
    struct Case {
        const wchar_t* attributes;
        DWORD inside;
    };
    const Case cases[] = {
        {L"bkcolor=\"#FFFF0000\" borderround=\"20,20\"", kRed},
        {L"bkimage=\"green\" borderround=\"20,20\"", kGreen},
        {L"bkimage=\"blended\" borderround=\"20,20\"", kBlue},
        {L"foreimage=\"file='blended' corner='2,2,2,2'\" borderround=\"20,20\"", kBlue},
        {L"bkcolor=\"#FFFF0000\" bkcolor2=\"#FFFF0000\" borderround=\"20,20\"", kRed},
        {L"bkcolor=\"#FFFF0000\" bordercolor=\"#FF0000FF\" bordersize=\"3\" borderround=\"20,20\"", kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        Canvas canvas(60, 60);
        CControlUI* control = MakeControl(manager, RECT{10, 10, 50, 50}, c.attributes);
        Paint(*control, canvas);
        // The four corner pixels of the item and a point just inside each corner
        // (outside the arc of radius 10) stay untouched.
        for (POINT p : {POINT{10, 10}, POINT{49, 10}, POINT{10, 49}, POINT{49, 49}, POINT{11, 11}, POINT{48, 48}})
            EXPECT_EQ(canvas.At(p.x, p.y), kWhite) << p.x << "," << p.y;
        EXPECT_EQ(canvas.At(30, 30), c.inside);
        // Outside the item nothing at all.
        EXPECT_EQ(canvas.At(9, 30), kWhite);
        EXPECT_EQ(canvas.At(50, 30), kWhite);
        delete control;
    }
}

TEST(ControlPaint, GradientRunsDownOrAcrossAndTheThirdColourTakesTheSecondHalf) {
    CPaintManagerUI manager;
    {
        Canvas canvas(40, 40);
        std::unique_ptr<CControlUI> control(
            MakeControl(manager, RECT{0, 0, 40, 40}, L"bkcolor=\"#FF000000\" bkcolor2=\"#FFFFFFFF\""));
        Paint(*control, canvas);
        EXPECT_LT(canvas.Channel(20, 1, 16), 30);
        EXPECT_GT(canvas.Channel(20, 38, 16), 225);
        EXPECT_LT(canvas.Channel(20, 10, 16), canvas.Channel(20, 30, 16));
        EXPECT_EQ(canvas.At(0, 10), canvas.At(39, 10));  // rows are uniform
    }
    {
        Canvas canvas(40, 40);
        std::unique_ptr<CControlUI> control(MakeControl(
            manager, RECT{0, 0, 40, 40}, L"bkcolor=\"#FF000000\" bkcolor2=\"#FFFFFFFF\" gradient=\"HOR\""));
        Paint(*control, canvas);
        EXPECT_LT(canvas.Channel(1, 20, 16), 30);
        EXPECT_GT(canvas.Channel(38, 20, 16), 225);
        EXPECT_EQ(canvas.At(10, 0), canvas.At(10, 39));  // columns are uniform
    }
    const wchar_t* threeColours = L"bkcolor=\"#FFFF0000\" bkcolor2=\"#FF00FF00\" bkcolor3=\"#FF0000FF\"";
    {
        Canvas canvas(40, 40);
        std::unique_ptr<CControlUI> control(MakeControl(manager, RECT{0, 0, 40, 40}, threeColours));
        Paint(*control, canvas);
        EXPECT_GT(canvas.Channel(20, 0, 16), 220);   // red at the top
        EXPECT_GT(canvas.Channel(20, 20, 8), 220);   // green in the middle
        EXPECT_GT(canvas.Channel(20, 39, 0), 220);   // blue at the bottom
        EXPECT_LT(canvas.Channel(20, 30, 16), 10);   // no red in the second half
    }
    {
        // Horizontal: the halves are left and right.
        Canvas canvas(40, 40);
        std::unique_ptr<CControlUI> control(MakeControl(
            manager, RECT{0, 0, 40, 40}, (std::wstring(threeColours) + L" gradient=\"hor\"").c_str()));
        Paint(*control, canvas);
        EXPECT_GT(canvas.Channel(0, 20, 16), 220);
        EXPECT_GT(canvas.Channel(20, 20, 8), 220);
        EXPECT_GT(canvas.Channel(39, 20, 0), 220);
        EXPECT_EQ(canvas.At(5, 0), canvas.At(5, 39));
    }
}

TEST(ControlPaint, TransparentColoursDrawNothingAndForegroundCoversBackground) {
    CPaintManagerUI manager;
    AddTestImage(manager, L"blue", 4, 4, [](int, int) { return kBlue; });
    Canvas canvas(20, 20);
    std::unique_ptr<CControlUI> control(
        MakeControl(manager, RECT{0, 0, 20, 20}, L"bkcolor=\"#00FF0000\" forecolor=\"#0000FF00\""));
    Paint(*control, canvas);
    EXPECT_EQ(canvas.At(10, 10), kWhite);

    // Order: background colour, background image, foreground colour, image.
    control->ApplyAttributeList(L"bkcolor=\"#FFFF0000\" bkimage=\"file='blue' dest='0,0,10,20'\"");
    Paint(*control, canvas);
    EXPECT_EQ(canvas.At(5, 10), kBlue);
    EXPECT_EQ(canvas.At(15, 10), kRed);
    control->SetForeColor(0xFF00FF00);
    Paint(*control, canvas);
    EXPECT_EQ(canvas.At(5, 10), kGreen);
    control->SetForeImage(L"file='blue' dest='10,0,20,20'");
    Paint(*control, canvas);
    EXPECT_EQ(canvas.At(15, 10), kBlue);
    EXPECT_EQ(canvas.At(5, 10), kGreen);
}

// A 40 x 30 image: its left 10 columns are black (outside the source), then a
// 30 x 30 nine-part picture with 10-pixel blue corners and edges and a green
// middle.
DWORD NinePart(int x, int y) {
    if (x < 10) return 0x000000;
    x -= 10;
    return (x < 10 || x >= 20 || y < 10 || y >= 20) ? kBlue : kGreen;
}

TEST(ControlPaint, BackgroundImageSourceCornerAndDestKeepTheirSizeAt100And150Percent) {
    const wchar_t* descriptor = L"file='nine' source='10,0,40,30' corner='10,10,10,10' dest='5,5,65,65'";
    struct Case {
        int dpi;
        int destLeft;    // window pixels
        int cornerEnd;   // first pixel past the left corner
        int destRight;   // first pixel past the dest
    };
    // At 150 %: dest (5,5,65,65) -> left 8, size 90; corners 15.
    const Case cases[] = {{96, 5, 15, 65}, {144, 8, 23, 98}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        CPaintManagerUI manager;
        ScaleScope scale(manager, c.dpi);
        AddTestImage(manager, L"nine", 40, 30, NinePart);
        Canvas canvas(120, 120);
        auto* control = new CControlUI;
        control->SetManager(&manager, nullptr, false);
        control->SetAttribute(L"bkimage", descriptor);
        control->SetPos(RECT{0, 0, 110, 110}, false);
        Paint(*control, canvas);
        const int y = c.destLeft + (c.destRight - c.destLeft) / 2;  // a row through the middle
        EXPECT_EQ(canvas.At(c.destLeft - 1, y), kWhite);
        EXPECT_EQ(canvas.At(c.destLeft, y), kBlue);
        EXPECT_EQ(canvas.At(c.cornerEnd - 1, y), kBlue);
        EXPECT_EQ(canvas.At(c.cornerEnd, y), kGreen);
        EXPECT_EQ(canvas.At(c.destRight - (c.cornerEnd - c.destLeft) - 1, y), kGreen);
        EXPECT_EQ(canvas.At(c.destRight - (c.cornerEnd - c.destLeft), y), kBlue);
        EXPECT_EQ(canvas.At(c.destRight - 1, y), kBlue);
        EXPECT_EQ(canvas.At(c.destRight, y), kWhite);
        // The source skips the black columns: no black anywhere on the row.
        for (int x = 0; x < 120; ++x) EXPECT_NE(canvas.At(x, y), 0u) << x;
        delete control;
    }
}

TEST(ControlPaint, ImagesDrawOnlyInsideThePaintArea) {
    CPaintManagerUI manager;
    AddTestImage(manager, L"blue", 4, 4, [](int, int) { return kBlue; });
    Canvas canvas(40, 40);
    std::unique_ptr<CControlUI> control(MakeControl(manager, RECT{0, 0, 40, 40}, L"bkimage=\"blue\""));
    control->Paint(canvas.Dc(), RECT{10, 10, 20, 20}, nullptr);
    EXPECT_EQ(canvas.At(15, 15), kBlue);
    EXPECT_EQ(canvas.At(9, 15), kWhite);
    EXPECT_EQ(canvas.At(20, 15), kWhite);
    // A descriptor naming a missing image draws nothing and painting goes on.
    control->ApplyAttributeList(L"bkimage=\"missing.png\" forecolor=\"#FFFF0000\"");
    canvas.Fill(kWhite);
    Paint(*control, canvas);
    EXPECT_EQ(canvas.At(15, 15), kRed);
}

TEST(ControlPaint, BorderSidesFocusColourAndRoundOutline) {
    CPaintManagerUI manager;
    {
        // Per-side sizes: one-pixel lines on the left and right only.
        Canvas canvas(30, 30);
        std::unique_ptr<CControlUI> control(
            MakeControl(manager, RECT{0, 0, 30, 30}, L"bordercolor=\"#FFFF0000\" bordersize=\"1,0,3,0\""));
        Paint(*control, canvas);
        EXPECT_EQ(canvas.At(0, 15), kRed);
        EXPECT_EQ(canvas.At(1, 15), kWhite);
        EXPECT_EQ(canvas.At(29, 15), kRed);
        EXPECT_EQ(canvas.At(28, 15), kWhite);  // one pixel whatever the side's width
        EXPECT_EQ(canvas.At(15, 0), kWhite);
        EXPECT_EQ(canvas.At(15, 29), kWhite);
    }
    {
        Canvas canvas(30, 30);
        std::unique_ptr<CControlUI> control(
            MakeControl(manager, RECT{0, 0, 30, 30}, L"topbordersize=\"1\" bottombordersize=\"1\" bordercolor=\"FF0000FF\""));
        Paint(*control, canvas);
        EXPECT_EQ(canvas.At(15, 0), kBlue);
        EXPECT_EQ(canvas.At(15, 29), kBlue);
        EXPECT_EQ(canvas.At(0, 15), kWhite);
    }
    {
        // Uniform size 2, then the focus colour while focused.
        Canvas canvas(30, 30);
        std::unique_ptr<CControlUI> control(MakeControl(
            manager, RECT{0, 0, 30, 30},
            L"bordercolor=\"#FFFF0000\" focusbordercolor=\"#FF00FF00\" bordersize=\"2\""));
        Paint(*control, canvas);
        EXPECT_EQ(canvas.At(0, 15), kRed);
        EXPECT_EQ(canvas.At(1, 15), kRed);
        EXPECT_EQ(canvas.At(2, 15), kWhite);
        EXPECT_EQ(canvas.At(28, 15), kRed);
        EXPECT_EQ(canvas.At(29, 15), kRed);
        EXPECT_EQ(canvas.At(15, 29), kRed);
        TUiEvent focus;
        focus.kind = UiEventKind::UIEVT_SETFOCUS;
        control->Event(focus);
        Paint(*control, canvas);
        EXPECT_EQ(canvas.At(0, 15), kGreen);
        EXPECT_EQ(canvas.At(29, 15), kGreen);
    }
    {
        // Sides are scaled: at 150 % a uniform 2 becomes 3.
        CPaintManagerUI scaled;
        ScaleScope scale(scaled, 144);
        Canvas canvas(30, 30);
        std::unique_ptr<CControlUI> control(
            MakeControl(scaled, RECT{0, 0, 30, 30}, L"bordercolor=\"#FFFF0000\" bordersize=\"2\""));
        Paint(*control, canvas);
        EXPECT_EQ(canvas.At(2, 15), kRed);
        EXPECT_EQ(canvas.At(3, 15), kWhite);
    }
    {
        // Round outline: the edge middles are drawn, the corner pixels are not.
        Canvas canvas(40, 40);
        std::unique_ptr<CControlUI> control(MakeControl(
            manager, RECT{0, 0, 40, 40}, L"bordercolor=\"#FF0000FF\" bordersize=\"1\" borderround=\"16,16\""));
        Paint(*control, canvas);
        EXPECT_EQ(canvas.At(20, 0), kBlue);
        EXPECT_EQ(canvas.At(0, 20), kBlue);
        EXPECT_EQ(canvas.At(0, 0), kWhite);
        EXPECT_EQ(canvas.At(39, 39), kWhite);
        EXPECT_EQ(canvas.At(20, 20), kWhite);
    }
}

TEST(ControlPaint, HueAdjustmentAppliesOnlyWithColorHsl) {
    CPaintManagerUI manager;
    CControlUI control;
    EXPECT_EQ(control.GetAdjustColor(0xFFFF0000), 0xFFFF0000u);
    control.SetColorHSL(true);
    EXPECT_EQ(control.GetAdjustColor(0x80FF0000), 0x80FF0000u);  // neutral settings
    CPaintManagerUI::SetHSL(300, 100, 100);                       // hue + 120 degrees
    EXPECT_EQ(control.GetAdjustColor(0x80FF0000), 0x8000FF00u);  // alpha kept
    control.SetColorHSL(false);
    EXPECT_EQ(control.GetAdjustColor(0x80FF0000), 0x80FF0000u);

    Canvas canvas(10, 10);
    std::unique_ptr<CControlUI> painted(
        MakeControl(manager, RECT{0, 0, 10, 10}, L"bkcolor=\"#FFFF0000\" colorhsl=\"true\""));
    Paint(*painted, canvas);
    CPaintManagerUI::SetHSL(180, 100, 100);
    EXPECT_EQ(canvas.At(5, 5), kGreen);
}

TEST(ControlPaint, HiddenChildrenAreSkippedAndDisabledControlsStillPaint) {
    CPaintManagerUI manager;
    Canvas canvas(40, 20);
    CContainerUI root;
    root.SetManager(&manager, nullptr, false);
    auto* left = new CControlUI;
    auto* right = new CControlUI;
    root.Add(left);
    root.Add(right);
    left->ApplyAttributeList(L"float=\"true\" pos=\"0,0,20,20\" bkcolor=\"#FFFF0000\" visible=\"false\"");
    right->ApplyAttributeList(L"float=\"true\" pos=\"20,0,40,20\" bkcolor=\"#FF0000FF\" enabled=\"false\"");
    root.SetPos(RECT{0, 0, 40, 20}, false);
    Paint(root, canvas);
    EXPECT_EQ(canvas.At(10, 10), kWhite);
    EXPECT_EQ(canvas.At(30, 10), kBlue);
    // A hidden container hides its children too.
    left->SetVisible(true);
    root.SetVisible(false);
    EXPECT_FALSE(left->IsVisible());
    root.SetVisible(true);
    root.SetPos(RECT{0, 0, 40, 20}, false);
    Paint(root, canvas);
    EXPECT_EQ(canvas.At(10, 10), kRed);
}

TEST(ControlPaint, RoundedContainerClipsItsOwnDecorationNotItsClip) {
    // The container's rounded clip ends with its decoration: the previous clip
    // of the dc comes back for the children (a child at the corner paints).
    CPaintManagerUI manager;
    Canvas canvas(40, 40);
    CContainerUI root;
    root.SetManager(&manager, nullptr, false);
    root.ApplyAttributeList(L"bkcolor=\"#FFFF0000\" borderround=\"20,20\"");
    auto* corner = new CControlUI;
    root.Add(corner);
    corner->ApplyAttributeList(L"float=\"true\" pos=\"0,0,4,4\" bkcolor=\"#FF0000FF\"");
    root.SetPos(RECT{0, 0, 40, 40}, false);
    Paint(root, canvas);
    EXPECT_EQ(canvas.At(1, 1), kBlue);
    EXPECT_EQ(canvas.At(39, 0), kWhite);
    EXPECT_EQ(canvas.At(20, 20), kRed);
}

TEST(ControlText, MeasuredTextIsInDesignUnitsAtEveryScale) {
    CControlUI loose;
    EXPECT_EQ(loose.MeasureText(L"Install now", -1).cx, 0);  // no manager: zero

    CPaintManagerUI manager;
    CControlUI control;
    control.SetManager(&manager, nullptr, false);
    const SIZE plain = control.MeasureText(L"Install now", -1);
    EXPECT_GT(plain.cx, 20);
    EXPECT_GT(plain.cy, 5);
    {
        ScaleScope scale(manager, 144);  // fonts are rebuilt 1.5 times as high
        const SIZE scaled = control.MeasureText(L"Install now", -1);
        EXPECT_NEAR(scaled.cx, plain.cx, plain.cx / 8 + 2);
        EXPECT_NEAR(scaled.cy, plain.cy, plain.cy / 8 + 2);
    }
    control.SetManager(nullptr, nullptr, false);
}
