// The real installer executable against the real download service and the
// real substitute package, driven by real mouse input: quick and custom
// installs, the close confirmation during a download, and a failed download
// followed by a second install. Positions are design units of the skin at
// 96 DPI (the test display's).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EndToEndFixture.h"
#include "installer/engine/testsupport/DownloadTestSupport.h"

using namespace ZKTest;

namespace {

using EndToEnd = InstallerTest;

}  // namespace

TEST_F(EndToEnd, QuickInstallRunsThePackageAndClosesWithStatusZero) {
    InstallerRun run;
    ASSERT_TRUE(run.started);
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    const DWORD start = GetTickCount();
    EXPECT_EQ(run.WaitForExit(60000), 0);
    // The finished page stays for three seconds before the window closes itself.
    EXPECT_GE(GetTickCount() - start, 3000u);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), std::wstring(GetInstallOptions().installFolder.GetData()));
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"true");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}

TEST_F(EndToEnd, UntickingTheShortcutOnTheCustomPageReachesThePackage) {
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kCustomButton);
    Click(frame, kShortcutOption);
    Click(frame, kCustomInstallButton);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"false");
}

TEST_F(EndToEnd, CloseDuringADownloadCancelledKeepsItConfirmedEndsWithinASecond) {
    ASSERT_TRUE(ZKTest::Configure(L"rate=20000"));  // bytes per second: minutes for the package
    InstallerRun run;
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    Sleep(500);
    Click(frame, kPageCloseButton);
    HWND box = run.WaitForWindow(L"zkmsgbox");
    ASSERT_NE(box, nullptr);
    Click(box, kBoxCancelButton);
    EXPECT_EQ(run.WaitForExit(800), -1) << "cancelling keeps the installer running";
    Click(frame, kPageCloseButton);
    box = run.WaitForWindow(L"zkmsgbox");
    ASSERT_NE(box, nullptr);
    Click(box, kBoxOkButton);
    const DWORD confirmed = GetTickCount();
    EXPECT_EQ(run.WaitForExit(5000), 1) << "closed before completion: the cancel code";
    EXPECT_LT(GetTickCount() - confirmed, 1000u + 150u);  // the click's own settling included
}

TEST_F(EndToEnd, AFailedDownloadReturnsToPageZeroAndASecondInstallSucceeds) {
    ASSERT_TRUE(ZKTest::Configure(L"status=404&count=1"));  // the first download gives up at once
    InstallerRun run;
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    HWND box = run.WaitForWindow(L"zkmsgbox", 20000);
    ASSERT_NE(box, nullptr);
    Click(box, kBoxOkButton);
    Sleep(300);
    Click(frame, kInstallButton);  // page 0 again: the same button starts a second install
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}
