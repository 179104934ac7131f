// The real installer on a bad network: the real service fails, breaks,
// stalls, throttles, redirects and lies in each way a network does, and every
// silent run ends in a verified install or a clean failure with exit 3, its
// reason in the log, no package started and none left behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "EndToEndFixture.h"

using namespace ZKTest;

namespace {

using NetworkRun = CommandLineRun;

struct Fault {
    std::wstring serve;        // the service's settings
    long exitCode;             // 0: verified and installed; 3: the download failed
    std::vector<const char*> log;  // lines the run's log must hold
    const wchar_t* arguments = L"/S /D=C:\\ZK Net";
};

}  // namespace

TEST_F(NetworkRun, EveryFaultEndsInAVerifiedInstallOrACleanFailure) {
    const long long size = static_cast<long long>(ReadFileBytes(PackageFile()).size());
    const std::wstring half = std::to_wstring(size / 2);
    // A link of 2 MB/s rather than loopback speed: data reports then come
    // steadily, as on a real network, and a silence after them is a stall.
    const std::wstring link = L"rate=2000000&";
    const Fault faults[] = {
        {L"status=404", 3, {"  Attempt 1: HTTP 404, ", "Download failed: 0x80190194"}},
        {L"status=410", 3, {"  Attempt 1: HTTP 410, ", "Download failed: 0x8019019A"}},
        {L"status=500&count=2", 0, {"  Attempt 2: HTTP 500, ", "before attempt 3: back-off after 2 failure(s) in a row"}},
        {L"status=503&count=1&retryafter=2", 0, {"before attempt 2: the server asked for 2.0 s (Retry-After)"}},
        {L"status=429&count=1", 0, {"  Attempt 1: HTTP 429, "}},
        {L"down=2.5", 0, {"  Attempt 1: HTTP 0, 0 bytes, ", "no answer from the server"}},
        {link + L"fault=reset&faultcount=1&at=" + half, 0,
         {"the transfer stalled at byte ", "  Attempt 2: HTTP 206, "}},  // Wine's WinINet falls silent on a reset
        {L"fault=short&faultcount=1&at=" + half, 0, {"the body ended early at byte ", "  Attempt 2: HTTP 206, "}},
        {L"nolength=1", 0, {"  Attempt 1: HTTP 200, "}},
        {link + L"fault=stall&stall=4&faultcount=1&at=" + half, 0, {"the transfer stalled at byte ", "  Attempt 2: HTTP 206, "}},
        {L"redirect=same", 0, {"  Attempt 1: HTTP 200, "}},
        {L"redirect=cross", 0, {"  Attempt 1: HTTP 200, "}},
        {L"redirect=loop", 3, {"the address redirects in a loop", "Download failed: 0x800C0014"}},
        {L"html=1", 3, {"the answer is a web page (Content-Type text/html", "Download failed: 0x800700C1"}},
        {L"oversize=4096", 0, {"  Attempt 1: HTTP 200, "}},  // WinINet stops at the length
        {link + L"change=1&fault=reset&faultcount=1&at=" + half, 0,
         {"The server sent the whole file instead of the rest (it changed, or serves no ranges): starting over"}},
        {L"announce=1000000000000000", 3,
         {"not enough disk space in ", "Download failed: 0x80070070 (not enough disk space for the package)"}},
        {L"rate=1024", 3, {"Timed out after 3 s before the package was started"}, L"/S /TIMEOUT=3 /D=C:\\ZK Net"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(testing::PrintToString(fault.serve));
        ASSERT_TRUE(Configure(fault.serve));
        DeleteFileW(DataFile(L"package-record.ini").c_str());
        EXPECT_EQ(SilentRun(fault.arguments), fault.exitCode);
        const std::string log = Log();
        for (const char* line : fault.log) EXPECT_NE(log.find(line), std::string::npos) << line << "\n--- log:\n" << log;
        if (fault.exitCode == 0) {
            EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
            ExpectInLog(log, {"  Package verified: ", "  Exit code: 0 (installed)"});
        } else {
            EXPECT_EQ(Recorded(L"Received", L"instdir"), L"") << "a package ran";
            EXPECT_EQ(log.find("Starting package"), std::string::npos);
            ExpectInLog(log, {"  Exit code: 3 (download failed)"});
        }
        EXPECT_EQ(PackagesLeft(), 0);
        EXPECT_EQ(PackagesLeft(L"*.part"), 0);
        // Wine's WinINet follows a loop on its own after the download gave it
        // up: wait for the service's loop to end before the next case.
        for (int i = 0; i < 100 && fault.serve == L"redirect=loop" && LoggedPaths().back() != "/loop/60"; ++i) Sleep(100);
    }
}

// The service's own count: a break at half costs the rest only, asked for by
// range with the first answer's validator.
TEST_F(NetworkRun, AResetAtHalfFetchesOnlyTheRest) {
    const long long size = static_cast<long long>(ReadFileBytes(PackageFile()).size());
    ASSERT_TRUE(Configure(L"rate=2000000&fault=reset&faultcount=1&at=" + std::to_wstring(size / 2)));
    const DWORD start = GetTickCount();
    EXPECT_EQ(SilentRun(L"/S"), 0);
    EXPECT_LT(GetTickCount() - start, 20000u) << "the break is noticed long before the 30 s stall time";
    const auto served = ServedRequests();
    ASSERT_EQ(served.size(), 2u);
    EXPECT_EQ(served[0].sent, size / 2);
    EXPECT_EQ(served[1].status, 206);
    EXPECT_EQ(served[1].range, "bytes=" + std::to_string(size / 2) + "-");
    EXPECT_EQ(served[1].ifRange.front(), '"') << "the ETag of the first answer";
    EXPECT_EQ(BytesSent(served), size);
}

TEST_F(InstallerTest, NoRoomForThePackageShowsTheDownloadBoxAndStartsNothing) {
    ASSERT_TRUE(Configure(L"announce=1000000000000000"));
    InstallerRun run;
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    HWND box = run.WaitForWindow(L"zkmsgbox", 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(LoggedPaths().size(), 1u) << "no retry, no other address";
    EXPECT_EQ(PackagesLeft(), 0);
    const std::string log = RunLogOf(run.ProcessId());
    EXPECT_NE(log.find("(not enough disk space for the package)"), std::string::npos) << log;
    Click(box, kBoxOkButton);
    ASSERT_TRUE(WaitUntilGone(box));
    ASSERT_TRUE(Configure(L""));  // room again
    Click(frame, kInstallButton);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}
