// The message box from the real skin, answered through real messages: while
// the main thread sits in the box's modal loop, a second thread posts the
// mouse and keyboard messages of a click or of Alt+F4 to it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/CDpiScaler.h"
#include "installer/ui/CZKMsgBox.h"
#include "installer/ui/tests/SkinShotSupport.h"
#include "manager/tests/WindowTestSupport.h"

using namespace ZKInstaller;
using namespace ZKSkinTest;

namespace {

enum class Act { ClickOk, ClickCancel, ClickClose, AltF4 };

// Button centres in design units, from the skin's layout of the 417 x 212 box:
// a 40-unit header (close button 20 x 20, 10 from the top and right), then a
// 60-unit icon column and a content column ending 9 units before the right
// border, whose 70-unit bottom row holds OK (92 wide, 12 before Cancel) and
// Cancel (92 wide) 14 units down.
POINT DesignPoint(Act act) {
    switch (act) {
        case Act::ClickOk: return POINT{257, 174};
        case Act::ClickCancel: return POINT{361, 174};
        default: return POINT{396, 21};
    }
}

// The mouse and keyboard messages of each act, posted to the box: 64-bit
// Wine may stack a later box of the same owner below it, where input from
// the devices would not reach it, so the box's own queue gets them.
void Perform(HWND box, Act act, int dpi) {
    if (act == Act::AltF4) {
        // Alt held (context bit 29): the default handling turns F4 into a close.
        ::PostMessageW(box, WM_SYSKEYDOWN, VK_F4, (1 << 29) | 1);
        ::Sleep(100);
        return;
    }
    const POINT design = DesignPoint(act);
    const LPARAM at = MAKELPARAM(::MulDiv(design.x, dpi, 96), ::MulDiv(design.y, dpi, 96));
    ::PostMessageW(box, WM_MOUSEMOVE, 0, at);
    ::Sleep(60);
    ::PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::Sleep(60);
    ::PostMessageW(box, WM_LBUTTONUP, 0, at);
    ::Sleep(100);
}

}  // namespace

TEST(MsgBoxInput, EachWayOutGivesItsResultAndFreesTheOwner) {
    const struct {
        const char* what;
        int dpi;
        const wchar_t* ok;
        const wchar_t* cancel;
        std::vector<Act> acts;
        int expected;
    } cases[] = {
        {"OK", 96, L"确定", L"取消", {Act::ClickOk}, 1},
        {"Cancel", 96, L"确定", L"取消", {Act::ClickCancel}, 2},
        {"close button", 96, L"确定", L"取消", {Act::ClickClose}, 0},
        {"Alt+F4", 96, L"确定", L"取消", {Act::AltF4}, 0},
        {"OK at 150 %", 144, L"确定", L"取消", {Act::ClickOk}, 1},
        // Without OK its place is empty: the click there does nothing.
        {"no OK", 96, L"", L"取消", {Act::ClickOk, Act::ClickCancel}, 2},
        // Without Cancel, OK moves to the right end, where Cancel was.
        {"no Cancel", 96, L"继续", L"", {Act::ClickCancel}, 1},
        // Without Cancel, OK moves to the right end, where Cancel was.
    };
    UseSkinArchive();
    Backdrop owner;
    for (const auto& test : cases) {
        Veneer::CDpiScaler::SetProcessDpi(test.dpi);
        std::atomic<bool> ownerDisabled{false};
        std::atomic<bool> openAfterActs{false};
        std::atomic<bool> found{false};
        std::thread driver([&] {
            HWND box = nullptr;
            for (int tries = 0; tries < 250 && !(box && ::IsWindowVisible(box)); ++tries) {
                ::Sleep(20);
                box = ::FindWindowW(L"zkmsgbox", nullptr);
            }
            if (!box) return;
            found = true;
            ::Sleep(200);  // shown and painted
            ownerDisabled = !::IsWindowEnabled(owner.Get());
            for (size_t i = 0; i < test.acts.size(); ++i) {
                // Every act but the last must leave the box open.
                if (i + 1 == test.acts.size()) openAfterActs = ::IsWindow(box) != FALSE;
                Perform(box, test.acts[i], test.dpi);
            }
            // A box the input failed to end is closed with a result no case expects.
            for (int tries = 0; tries < 50 && ::IsWindow(box); ++tries) ::Sleep(20);
            if (::IsWindow(box)) ::PostMessageW(box, WM_CLOSE, 99, 0);
        });
        const int result = CZKMsgBox::ShowModal(owner.Get(), L"Scrivla", L"确定退出安装吗？", L"退出后需要重新下载。",
                                                test.ok, test.cancel, nullptr, kMsgBoxStyle, kMsgBoxExStyle, true);
        driver.join();
        EXPECT_TRUE(found) << test.what;
        EXPECT_EQ(result, test.expected) << test.what;
        EXPECT_TRUE(ownerDisabled) << test.what;
        EXPECT_TRUE(openAfterActs) << test.what;
        EXPECT_TRUE(::IsWindowEnabled(owner.Get())) << test.what;
        EXPECT_EQ(::FindWindowW(L"zkmsgbox", nullptr), nullptr) << test.what;
        VeneerTest::Pump(30);
    }
    Veneer::CDpiScaler::SetProcessDpi(96);
}

