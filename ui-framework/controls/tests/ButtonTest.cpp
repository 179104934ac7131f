// Buttons, options and check boxes driven by real mouse and keyboard input in
// a real window; label text styles and estimates; state images and the
// progress bar's fore image read back as pixels at 100 % and 150 %.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "controls/CButtonUI.h"
#include "controls/CCheckBoxUI.h"
#include "controls/CLabelUI.h"
#include "controls/COptionUI.h"
#include "controls/CProgressUI.h"
#include "core/CDpiScaler.h"
#include "core/UiHandle.h"
#include "manager/tests/WindowTestSupport.h"

using namespace VeneerTest;

namespace {

const POINT kParking{1500, 950};  // off every test window
constexpr DWORD kBackground = 0xFFFFFFFF;
constexpr COLORREF kHotRgb = RGB(0x20, 0x80, 0x40);

template <typename Control>
Control* Place(Control* control, const wchar_t* name, RECT pos) {
    control->SetName(name);
    control->SetFloat(true);
    control->SetFixedXY(SIZE{pos.left, pos.top});
    control->SetFixedWidth(pos.right - pos.left);
    control->SetFixedHeight(pos.bottom - pos.top);
    return control;
}

// A 300 x 120 window at (100, 100) with a white root; the tests add floating
// controls and attach the tree.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        MoveMouseToScreen(kParking, 10);
        window = std::make_unique<TestWindow>(RECT{100, 100, 400, 220});
        root = new CContainerUI;
        root->SetBkColor(kBackground);
    }
    void Attach() {
        ASSERT_TRUE(window->manager.AttachTree(root));
        window->manager.AddNotifier(&notifier);
        window->Paint();
        notifier.records.clear();
    }
    void TearDown() override {
        if (GetAsyncKeyState(VK_LBUTTON) < 0) MouseButton(MOUSEEVENTF_LEFTUP, 0, 10);
        window.reset();
        MoveMouseToScreen(kParking, 10);
    }
    void Click(POINT p) {
        MoveMouse(*window, p);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        MouseButton(MOUSEEVENTF_LEFTUP);
    }
    // "type:sender name:wParam" of the click and selection notifications, in order.
    std::vector<std::wstring> Notes() const {
        std::vector<std::wstring> out;
        for (const auto& r : notifier.records) {
            if (r.type != L"click" && r.type != L"selectchanged" && r.type != L"checkclick") continue;
            out.push_back(r.type + L":" + (r.sender ? r.sender->GetName().GetData() : L"?") + L":" +
                          std::to_wstring(r.wParam));
        }
        return out;
    }

    std::unique_ptr<TestWindow> window;
    CContainerUI* root = nullptr;
    RecordingNotifier notifier;
};

using NoteList = std::vector<std::wstring>;

}  // namespace

