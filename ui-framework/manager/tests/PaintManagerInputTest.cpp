// Mouse, keyboard, focus and capture through a real window receiving real
// input (SetCursorPos, SendInput) under the system's message queue.
#include <gtest/gtest.h>

#include <memory>

#include "WindowTestSupport.h"

using namespace VeneerTest;
using K = UiEventKind;

namespace {

const POINT kParking{1500, 950};  // off every test window

// A 200 x 150 window at (100, 100): control "a" covers the left half, "b" the
// right half.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        MoveMouseToScreen(kParking, 10);
        window = std::make_unique<TestWindow>(RECT{100, 100, 300, 250});
        root = new CContainerUI;
        a = new RecordingControl(&log, L"a", RECT{0, 0, 100, 150}, 0xFF00FF00);
        b = new RecordingControl(&log, L"b", RECT{100, 0, 200, 150}, 0xFF0000FF);
        root->Add(a);
        root->Add(b);
        ASSERT_TRUE(window->manager.AttachTree(root));
        window->manager.AddNotifier(&notifier);
        window->Paint();
        Pump(50);
        log.Clear();
        notifier.records.clear();
    }
    void TearDown() override {
        MouseButtonsUp();
        window.reset();
        MoveMouseToScreen(kParking, 10);
    }
    static void MouseButtonsUp() {
        if (GetAsyncKeyState(VK_LBUTTON) < 0) MouseButton(MOUSEEVENTF_LEFTUP, 0, 10);
        if (GetAsyncKeyState(VK_RBUTTON) < 0) MouseButton(MOUSEEVENTF_RIGHTUP, 0, 10);
    }
    // The recorded sequence without repeated identical entries (the system may
    // report one position twice).
    std::vector<std::wstring> Seq(std::vector<K> kinds) const {
        std::vector<std::wstring> out;
        for (auto& entry : log.Sequence(kinds)) {
            if (out.empty() || out.back() != entry) out.push_back(entry);
        }
        return out;
    }

    std::unique_ptr<TestWindow> window;
    CContainerUI* root = nullptr;
    RecordingControl* a = nullptr;
    RecordingControl* b = nullptr;
    EventLog log;
    RecordingNotifier notifier;
};

const std::vector<K> kHoverKinds{K::UIEVT_MOUSEENTER, K::UIEVT_MOUSELEAVE, K::UIEVT_MOUSEMOVE};

}  // namespace

TEST_F(InputTest, MovingAcrossControlsGivesLeaveEnterMoveInOrder) {
    MoveMouse(*window, POINT{50, 50});
    EXPECT_EQ(Seq(kHoverKinds), (std::vector<std::wstring>{Ev(L"a", K::UIEVT_MOUSEENTER), Ev(L"a", K::UIEVT_MOUSEMOVE)}));
    log.Clear();
    MoveMouse(*window, POINT{150, 60});
    EXPECT_EQ(Seq(kHoverKinds), (std::vector<std::wstring>{Ev(L"a", K::UIEVT_MOUSELEAVE), Ev(L"b", K::UIEVT_MOUSEENTER),
                                                           Ev(L"b", K::UIEVT_MOUSEMOVE)}));
    // The event carries the client point of the move.
    ASSERT_FALSE(log.records.empty());
    EXPECT_EQ(log.records.back().mouse.x, 150);
    EXPECT_EQ(log.records.back().mouse.y, 60);
    EXPECT_EQ(log.records.back().sender, b);
}

TEST_F(InputTest, LeavingTheWindowSendsLeaveToTheHoverControl) {
    MoveMouse(*window, POINT{150, 50});
    log.Clear();
    MoveMouseToScreen(kParking);
    EXPECT_TRUE(PumpUntil([&] { return log.Count(L"b", K::UIEVT_MOUSELEAVE) == 1; }));
    // Coming back enters again.
    log.Clear();
    MoveMouse(*window, POINT{150, 50});
    EXPECT_EQ(log.Count(L"b", K::UIEVT_MOUSEENTER), 1);
}

