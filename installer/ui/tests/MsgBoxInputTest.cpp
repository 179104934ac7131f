// The message box from the real skin, answered through real input: while the
// main thread sits in the box's modal loop, a second thread moves the mouse,
// clicks and types.
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

void Send(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
    ::Sleep(60);
}

void SendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof(input));
    ::Sleep(40);
}

void Perform(HWND box, Act act, int dpi) {
    if (act == Act::AltF4) {
        ::SetForegroundWindow(box);
        ::Sleep(50);
        SendKey(VK_MENU, false);
        SendKey(VK_F4, false);
        SendKey(VK_F4, true);
        SendKey(VK_MENU, true);
        return;
    }
    const POINT design = DesignPoint(act);
    POINT screen{::MulDiv(design.x, dpi, 96), ::MulDiv(design.y, dpi, 96)};
    ::ClientToScreen(box, &screen);
    ::SetCursorPos(screen.x, screen.y);
    ::Sleep(80);
    Send(MOUSEEVENTF_LEFTDOWN);
    Send(MOUSEEVENTF_LEFTUP);
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
