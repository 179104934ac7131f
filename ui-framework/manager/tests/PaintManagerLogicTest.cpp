// Pure logic of the paint manager: timer id sequence, key state bits, update
// rectangle clamping, colour adjustment, event kind values.
#include <gtest/gtest.h>

#include <set>

#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

using namespace Veneer;

namespace {

UINT NthTimerId(int n) {
    UINT counter = 4096;
    UINT id = 0;
    for (int i = 0; i < n; ++i) NextTimerId(counter, [](UINT) { return false; }, id);
    return id;
}

}  // namespace

TEST(TimerIdSequence, FirstIs17ThenCountsUpTo239AndWrapsToZero) {
    EXPECT_EQ(NthTimerId(1), 17u);
    EXPECT_EQ(NthTimerId(2), 18u);
    EXPECT_EQ(NthTimerId(223), 239u);
    EXPECT_EQ(NthTimerId(224), 0u);
    EXPECT_EQ(NthTimerId(225), 1u);
}

TEST(TimerIdSequence, SkipsIdsStillHeldAndFailsWhenAll240AreHeld) {
    std::set<UINT> held{17, 18, 20};
    UINT counter = 4096;
    UINT id = 0;
    ASSERT_TRUE(NextTimerId(counter, [&](UINT candidate) { return held.count(candidate) > 0; }, id));
    EXPECT_EQ(id, 19u);
    ASSERT_TRUE(NextTimerId(counter, [&](UINT candidate) { return held.count(candidate) > 0; }, id));
    EXPECT_EQ(id, 21u);

    EXPECT_FALSE(NextTimerId(counter, [](UINT) { return true; }, id));
    UINT free = 0;
    ASSERT_TRUE(NextTimerId(counter, [](UINT candidate) { return candidate != 5; }, free));
    EXPECT_EQ(free, 5u);
}

TEST(KeyState, BitsFollowTheThreadKeyboardState) {
    BYTE saved[256];
    ASSERT_TRUE(GetKeyboardState(saved));
    struct Case {
        int vk;
        WORD bit;
    } cases[] = {{VK_LBUTTON, kKeyStateLButton}, {VK_RBUTTON, kKeyStateRButton}, {VK_SHIFT, kKeyStateShift},
                 {VK_CONTROL, kKeyStateControl}, {VK_MENU, kKeyStateAlt}};
    BYTE keys[256] = {};
    ASSERT_TRUE(SetKeyboardState(keys));
    EXPECT_EQ(MapKeyState(), 0);
    for (const Case& c : cases) {
        BYTE one[256] = {};
        one[c.vk] = 0x80;
        ASSERT_TRUE(SetKeyboardState(one));
        EXPECT_EQ(MapKeyState(), c.bit) << "vk " << c.vk;
        // The toggle bit alone is not "down".
        one[c.vk] = 0x01;
        ASSERT_TRUE(SetKeyboardState(one));
        EXPECT_EQ(MapKeyState(), 0) << "vk " << c.vk;
    }
    BYTE all[256] = {};
    for (const Case& c : cases) all[c.vk] = 0x80;
    ASSERT_TRUE(SetKeyboardState(all));
    EXPECT_EQ(MapKeyState(), 0x2F);
    SetKeyboardState(saved);
}

TEST(UpdateRect, ClampedToNonNegativeAndNonInverted) {
    struct Case {
        RECT in;
        RECT out;
    } cases[] = {
        {{10, 20, 30, 40}, {10, 20, 30, 40}},
        {{-5, -7, 30, 40}, {0, 0, 30, 40}},
        {{10, 20, 5, 40}, {10, 20, 10, 40}},
        {{10, 20, 30, 2}, {10, 20, 30, 20}},
        {{-10, -10, -5, -5}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const RECT r = ClampUpdateRect(c.in);
        EXPECT_EQ(r.left, c.out.left);
        EXPECT_EQ(r.top, c.out.top);
        EXPECT_EQ(r.right, c.out.right);
        EXPECT_EQ(r.bottom, c.out.bottom);
    }
}

TEST(ColorAdjust, NeutralSettingsKeepTheColourAndHueRotates) {
    EXPECT_EQ(AdjustColorHsl(0x80123456, 180, 100, 100), 0x80123456u);
    // +120 degrees turns pure red into pure green; alpha stays.
    EXPECT_EQ(AdjustColorHsl(0x7FFF0000, 300, 100, 100), 0x7F00FF00u);
    // -120 degrees (hue 60): red becomes blue; the hue wraps below zero.
    EXPECT_EQ(AdjustColorHsl(0xFFFF0000, 60, 100, 100), 0xFF0000FFu);
    // Saturation 0 gives grey of the same lightness.
    EXPECT_EQ(AdjustColorHsl(0xFFFF0000, 180, 0, 100), 0xFF808080u);
    // Lightness 0 gives black.
    EXPECT_EQ(AdjustColorHsl(0xFF336699, 180, 100, 0), 0xFF000000u);
}

TEST(EventKinds, ValuesAndMouseRange) {
    EXPECT_EQ(static_cast<int>(UiEventKind::UIEVT_KEYDOWN), 3);
    EXPECT_EQ(static_cast<int>(UiEventKind::UIEVT_MOUSEMOVE), 9);
    EXPECT_EQ(static_cast<int>(UiEventKind::UIEVT_BUTTONDOWN), 13);
    EXPECT_EQ(static_cast<int>(UiEventKind::UIEVT_SCROLLWHEEL), 21);
    EXPECT_EQ(static_cast<int>(UiEventKind::UIEVT_TIMER), 27);
    EXPECT_EQ(static_cast<int>(UiEventKind::UIEVT_LAST), 28);
    int mouseKinds = 0;
    for (int kind = 1; kind <= 28; ++kind) mouseKinds += IsMouseEventKind(static_cast<UiEventKind>(kind));
    EXPECT_EQ(mouseKinds, 13);  // 9 .. 21
    EXPECT_FALSE(IsMouseEventKind(UiEventKind::UIEVT_MOUSEBEGIN));
    EXPECT_FALSE(IsMouseEventKind(UiEventKind::UIEVT_MOUSEEND));
    EXPECT_TRUE(IsMouseEventKind(UiEventKind::UIEVT_SCROLLWHEEL));
}