TEST_F(InputTest, CapturedClickControlGetsMovesWithoutEnterOrLeave) {
    MoveMouse(*window, POINT{50, 50});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_BUTTONDOWN), 1);
    EXPECT_TRUE(window->manager.IsCaptured());
    EXPECT_EQ(GetCapture(), window->hwnd());
    log.Clear();

    MoveMouse(*window, POINT{150, 50});
    EXPECT_EQ(Seq(kHoverKinds), (std::vector<std::wstring>{Ev(L"a", K::UIEVT_MOUSEMOVE)}));

    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_BUTTONUP), 1);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_BUTTONUP), 0);
    EXPECT_FALSE(window->manager.IsCaptured());
    EXPECT_EQ(GetCapture(), nullptr);

    // Released: the next move updates the hover state.
    log.Clear();
    MoveMouse(*window, POINT{152, 52});
    EXPECT_EQ(Seq(kHoverKinds), (std::vector<std::wstring>{Ev(L"a", K::UIEVT_MOUSELEAVE), Ev(L"b", K::UIEVT_MOUSEENTER),
                                                           Ev(L"b", K::UIEVT_MOUSEMOVE)}));
}

TEST_F(InputTest, RightButtonReleaseGoesToTheControlUnderTheCursor) {
    MoveMouse(*window, POINT{50, 50});
    MouseButton(MOUSEEVENTF_RIGHTDOWN);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_RBUTTONDOWN), 1);
    MoveMouse(*window, POINT{150, 50});
    MouseButton(MOUSEEVENTF_RIGHTUP);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_RBUTTONUP), 0);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_RBUTTONUP), 1);
    EXPECT_FALSE(window->manager.IsCaptured());
    // The system's context-menu message follows the release; it reaches the
    // control that got the release.
    EXPECT_EQ(log.Count(L"b", K::UIEVT_CONTEXTMENU), 1);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_CONTEXTMENU), 0);
}

TEST_F(InputTest, ContextMenuOfAMenuControlBecomesAMenuNotification) {
    b->SetContextMenuUsed(true);
    MoveMouse(*window, POINT{150, 50});
    MouseButton(MOUSEEVENTF_RIGHTDOWN);
    MouseButton(MOUSEEVENTF_RIGHTUP);
    EXPECT_EQ(notifier.Count(L"menu"), 1);
}

TEST_F(InputTest, DoubleClickReachesTheControl) {
    MoveMouse(*window, POINT{150, 50});
    MouseButton(MOUSEEVENTF_LEFTDOWN, 0, 5);
    MouseButton(MOUSEEVENTF_LEFTUP, 0, 5);
    MouseButton(MOUSEEVENTF_LEFTDOWN, 0, 5);
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_DBLCLICK), 1);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_BUTTONUP), 2);
}

