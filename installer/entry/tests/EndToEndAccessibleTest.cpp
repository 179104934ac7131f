// A screen reader's install: another process finds the real installer's main
// window, reads page 0 through its accessible object, presses "立即安装" by
// its default action, and sees the progress page's bar appear; the install
// then finishes as after a click.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <string>

#include "EndToEndFixture.h"

using namespace ZKTest;

namespace {

using EndToEndAccessible = InstallerTest;

std::wstring DriverPath() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\')) + L"\\zk_accessible_driver.exe";
}

// The driver's exit code against installer process `pid` (see
// AccessibleDriver.cpp); -1 when it did not run or end.
long RunDriver(DWORD pid, const std::wstring& arguments) {
    InstallerRun driver(std::to_wstring(pid) + L" " + arguments, nullptr, DriverPath());
    return driver.started ? driver.WaitForExit(30000) : -1;
}

}  // namespace

TEST_F(EndToEndAccessible, AReaderInAnotherProcessPressesInstallAndSeesTheProgressPage) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", L"2000");  // page 2 stays while the reader looks
    InstallerRun run;
    ASSERT_NE(run.WaitForWindow(L"zkmainframe"), nullptr);
    const DWORD pid = run.ProcessId();
    const std::wstring progressBar = std::to_wstring(ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(RunDriver(pid, L"wait-role " + progressBar + L" 0"), 4) << "page 0 shows no progress bar";
    ASSERT_EQ(RunDriver(pid, L"press 立即安装"), 0);
    EXPECT_EQ(RunDriver(pid, L"wait-role " + progressBar + L" 10000"), 0) << "page 2's progress bar";
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}