namespace {
HWND g_nestedOwner = nullptr;
int g_innerAnswer = -1;
void CALLBACK OpenInnerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    g_innerAnswer = CZKMsgBox::ShowModal(g_nestedOwner, L"inner", L"下载失败！", L"请检查网络", L"确定", L"取消", nullptr,
                                         kMsgBoxStyle, kMsgBoxExStyle, true);
}

HWND WaitForBox(const wchar_t* title) {
    HWND box = nullptr;
    for (int tries = 0; tries < 250 && !(box && ::IsWindowVisible(box)); ++tries) {
        ::Sleep(20);
        box = ::FindWindowW(L"zkmsgbox", title);
    }
    ::Sleep(200);
    return box;
}
}  // namespace

TEST(MsgBoxInput, ABoxOpenedOverAnotherKeepsTheOwnerDisabledAndEachAnswerReachesItsAsker) {
    UseSkinArchive();
    Backdrop owner;
    g_nestedOwner = owner.Get();
    g_innerAnswer = -1;
    std::atomic<bool> disabledWithOneLeft{false};
    std::thread driver([&] {
        HWND outer = WaitForBox(L"outer");
        HWND inner = WaitForBox(L"inner");
        if (!outer || !inner) return;
        Perform(outer, Act::ClickOk, 96);  // answered while the inner box's loop runs
        for (int tries = 0; tries < 50 && ::IsWindow(outer); ++tries) ::Sleep(20);
        disabledWithOneLeft = !::IsWindowEnabled(g_nestedOwner) && ::IsWindow(inner);
        Perform(inner, Act::ClickCancel, 96);
    });
    ::SetTimer(nullptr, 0, 300, OpenInnerBox);
    const int outerAnswer = CZKMsgBox::ShowModal(owner.Get(), L"outer", L"确定关闭？", L"关闭后将中断安装流程", L"确定",
                                                 L"取消", nullptr, kMsgBoxStyle, kMsgBoxExStyle, true);
    driver.join();
    EXPECT_EQ(outerAnswer, static_cast<int>(MsgBoxResult::Ok));
    EXPECT_EQ(g_innerAnswer, static_cast<int>(MsgBoxResult::Cancel));
    EXPECT_TRUE(disabledWithOneLeft);
    EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
}

TEST(MsgBoxInput, TheLaunchOperationRunsABoxModallyToItsClick) {
    UseSkinArchive();
    Backdrop owner;
    std::thread driver([] {
        if (HWND box = WaitForBox(L"launched")) Perform(box, Act::ClickOk, 96);
    });
    // The box's own static ShowModal must not hide the window base's loop here.
    EXPECT_EQ(ShowSkinWindow<CZKMsgBox>(owner.Get(), nullptr, true, L"launched", nullptr, nullptr, kMsgBoxStyle,
                                        kMsgBoxExStyle, true, 0),
              nullptr);
    driver.join();
    EXPECT_EQ(::FindWindowW(L"zkmsgbox", L"launched"), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(owner.Get()));
}