TEST_F(InputTest, WheelGivesDirectionInTheLowWord) {
    MoveMouse(*window, POINT{150, 50});
    MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
    MouseButton(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    std::vector<WPARAM> wheels;
    for (const auto& record : log.records) {
        if (record.kind == K::UIEVT_SCROLLWHEEL) wheels.push_back(record.wParam);
    }
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(LOWORD(wheels[0]), SB_LINEDOWN);
    EXPECT_EQ(static_cast<short>(HIWORD(wheels[0])), -WHEEL_DELTA);
    EXPECT_EQ(LOWORD(wheels[1]), SB_LINEUP);
    EXPECT_EQ(static_cast<short>(HIWORD(wheels[1])), WHEEL_DELTA);
}

TEST_F(InputTest, OnlyControlsWithTheSetCursorFlagChooseTheCursor) {
    a->SetControlFlags(CTLFLAG_SETCURSOR);
    a->SetCursor(32649);  // hand
    MoveMouse(*window, POINT{50, 50});
    EXPECT_GE(log.Count(L"a", K::UIEVT_SETCURSOR), 1);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    MoveMouse(*window, POINT{150, 50});
    EXPECT_EQ(log.Count(L"b", K::UIEVT_SETCURSOR), 0);
}

TEST_F(InputTest, TabMovesFocusAmongTabStopsAndWraps) {
    a->SetControlFlags(CTLFLAG_TABSTOP);
    b->SetControlFlags(CTLFLAG_TABSTOP);
    SetFocus(window->hwnd());
    Tap(VK_TAB);
    EXPECT_EQ(window->manager.GetFocus(), a);
    Tap(VK_TAB);
    EXPECT_EQ(window->manager.GetFocus(), b);
    EXPECT_TRUE(b->IsFocused());
    EXPECT_FALSE(a->IsFocused());
    Tap(VK_TAB);
    EXPECT_EQ(window->manager.GetFocus(), a);
    Key(VK_SHIFT, false, 5);
    Tap(VK_TAB);
    Key(VK_SHIFT, true);
    EXPECT_EQ(window->manager.GetFocus(), b);
    EXPECT_EQ(notifier.Count(L"setfocus"), 4);
    EXPECT_EQ(notifier.Count(L"killfocus"), 3);
    // The kill-focus event names the control taking the focus.
    for (const auto& record : log.records) {
        if (record.kind == K::UIEVT_KILLFOCUS && record.control == L"b") {
            EXPECT_EQ(record.sender, a);
        }
    }
}

TEST_F(InputTest, FocusRingFollowsKeyboardFocusHidesOnAClickAndTakesSystemColoursInHighContrast) {
    a->SetControlFlags(CTLFLAG_TABSTOP);
    b->SetControlFlags(CTLFLAG_TABSTOP);
    const COLORREF green = RGB(0, 255, 0), blue = RGB(0, 0, 255);
    // b's ring: 2 pixels at x 97-98 (3 and 2 left of b), then a 1-pixel halo at 99.
    b->SetFocus();
    window->Paint();
    EXPECT_EQ(WindowPixel(window->hwnd(), 97, 75), green) << "no ring before the keyboard is used";
    Tap(VK_TAB);  // to a
    Tap(VK_TAB);  // to b
    ASSERT_EQ(window->manager.GetFocus(), b);
    window->Paint();
    EXPECT_EQ(WindowPixel(window->hwnd(), 97, 75), RGB(0x2F, 0x6B, 0xFF));
    EXPECT_EQ(WindowPixel(window->hwnd(), 98, 75), RGB(0x2F, 0x6B, 0xFF));
    EXPECT_EQ(WindowPixel(window->hwnd(), 99, 75), RGB(255, 255, 255));
    EXPECT_EQ(WindowPixel(window->hwnd(), 100, 75), blue);
    // A click hides the ring unless the system asks for keyboard cues (this
    // session only: nothing is written to the user's settings).
    BOOL cues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(FALSE), 0);
    MoveMouse(*window, POINT{150, 75});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(cues)), 0);
    window->Paint();
    EXPECT_EQ(WindowPixel(window->hwnd(), 97, 75), green) << "a click hides the ring";

    CPaintManagerUI::SetHighContrast(CPaintManagerUI::HighContrast::On);
    Tap(VK_TAB);  // to a; its ring lies over b at x 101-102, its halo at 100
    window->Paint();
    EXPECT_EQ(WindowPixel(window->hwnd(), 101, 75), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(WindowPixel(window->hwnd(), 100, 75), GetSysColor(COLOR_WINDOW));
    CPaintManagerUI::SetHighContrast(CPaintManagerUI::HighContrast::FollowSystem);
    // A window it owns (a question opened with Escape) shows its focus at once.
    TestWindow owned(RECT{120, 120, 200, 200}, WS_POPUP | WS_VISIBLE, 0, window->hwnd());
    EXPECT_TRUE(owned.manager.IsFocusRingShown());
}

TEST_F(InputTest, KeysGoToTheFocusAndTheReleaseToTheControlThatGotThePress) {
    b->SetFocus();
    ASSERT_EQ(window->manager.GetFocus(), b);
    Key('Q', false);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_KEYDOWN), 1);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_CHAR), 1);
    // Focus moves while the key is held: the release still reaches b.
    a->SetFocus();
    Key('Q', true);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_KEYUP), 1);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_KEYUP), 0);
}

TEST_F(InputTest, FirstPaintGivesFocusToTheFirstTabStop) {
    // A fresh tree with a tab stop: attaching asks for focus, which moves once
    // the pending layout has run.
    auto* root2 = new CContainerUI;
    auto* c = new RecordingControl(&log, L"c", RECT{0, 0, 50, 50});
    auto* d = new RecordingControl(&log, L"d", RECT{50, 0, 100, 50});
    d->SetControlFlags(CTLFLAG_TABSTOP);
    root2->Add(c);
    root2->Add(d);
    window->manager.AttachTree(root2);
    window->Paint();
    EXPECT_TRUE(PumpUntil([&] { return window->manager.GetFocus() == d; }));
}