TEST_F(InputTest, ButtonClicksOnlyWhenReleasedInsideAndShowsItsHotColourWhileHot) {
    auto* button = Place(new CButtonUI, L"btn", RECT{10, 10, 110, 50});
    button->SetAttribute(L"hotbkcolor", L"#FF208040");
    root->Add(button);
    Attach();

    struct Case {
        const char* path;
        bool moveOut;
        bool moveBack;
        int clicks;
    };
    const Case cases[] = {
        {"press, release", false, false, 1},
        {"press, out, release", true, false, 0},
        {"press, out, back, release", true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        notifier.records.clear();
        MoveMouse(*window, POINT{50, 30});
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(button->GetButtonState() & (kButtonPushed | kButtonCaptured), kButtonPushed | kButtonCaptured);
        if (c.moveOut) {
            MoveMouse(*window, POINT{200, 90});
            // Out: no longer pushed, still captured.
            EXPECT_EQ(button->GetButtonState() & (kButtonPushed | kButtonCaptured), kButtonCaptured);
        }
        if (c.moveBack) {
            MoveMouse(*window, POINT{60, 30});
            EXPECT_NE(button->GetButtonState() & kButtonPushed, 0u);
        }
        MouseButton(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(notifier.Count(L"click"), c.clicks);
        EXPECT_EQ(button->GetButtonState() & (kButtonPushed | kButtonCaptured), 0u);
    }

    // The hot colour is painted while the mouse is over the button only.
    MoveMouse(*window, POINT{50, 30});
    window->Paint();
    EXPECT_EQ(WindowPixel(window->hwnd(), 20, 20), kHotRgb);
    MoveMouse(*window, POINT{200, 90});
    window->Paint();
    EXPECT_EQ(WindowPixel(window->hwnd(), 20, 20), RGB(255, 255, 255));
}

TEST_F(InputTest, SpaceAndReturnClickAFocusedButtonAndADisabledButtonNeverClicks) {
    auto* button = Place(new CButtonUI, L"btn", RECT{10, 10, 110, 50});
    root->Add(button);
    Attach();
    button->SetFocus();
    Pump(20);

    Tap(VK_SPACE);
    Tap(VK_RETURN);
    Tap('A');
    EXPECT_EQ(Notes(), (NoteList{L"click:btn:0", L"click:btn:0"}));

    button->SetKeyboardEnabled(false);
    Tap(VK_SPACE);
    EXPECT_EQ(notifier.Count(L"click"), 2);
    button->SetKeyboardEnabled(true);

    button->SetEnabled(false);
    EXPECT_EQ(button->GetButtonState(), kButtonDisabled);
    notifier.records.clear();
    Click(POINT{50, 30});
    button->SetFocus();
    Pump(20);
    Tap(VK_RETURN);
    EXPECT_EQ(notifier.Count(L"click"), 0);
    EXPECT_EQ(button->GetButtonState() & ~kButtonFocused, kButtonDisabled);

    button->SetEnabled(true);
    EXPECT_EQ(button->GetButtonState(), 0u);
    Click(POINT{50, 30});
    EXPECT_EQ(notifier.Count(L"click"), 1);
}

TEST_F(InputTest, LoneOptionTogglesAndAGroupSelectsExactlyOne) {
    auto* lone = Place(new COptionUI, L"lone", RECT{0, 0, 90, 40});
    auto* a = Place(new COptionUI, L"a", RECT{100, 0, 190, 40});
    auto* b = Place(new COptionUI, L"b", RECT{200, 0, 290, 40});
    root->Add(lone);
    root->Add(a);
    root->Add(b);
    // The builder hands the manager over before the attributes.
    for (COptionUI* option : {lone, a, b}) option->SetManager(&window->manager, root, false);
    lone->ApplyAttributeList(L"selected=\"true\"");
    a->ApplyAttributeList(L"group=\"g\" selected=\"true\"");
    b->ApplyAttributeList(L"group=\"g\"");
    Attach();
    EXPECT_EQ(window->manager.GetOptionGroup(L"g")->GetSize(), 2);

    Click(POINT{40, 20});
    EXPECT_FALSE(lone->IsSelected());
    Click(POINT{40, 20});
    EXPECT_TRUE(lone->IsSelected());
    EXPECT_EQ(Notes(), (NoteList{L"click:lone:0", L"selectchanged:lone:0", L"click:lone:0", L"selectchanged:lone:0"}));
    EXPECT_NE(lone->GetButtonState() & kButtonSelected, 0u);

    notifier.records.clear();
    Click(POINT{240, 20});
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(Notes(), (NoteList{L"click:b:0", L"selectchanged:b:0"}));
    // Clicking the selected member of a group keeps it selected, silently.
    notifier.records.clear();
    Click(POINT{240, 20});
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(Notes(), (NoteList{L"click:b:0"}));

    // A selected option joining the group leaves it as the one selected member.
    lone->SetGroup(L"g");
    EXPECT_TRUE(lone->IsSelected());
    EXPECT_FALSE(b->IsSelected());
    lone->SetGroup(nullptr);
    EXPECT_EQ(window->manager.GetOptionGroup(L"g")->GetSize(), 2);

    // A destroyed option leaves its group.
    root->Remove(a);
    Pump(30);
    EXPECT_EQ(window->manager.GetOptionGroup(L"g")->GetSize(), 1);
}

// The selected bit of the button state follows IsSelected() through the
// option's own disabling and its window's (a paint with the window disabled
// recomputes the bits).
TEST(OptionState, SelectedBitSurvivesDisablingTheOptionOrItsWindow) {
    TestWindow window(RECT{100, 100, 300, 200}, WS_POPUP);
    COptionUI option;
    option.SetManager(&window.manager, nullptr, false);
    UiMemoryDcHandle dc(CreateCompatibleDC(nullptr));
    for (bool selected : {true, false}) {
        SCOPED_TRACE(selected ? "selected" : "not selected");
        const UINT selectedBit = selected ? kButtonSelected : 0u;
        option.Selected(selected, false);
        ASSERT_EQ(option.IsSelected(), selected);

        option.SetEnabled(false);
        EXPECT_EQ(option.GetButtonState(), selectedBit | kButtonDisabled);
        option.SetEnabled(true);
        EXPECT_EQ(option.GetButtonState(), selectedBit);

        ::EnableWindow(window.hwnd(), FALSE);
        option.PaintStatusImage(dc.Get());
        option.PaintText(dc.Get());
        EXPECT_EQ(option.GetButtonState(), selectedBit);
        ::EnableWindow(window.hwnd(), TRUE);
        option.PaintStatusImage(dc.Get());
        option.PaintText(dc.Get());
        EXPECT_EQ(option.GetButtonState(), selectedBit);
        EXPECT_EQ(option.IsSelected(), selected);
    }
}

TEST_F(InputTest, CheckBoxTogglesOnPressWithAutoCheckAndOnReleaseWithout) {
    auto* autoBox = Place(new CCheckBoxUI, L"auto", RECT{0, 0, 90, 40});
    auto* plainBox = Place(new CCheckBoxUI, L"plain", RECT{100, 0, 190, 40});
    autoBox->SetAttribute(L"EnableAutoCheck", L"true");
    EXPECT_TRUE(autoBox->IsAutoCheck());
    EXPECT_STREQ(autoBox->GetCustomAttribute(L"EnableAutoCheck"), L"true");
    root->Add(autoBox);
    root->Add(plainBox);
    Attach();

    MoveMouse(*window, POINT{40, 20});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(autoBox->GetCheck());
    MouseButton(MOUSEEVENTF_LEFTUP);
    Click(POINT{40, 20});
    EXPECT_FALSE(autoBox->GetCheck());
    EXPECT_EQ(Notes(), (NoteList{L"selectchanged:auto:1", L"checkclick:auto:0", L"selectchanged:auto:0",
                              L"checkclick:auto:0"}));

    notifier.records.clear();
    MoveMouse(*window, POINT{140, 20});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_FALSE(plainBox->GetCheck());
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(plainBox->GetCheck());
    EXPECT_EQ(Notes(), (NoteList{L"click:plain:0", L"selectchanged:plain:1"}));
}

// ---- text styles and estimates ----

TEST(Label, AlignmentWordsApplyInOrderAndValignEndsWordBreaking) {
    struct Case {
        const wchar_t* attributes;
        UINT style;
    };
    const Case cases[] = {
        {L"align=\"center\"", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {L"align=\"right left\"", DT_RIGHT | DT_VCENTER | DT_SINGLELINE},
        {L"valign=\"top\" wordbreak=\"true\" endellipsis=\"true\"", DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS},
        {L"wordbreak=\"true\" valign=\"vcenter\"", DT_EDITCONTROL | DT_VCENTER | DT_SINGLELINE},
        {L"valign=\"bottom\" noprefix=\"true\"", DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX},
    };
    for (const Case& c : cases) {
        CLabelUI label;
        label.ApplyAttributeList(c.attributes);
        EXPECT_EQ(label.GetTextStyle(), c.style) << c.attributes;
    }
}

TEST(Label, EstimateTakesTheFixedHeightOrTheFontHeightPlusEight) {
    TestWindow window(RECT{100, 100, 200, 200});
    CLabelUI label;
    label.SetManager(&window.manager, nullptr, false);
    label.ApplyAttributeList(L"text=\"x\" height=\"21\"");
    EXPECT_EQ(label.EstimateSize(SIZE{300, 100}).cx, 0);
    EXPECT_EQ(label.EstimateSize(SIZE{300, 100}).cy, 21);
    CLabelUI bare;
    bare.SetManager(&window.manager, nullptr, false);
    bare.SetText(L"x");
    EXPECT_EQ(bare.EstimateSize(SIZE{300, 100}).cy, window.manager.GetDefaultFontInfo()->metrics.tmHeight + 8);
}

// ---- images at 100 % and 150 % ----

namespace {

// A 32-bit canvas read back as 0x00RRGGBB.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width) {
        void* bits = nullptr;
        m_bitmap.Reset(CreateTopDownDib(nullptr, width, height, &bits));
        m_bits = static_cast<DWORD*>(bits);
        m_dc.Reset(CreateCompatibleDC(nullptr));
        m_old = SelectObject(m_dc.Get(), m_bitmap.Get());
        for (int i = 0; i < width * height; ++i) m_bits[i] = 0xFFFFFFFF;
    }
    ~Canvas() { SelectObject(m_dc.Get(), m_old); }
    HDC Dc() const { return m_dc.Get(); }
    DWORD At(int x, int y) const {
        GdiFlush();
        return m_bits[y * m_width + x] & 0xFFFFFF;
    }

private:
    int m_width;
    UiBitmap m_bitmap;
    UiMemoryDcHandle m_dc;
    DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

template <typename ColorFn>
void AddImage(CPaintManagerUI& manager, const wchar_t* name, int width, int height, ColorFn color) {
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownDib(nullptr, width, height, &bits);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[y * width + x] = 0xFF000000 | color(x, y);
    ASSERT_NE(manager.AddImage(name, bitmap, width, height, false), nullptr);
}

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

constexpr DWORD kPartColors[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};

}  // namespace

TEST(StateImage, PartsAreCutEvenlyAndDrawnAtTheirDesignSizeAt150Percent) {
    CPaintManagerUI manager;
    AddImage(manager, L"states", 120, 20, [](int x, int) { return kPartColors[x / 30]; });
    CButtonUI button;
    button.SetManager(&manager, nullptr, false);
    button.ApplyAttributeList(L"stateimage=\"file='states' dest='0,0,30,20'\" statecount=\"4\"");
    {
        Canvas canvas(100, 50);
        button.SetPos(RECT{0, 0, 100, 50}, false);
        button.Paint(canvas.Dc(), button.GetPos(), nullptr);
        const std::wstring prefix = L"res='states' restype='' dest='0,0,30,20' source=";
        EXPECT_EQ(button.GetNormalImage().GetData(), prefix + L"'0,0,30,20'");
        EXPECT_EQ(button.GetHotImage().GetData(), prefix + L"'30,0,60,20'");
        EXPECT_EQ(button.GetPushedImage().GetData(), prefix + L"'60,0,90,20'");
        EXPECT_EQ(button.GetDisabledImage().GetData(), prefix + L"'90,0,120,20'");
        EXPECT_EQ(canvas.At(29, 19), kPartColors[0]);
        EXPECT_EQ(canvas.At(31, 10), 0xFFFFFFu);
    }
    // At 150 % the parts are generated again and drawn over 45 x 30 pixels:
    // the dest is scaled once, not twice.
    ScaleScope scale(manager, 144);  // drops the window's images
    AddImage(manager, L"states", 120, 20, [](int x, int) { return kPartColors[x / 30]; });
    button.SetStateImage(L"");
    button.SetStateImage(L"file='states' dest='0,0,30,20'");
    button.SetEnabled(false);
    Canvas canvas(150, 75);
    button.SetPos(RECT{0, 0, 150, 75}, false);
    button.Paint(canvas.Dc(), button.GetPos(), nullptr);
    EXPECT_EQ(canvas.At(44, 29), kPartColors[3]);
    EXPECT_EQ(canvas.At(1, 1), kPartColors[3]);
    EXPECT_EQ(canvas.At(47, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.At(10, 31), 0xFFFFFFu);
}

TEST(Progress, ForeImageModifierIsInDesignUnitsAtEveryScale) {
    struct Case {
        int dpi;
        int width;
        int height;
        const wchar_t* attributes;
        const wchar_t* modifier;
        int lastFilled;  // last filled pixel column
    };
    const Case cases[] = {
        {96, 594, 14, L"value=\"50\"", L"dest='0,0,297,14'", 296},
        // 445 pixels are 297 design units, drawn again over 446 pixels.
        {144, 891, 21, L"value=\"50\"", L"dest='0,0,297,14'", 445},
        {96, 594, 14, L"value=\"50\" isstretchfore=\"false\"", L"dest='0,0,297,14' source='0,0,297,14'", 296},
        {96, 594, 14, L"min=\"10\" max=\"10\" value=\"50\"", L"dest='0,0,0,14'", -1},
        {96, 594, 14, L"value=\"100\" value=\"120\"", L"dest='0,0,594,14'", 593},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " " << c.attributes);
        CPaintManagerUI manager;
        ScaleScope scale(manager, c.dpi);
        AddImage(manager, L"fore", 8, 8, [](int, int) { return 0x0000FFu; });
        CProgressUI progress;
        progress.SetManager(&manager, nullptr, false);
        progress.ApplyAttributeList(L"foreimage=\"fore\"");
        progress.ApplyAttributeList(c.attributes);
        Canvas canvas(c.width + 2, c.height);
        progress.SetPos(RECT{0, 0, c.width, c.height}, false);
        progress.Paint(canvas.Dc(), progress.GetPos(), nullptr);
        EXPECT_STREQ(progress.GetForeModifier().GetData(), c.modifier);
        if (c.lastFilled >= 0) {
            EXPECT_EQ(canvas.At(c.lastFilled, c.height / 2), 0x0000FFu);
        }
        EXPECT_EQ(canvas.At(c.lastFilled + 1, c.height / 2), 0xFFFFFFu);
    }
}

TEST(Progress, ValuesOutsideTheRangeAreIgnoredAndTheTextIsThePercentage) {
    CProgressUI progress;
    progress.SetShowText(true);
    progress.ApplyAttributeList(L"min=\"0\" max=\"200\" value=\"50\"");
    EXPECT_STREQ(progress.GetText().GetData(), L"25%");
    progress.SetValue(201);
    progress.SetValue(-1);
    EXPECT_EQ(progress.GetValue(), 50);
    EXPECT_EQ(progress.GetFixedHeight(), 12);
}

// Byte counts as values: the filled share is computed without overflowing
// the product of a value of millions and the bar's pixels. The colour fill is
// read back as pixels (columns from the left, rows from the bottom), the
// image fill as its modifier.
TEST(Progress, RangesOfMillionsAndTheIntExtremesFillTheirExactShare) {
    struct Case {
        int min;
        int max;
        int value;
        int filled;  // pixels of 594
    };
    const Case cases[] = {
        {0, 50000000, 0, 0},
        {0, 50000000, 25000000, 297},
        {0, 50000000, 50000000, 594},
        {INT_MIN, INT_MAX, INT_MIN, 0},
        {INT_MIN + 1, INT_MAX, 0, 297},  // a range of 2 * INT_MAX: 0 is its exact middle
        {INT_MIN, INT_MAX, INT_MAX, 594},
    };
    constexpr int kLength = 594;
    constexpr int kThickness = 14;
    for (const Case& c : cases) {
        for (bool horizontal : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " = " << c.value
                                            << (horizontal ? " horizontal" : " vertical"));
            CPaintManagerUI manager;
            AddImage(manager, L"fore", 8, 8, [](int, int) { return 0x00FF00u; });
            const int width = horizontal ? kLength : kThickness;
            const int height = horizontal ? kThickness : kLength;
            for (bool image : {false, true}) {
                CProgressUI progress;
                progress.SetManager(&manager, nullptr, false);
                progress.SetHorizontal(horizontal);
                progress.SetMaxValue(c.max);
                progress.SetMinValue(c.min);
                progress.SetValue(c.value);
                ASSERT_EQ(progress.GetValue(), c.value);
                progress.ApplyAttributeList(image ? L"foreimage=\"fore\"" : L"forecolor=\"#FF0000FF\"");
                Canvas canvas(width, height);
                progress.SetPos(RECT{0, 0, width, height}, false);
                progress.Paint(canvas.Dc(), progress.GetPos(), nullptr);
                if (image) {
                    UiString expected;
                    if (horizontal) {
                        expected.Format(L"dest='0,0,%d,%d'", c.filled, kThickness);
                    } else {
                        expected.Format(L"dest='0,%d,%d,%d'", kLength - c.filled, kThickness, kLength);
                    }
                    EXPECT_STREQ(progress.GetForeModifier().GetData(), expected.GetData());
                    continue;
                }
                int blue = 0;
                for (int i = 0; i < kLength; ++i) {
                    // Along the bar from where it fills: left, or bottom.
                    const DWORD pixel = horizontal ? canvas.At(i, kThickness / 2) : canvas.At(kThickness / 2, kLength - 1 - i);
                    if (pixel != 0x0000FFu) break;
                    ++blue;
                }
                EXPECT_EQ(blue, c.filled);
                if (c.filled < kLength) {
                    EXPECT_EQ(horizontal ? canvas.At(c.filled, 0) : canvas.At(0, kLength - 1 - c.filled), 0xFFFFFFu);
                }
            }
        }
    }
}

TEST(StateImage, PartsOfADpiVariantAreWrittenInPixelsOfThePlainFile) {
    const std::wstring folder = MakeTempFolder(L"veneer-states");
    static constexpr DWORD kVariantColors[4] = {0x00FFFF, 0xFF00FF, 0xFFFF00, 0x800000};
    ASSERT_TRUE(WriteBmp32(folder + L"states.bmp", 120, 20, [](int x, int) { return 0xFF000000 | kPartColors[x / 30]; }));
    ASSERT_TRUE(
        WriteBmp32(folder + L"states@1.5x.bmp", 180, 30, [](int x, int) { return 0xFF000000 | kVariantColors[x / 45]; }));
    CPaintManagerUI::SetResourcePath(folder.c_str());
    {
        CPaintManagerUI manager;
        ScaleScope scale(manager, 144);
        CButtonUI button;
        button.SetManager(&manager, nullptr, false);
        button.ApplyAttributeList(L"stateimage=\"states.bmp\" statecount=\"4\" enabled=\"false\"");
        Canvas canvas(150, 75);
        button.SetPos(RECT{0, 0, 150, 75}, false);
        button.Paint(canvas.Dc(), button.GetPos(), nullptr);
        EXPECT_STREQ(button.GetDisabledImage().GetData(),
                     L"res='states.bmp' restype='' dest='0,0,0,0' source='90,0,120,20'");
        for (POINT p : {POINT{1, 1}, POINT{75, 37}, POINT{148, 73}}) EXPECT_EQ(canvas.At(p.x, p.y), kVariantColors[3]);
    }
    CPaintManagerUI::SetResourcePath(L"");
}
