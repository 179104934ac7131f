// Packages that must never run: unsigned, signed by another publisher, one
// byte changed, cut short. Served by the real service to the real installer,
// they end with the verification code (silent) or the verification box
// (interactive), are never started and are deleted.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EndToEndFixture.h"

using namespace ZKTest;

namespace {

using VerificationRun = CommandLineRun;

}  // namespace

TEST_F(VerificationRun, RefusedPackagesEndSilentRunsWithSevenAndAreNeitherStartedNorKept) {
    const size_t size = ReadFileBytes(PackageFile()).size();
    ASSERT_GT(size, 8192u);
    const struct {
        std::wstring serve;
        const char* found;
    } cases[] = {
        {L"variant=unsigned", "package check: no signature; expected signer 'ZK Test Publisher' key "},
        {L"variant=wrong-publisher", "package check: signer is not a pinned publisher; "},
        {L"flip=4096", "package check: signature does not match the file; "},
        {L"cut=" + std::to_wstring(size / 2), "Package failed verification: package check: "},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Configure(c.serve));
        DeleteFileW(DataFile(L"package-record.ini").c_str());
        EXPECT_EQ(SilentRun(L"/S /D=C:\\ZK Refused"), 7) << c.found;
        EXPECT_EQ(Recorded(L"Received", L"instdir"), L"") << "the package ran: " << c.found;
        EXPECT_EQ(PackagesLeft(), 0) << c.found;
        ExpectInLog(Log(), {c.found, "Exit code: 7 (package failed verification)"});
    }
    const std::string log = Log();
    EXPECT_EQ(log.find("Starting package"), std::string::npos) << log;
}

TEST_F(InstallerTest, ARefusedPackageShowsItsBoxAndConfirmingReturnsToPageZero) {
    ASSERT_TRUE(Configure(L"flip=4096"));
    InstallerRun run;
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    HWND box = run.WaitForWindow(L"zkmsgbox", 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"");
    EXPECT_EQ(PackagesLeft(), 0);
    Click(box, kBoxOkButton);
    ASSERT_TRUE(WaitUntilGone(box));
    ASSERT_TRUE(Configure(L""));  // the service mends its file
    Click(frame, kInstallButton);  // page 0 again
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}