TEST_F(InputTest, HiddenFocusedControlDropsTheFocus) {
    b->SetFocus();
    ASSERT_EQ(window->manager.GetFocus(), b);
    b->SetVisible(false);
    EXPECT_EQ(window->manager.GetFocus(), nullptr);
    EXPECT_FALSE(b->IsFocused());
    // Hidden controls are not hit.
    window->Paint();
    log.Clear();
    MoveMouse(*window, POINT{150, 50});
    EXPECT_EQ(log.Count(L"b", K::UIEVT_MOUSEENTER), 0);
}

namespace {

class Filter : public IMessageFilterUI {
public:
    UINT swallow = 0;
    int seen = 0;
    LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool& handled) override {
        if (msg == swallow) {
            ++seen;
            handled = true;
            return 42;
        }
        return 0;
    }
};

}  // namespace

TEST_F(InputTest, HandlingFilterEndsProcessingButKeepsTheMousePoint) {
    Filter filter;
    filter.swallow = WM_MOUSEMOVE;
    window->manager.AddMessageFilter(&filter);
    MoveMouse(*window, POINT{150, 40});
    EXPECT_GE(filter.seen, 1);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_MOUSEENTER), 0);
    EXPECT_EQ(window->manager.GetMousePos().x, 150);
    EXPECT_EQ(window->manager.GetMousePos().y, 40);
    LRESULT result = 0;
    EXPECT_TRUE(window->manager.MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10), result));
    EXPECT_EQ(result, 42);
    window->manager.RemoveMessageFilter(&filter);
}

namespace {

class Accelerator : public ITranslateAccelerator {
public:
    int seen = 0;
    LRESULT TranslateAccelerator(MSG* msg) override {
        if (msg->message != WM_KEYDOWN || msg->wParam != VK_F5) return S_FALSE;
        ++seen;
        return S_OK;
    }
};

}  // namespace

TEST_F(InputTest, PreTranslationReachesTheManagerOfAnAncestorWindow) {
    Accelerator accelerator;
    window->manager.AddTranslateAccelerator(&accelerator);
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window->hwnd(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    MSG msg{child, WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_TRUE(CPaintManagerUI::TranslateMessage(&msg));
    msg.wParam = VK_F6;
    EXPECT_FALSE(CPaintManagerUI::TranslateMessage(&msg));
    // Tab on the child moves focus in the ancestor's tree.
    a->SetControlFlags(CTLFLAG_TABSTOP);
    msg.wParam = VK_TAB;
    EXPECT_TRUE(CPaintManagerUI::TranslateMessage(&msg));
    EXPECT_EQ(window->manager.GetFocus(), a);
    EXPECT_EQ(accelerator.seen, 1);
    DestroyWindow(child);
    window->manager.RemoveTranslateAccelerator(&accelerator);
}

TEST_F(InputTest, SystemCharacterActivatesTheControlWithThatShortcut) {
    b->SetShortcut(L'K');
    MSG msg{window->hwnd(), WM_SYSCHAR, L'k', 0, 0, {}};
    EXPECT_TRUE(CPaintManagerUI::TranslateMessage(&msg));
    EXPECT_EQ(window->manager.GetFocus(), b);
    msg.wParam = L'z';
    EXPECT_FALSE(CPaintManagerUI::TranslateMessage(&msg));
}

TEST_F(InputTest, ReapedControlIsForgottenEverywhere) {
    MoveMouse(*window, POINT{150, 50});
    b->SetFocus();
    ASSERT_TRUE(b->SetTimer(3, 1000));
    window->manager.AddMouseLeaveNeeded(b);
    window->manager.AddPostPaint(b);
    ASSERT_EQ(window->manager.FindControl(L"b"), b);
    root->SetDelayedDestroy(false);
    root->Remove(b);  // deleted at once
    b = nullptr;
    EXPECT_EQ(window->manager.GetFocus(), nullptr);
    EXPECT_EQ(window->manager.FindControl(L"b"), nullptr);
    EXPECT_EQ(window->manager.GetPostPaintCount(), 0);
    // Moving to a and painting must not touch the dead control.
    log.Clear();
    window->Paint();
    MoveMouse(*window, POINT{50, 50});
    EXPECT_EQ(log.Count(L"a", K::UIEVT_MOUSEENTER), 1);
}

TEST_F(InputTest, HoverShowsTheTooltipOfTheControlUnderTheCursor) {
    window->manager.SetHoverTime(50);
    b->SetToolTip(L"right half");
    MoveMouse(*window, POINT{150, 50});
    ASSERT_TRUE(PumpUntil([&] { return log.Count(L"b", K::UIEVT_MOUSEHOVER) == 1; }));
    HWND tooltip = window->manager.GetTooltipWindow();
    ASSERT_NE(tooltip, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(tooltip, className, 64);
    EXPECT_STREQ(className, TOOLTIPS_CLASSW);
    // Moving to a control without a tooltip hides it.
    MoveMouse(*window, POINT{50, 50});
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(tooltip); }));
}

