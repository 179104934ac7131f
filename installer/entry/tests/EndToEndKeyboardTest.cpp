// The whole install from the keyboard alone, with real key input: Escape and
// Alt+F4 ask before closing, Tab and Shift+Tab walk the page in reading
// order, Space toggles an option and Enter presses the focused button.
#include <gtest/gtest.h>
#include <windows.h>

#include "EndToEndFixture.h"

using namespace ZKTest;

namespace {

using EndToEndKeyboard = InstallerTest;

void Key(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
    Sleep(40);
}

// `vk` pressed and released, with `modifier` held around it when given.
void Press(WORD vk, WORD modifier = 0) {
    if (modifier) Key(modifier, false);
    Key(vk, false);
    Key(vk, true);
    if (modifier) Key(modifier, true);
    Sleep(200);
}

}  // namespace

TEST_F(EndToEndKeyboard, EscapeAndAltF4AskFirstAndACustomInstallIsDoneWithKeysAlone) {
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    SetForegroundWindow(frame);
    Sleep(200);

    // Escape presses the page's close button: its question comes, and Enter
    // answers with the focused Cancel.
    Press(VK_ESCAPE);
    HWND box = run.WaitForWindow(L"zkmsgbox", 5000);
    ASSERT_NE(box, nullptr) << "Escape asked nothing";
    Press(VK_RETURN);
    ASSERT_TRUE(WaitUntilGone(box));
    // Alt+F4 asks the same; Escape in the box answers as its close button.
    Press(VK_F4, VK_MENU);
    box = run.WaitForWindow(L"zkmsgbox", 5000);
    ASSERT_NE(box, nullptr) << "Alt+F4 asked nothing";
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntilGone(box));
    ASSERT_EQ(run.WaitForExit(0), -1) << "the installer closed without a yes";

    // Page 0 opens on its install button; three Tabs reach "自定义安装 >"
    // past the agreement option and its link.
    Press(VK_TAB);
    Press(VK_TAB);
    Press(VK_TAB);
    Press(VK_RETURN);
    // Page 1 opens on its install button: Tab to the shortcut option, Space
    // unticks it, Shift+Tab back and Enter installs.
    Press(VK_TAB);
    Press(VK_SPACE);
    Press(VK_TAB, VK_SHIFT);
    Press(VK_RETURN);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"false");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}