TEST_F(InputTest, CloseEndsHoverAndPressAndDropsTheFocus) {
    MoveMouse(*window, POINT{50, 50});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(window->manager.GetFocus(), a);  // a press focuses the control
    b->SetFocus();
    log.Clear();
    LRESULT result = 0;
    EXPECT_FALSE(window->manager.MessageHandler(WM_CLOSE, 0, 0, result));  // the window goes on closing
    EXPECT_EQ(log.Count(L"a", K::UIEVT_MOUSELEAVE), 1);
    EXPECT_EQ(log.Count(L"a", K::UIEVT_BUTTONUP), 1);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_KILLFOCUS), 1);
    EXPECT_EQ(window->manager.GetFocus(), nullptr);
}

TEST_F(InputTest, SizeMessageReachesTheFocusAndRelaysTheTree) {
    b->SetFocus();
    log.Clear();
    SetWindowPos(window->hwnd(), nullptr, 0, 0, 240, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(log.Count(L"b", K::UIEVT_WINDOWSIZE), 1);
    EXPECT_TRUE(root->IsUpdateNeeded());
    window->Paint();
    EXPECT_EQ(UiRect(root->GetPos()), UiRect(0, 0, 240, 150));
}

TEST_F(InputTest, MinMaxInfoUsesTheScaledLimitsThatAreSet) {
    window->manager.SetMinInfo(120, 0);
    window->manager.SetMaxInfo(400, 300);
    window->manager.GetDPIObj()->SetScale(144);
    MINMAXINFO info{};
    info.ptMinTrackSize = POINT{1, 2};
    SendMessageW(window->hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 180);
    EXPECT_EQ(info.ptMinTrackSize.y, 2);  // 0: no limit, left as it was
    EXPECT_EQ(info.ptMaxTrackSize.x, 600);
    EXPECT_EQ(info.ptMaxSize.y, 450);
    window->manager.GetDPIObj()->SetScale(96);
}

TEST_F(InputTest, InitialSizeResizesWithoutMoving) {
    RECT before{};
    GetWindowRect(window->hwnd(), &before);
    window->manager.SetInitSize(220, 160);
    RECT after{};
    GetWindowRect(window->hwnd(), &after);
    EXPECT_EQ(UiRect(after), UiRect(before.left, before.top, before.left + 220, before.top + 160));
    EXPECT_EQ(window->manager.GetInitSize().cx, 220);
}

TEST_F(InputTest, CommandsFromNativeChildWindowsAreReflectedToThem) {
    TestWindow child(RECT{0, 0, 20, 20}, WS_CHILD | WS_VISIBLE, 0, window->hwnd());
    struct Reflections : IMessageFilterUI {
        std::vector<UINT> seen;
        LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool& handled) override {
            if (msg >= kReflectedMessageBase) {
                seen.push_back(msg);
                handled = true;
                return 5;
            }
            return 0;
        }
    } reflections;
    child.manager.AddMessageFilter(&reflections);
    LRESULT result = SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(child.hwnd()));
    EXPECT_EQ(result, 5);
    NMHDR header{child.hwnd(), 1, 0};
    result = SendMessageW(window->hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(result, 5);
    EXPECT_EQ(reflections.seen, (std::vector<UINT>{kReflectedMessageBase + WM_COMMAND, kReflectedMessageBase + WM_NOTIFY}));
    child.manager.RemoveMessageFilter(&reflections);
}
