// The real downloader against the local download service (started by
// tools/download-service/run-with-service.sh), under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "DownloadTestSupport.h"
#include "installer/engine/ControlFile.h"
#include "installer/engine/Downloader.h"
#include "installer/engine/InstallOptions.h"
#include "installer/engine/PackageInterface.h"

using namespace ZKInstaller;
using namespace ZKTest;

namespace {
constexpr DWORD kOutcomeTimeoutMs = 60000;
const std::wstring kFixedTarget = L"/openapi/download?ch=10009&app=50000";

double AsResult(HRESULT hr) { return static_cast<double>(static_cast<int32_t>(hr)); }

class DownloaderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerUrl().empty()) << "ZK_TEST_SERVER is not set: run through run-with-service.sh";
        ASSERT_TRUE(Configure(L"")) << "the download service does not answer";
        m_package = ReadFileBytes(PackageFile());
        ASSERT_GT(m_package.size(), 1000u);
        m_path = TempFilePath(L"zkdl");
    }
    void TearDown() override { DeleteFileW(m_path.c_str()); }

    std::wstring PackageUrl() const { return ServerUrl() + kFixedTarget; }

    // Runs one download to its outcome; returns the wall time in ms.
    DWORD RunToOutcome(const std::wstring& url, DWORD stallTimeoutMs = kDefaultStallTimeoutMs) {
        CWinDownloader downloader(m_recorder.Callback(), url.c_str(), m_path.c_str());
        downloader.SetStallTimeout(stallTimeoutMs);
        const DWORD start = GetTickCount();
        EXPECT_EQ(downloader.Start(), 1);
        EXPECT_TRUE(m_recorder.WaitForOutcome(kOutcomeTimeoutMs));
        const DWORD elapsed = GetTickCount() - start;
        downloader.Wait();
        EXPECT_EQ(downloader.ForeignBindingCalls(), 0u);
        return elapsed;
    }

    // 1001 first, only 1002 with ratios in 0..1 between, one outcome last.
    void ExpectWellFormed(int outcome) const {
        const auto events = m_recorder.Snapshot();
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events.front().code, kDownloadStarted);
        EXPECT_EQ(events.front().value, 1.0);
        EXPECT_EQ(events.front().text, L"");
        for (size_t i = 1; i + 1 < events.size(); ++i) {
            EXPECT_EQ(events[i].code, kDownloadProgress) << "at " << i;
            EXPECT_GE(events[i].value, 0.0);
            EXPECT_LE(events[i].value, 1.0);
            EXPECT_EQ(events[i].text, L"");
        }
        EXPECT_EQ(events.back().code, outcome);
        EXPECT_EQ(events.back().text, L"URLDownloadToFile");
    }

    NotificationRecorder m_recorder;
    std::string m_package;
    std::wstring m_path;
};
}  // namespace

TEST_F(DownloaderTest, SuccessReportsStartProgressAndDoneOnTheNamedWorkerAndTheBytesMatch) {
    RunToOutcome(PackageUrl());
    ExpectWellFormed(kDownloadSucceeded);
    const auto events = m_recorder.Snapshot();
    EXPECT_EQ(events.back().value, 0.0);
    for (const auto& e : events) EXPECT_NE(e.threadId, GetCurrentThreadId());
    const std::wstring name = m_recorder.FirstThreadName();
    if (ZKTest::ThreadDescriptionsSupported()) {
        EXPECT_EQ(name, L"ABDEF");
    }
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{"/openapi/download?ch=10009&app=50000"});
}

TEST_F(DownloaderTest, ThePackageIsNeverKeptInTheUrlCache) {
    RunToOutcome(PackageUrl());
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    // The user's URL cache holds no copy an unelevated program could swap.
    DWORD size = 0;
    const BOOL cached = GetUrlCacheEntryInfoW(PrepareTransferUrl(PackageUrl()).c_str(), nullptr, &size);
    const DWORD error = GetLastError();
    EXPECT_TRUE(!cached && error == ERROR_FILE_NOT_FOUND) << "cache lookup: error " << error;
}

TEST_F(DownloaderTest, ThreeFailuresReportTheLastResultAfterThreePauses) {
    ASSERT_TRUE(Configure(L"status=500&count=99"));
    const DWORD elapsed = RunToOutcome(PackageUrl());
    EXPECT_EQ(m_recorder.Codes(), (std::vector<int>{kDownloadStarted, kDownloadFailed}));
    EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(HttpStatusResult(500)));
    EXPECT_EQ(m_recorder.Snapshot().back().text, L"URLDownloadToFile");
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LT(elapsed, 15000u);
    EXPECT_EQ(LoggedPaths().size(), 3u);
    EXPECT_FALSE(FileExists(m_path)) << "the error page must not stay behind as the package";
}

TEST_F(DownloaderTest, AFailureThenASuccessWithinThreeAttempts) {
    ASSERT_TRUE(Configure(L"status=404&count=1"));
    const DWORD elapsed = RunToOutcome(PackageUrl());
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_GE(elapsed, 900u);  // one pause
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    EXPECT_EQ(LoggedPaths().size(), 2u);
}

TEST_F(DownloaderTest, AddressIsEscapedByteByByteKeepingExistingEscapes) {
    RunToOutcome(ServerUrl() + L"/any/dir name/\u00e9t\u00e9.exe?x=%2Fb c&y=1");
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{"/any/dir+name/%C3%A9t%C3%A9.exe?x=%2Fb+c&y=1"});
}

TEST_F(DownloaderTest, FileUrlIsUsedUnchangedSpacesIncluded) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zk source dir";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring source = folder + L"\\package copy.bin";
    ASSERT_TRUE(CopyFileW(PackageFile().c_str(), source.c_str(), FALSE));
    std::wstring url = L"file:///" + source;
    for (auto& c : url) {
        if (c == L'\\') c = L'/';
    }
    RunToOutcome(url);
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    EXPECT_TRUE(LoggedPaths().empty());
    DeleteFileW(source.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(DownloaderTest, ASecondStartDeliversNothingAndRequestsNothing) {
    CWinDownloader downloader(m_recorder.Callback(), PackageUrl().c_str(), m_path.c_str());
    EXPECT_FALSE(downloader.HasStarted());
    EXPECT_EQ(downloader.Start(), 1);
    ASSERT_TRUE(m_recorder.WaitForOutcome(kOutcomeTimeoutMs));
    downloader.Wait();
    const size_t delivered = m_recorder.Snapshot().size();
    EXPECT_TRUE(downloader.HasStarted());
    EXPECT_EQ(downloader.Start(), 0);
    Sleep(1500);
    EXPECT_EQ(m_recorder.Snapshot().size(), delivered);
    EXPECT_EQ(LoggedPaths().size(), 1u);
}

TEST_F(DownloaderTest, ATransferWithoutAnnouncedSizeGivesNoProgress) {
    ASSERT_TRUE(Configure(L"nolength=1"));
    RunToOutcome(PackageUrl());
    // The platform reports its progress with a total of 0 here.
    EXPECT_EQ(m_recorder.Codes(), (std::vector<int>{kDownloadStarted, kDownloadSucceeded}));
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
}

TEST_F(DownloaderTest, AnEmptyDestinationFailsOnceWithoutAttempts) {
    CWinDownloader downloader(m_recorder.Callback(), PackageUrl().c_str(), L"");
    const DWORD start = GetTickCount();
    EXPECT_EQ(downloader.Start(), 1);
    downloader.Wait();
    EXPECT_LT(GetTickCount() - start, 1000u);
    const auto events = m_recorder.Snapshot();
    ASSERT_EQ(m_recorder.Codes(), (std::vector<int>{kDownloadStarted, kDownloadFailed}));
    EXPECT_EQ(events[1].value, 1.0);
    EXPECT_EQ(events[1].text, L"");
    EXPECT_TRUE(LoggedPaths().empty());
}

TEST_F(DownloaderTest, ABodyShorterThanAnnouncedFailsAndLeavesNoFile) {
    ASSERT_TRUE(Configure(L"fault=short&faultcount=99"));
    RunToOutcome(PackageUrl());
    EXPECT_EQ(m_recorder.Snapshot().back().code, kDownloadFailed);
    EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(kTruncatedResult));
    EXPECT_FALSE(FileExists(m_path));
    EXPECT_EQ(LoggedPaths().size(), 3u);
}

TEST_F(DownloaderTest, AShortBodyOnceThenTheWholeFile) {
    ASSERT_TRUE(Configure(L"fault=short&faultcount=1"));
    RunToOutcome(PackageUrl());
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
}

TEST_F(DownloaderTest, AResetMidBodyIsAbandonedAndRetried) {
    ASSERT_TRUE(Configure(L"fault=reset&faultcount=1"));
    RunToOutcome(PackageUrl(), 1500);
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    EXPECT_EQ(LoggedPaths().size(), 2u);
}

TEST_F(DownloaderTest, ResetsEveryTimeEndInFailureWithoutAFile) {
    ASSERT_TRUE(Configure(L"fault=reset&faultcount=99"));
    RunToOutcome(PackageUrl(), 1500);
    const auto events = m_recorder.Snapshot();
    EXPECT_EQ(events.back().code, kDownloadFailed);
    EXPECT_LT(events.back().value, 0.0);
    EXPECT_FALSE(FileExists(m_path));
    EXPECT_EQ(LoggedPaths().size(), 3u);
}

TEST_F(DownloaderTest, AThrottledTransferReportsProgressAsDataArrives) {
    ASSERT_TRUE(Configure(L"rate=2000000&size=2000000"));
    const DWORD elapsed = RunToOutcome(PackageUrl());
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_GE(elapsed, 900u);
    double previous = 0.0;
    int progress = 0;
    for (const auto& e : m_recorder.Snapshot()) {
        if (e.code != kDownloadProgress) continue;
        EXPECT_GE(e.value, previous);
        previous = e.value;
        ++progress;
    }
    EXPECT_GT(progress, 20);
    EXPECT_EQ(previous, 1.0);
    EXPECT_EQ(ReadFileBytes(m_path).size(), 2000000u);
}

TEST_F(DownloaderTest, DestroyingDuringATransferStopsItPromptlyAndDeliversNothingMore) {
    ASSERT_TRUE(Configure(L"rate=200000&size=5000000"));  // 25 s if left alone
    auto downloader = std::make_unique<CWinDownloader>(m_recorder.Callback(), PackageUrl().c_str(), m_path.c_str());
    downloader->Start();
    ASSERT_TRUE(m_recorder.WaitForDataProgress(10000));
    const DWORD start = GetTickCount();
    downloader.reset();
    EXPECT_LT(GetTickCount() - start, 3000u);
    const size_t delivered = m_recorder.Snapshot().size();
    Sleep(500);
    EXPECT_EQ(m_recorder.Snapshot().size(), delivered);
    for (const int code : m_recorder.Codes()) {
        EXPECT_NE(code, kDownloadSucceeded);
        EXPECT_NE(code, kDownloadFailed);
    }
    EXPECT_FALSE(FileExists(m_path));
}

TEST_F(DownloaderTest, DestroyingDuringASilentTransferStopsItPromptly) {
    // Half the body, then a reset: the platform's call goes silent, and only
    // a request the worker picks up inside it can end it before the watchdog.
    ASSERT_TRUE(Configure(L"fault=reset&faultcount=99"));
    auto downloader = std::make_unique<CWinDownloader>(m_recorder.Callback(), PackageUrl().c_str(), m_path.c_str());
    downloader->Start();
    ASSERT_TRUE(m_recorder.WaitForDataProgress(10000));
    Sleep(500);
    const size_t delivered = m_recorder.Snapshot().size();
    const DWORD start = GetTickCount();
    downloader.reset();
    EXPECT_LT(GetTickCount() - start, 1500u);
    EXPECT_EQ(m_recorder.Snapshot().size(), delivered);
    EXPECT_EQ(LoggedPaths().size(), 1u);
    EXPECT_FALSE(FileExists(m_path));
}

TEST_F(DownloaderTest, DestroyingDuringTheRetryPauseReturnsAtOnce) {
    ASSERT_TRUE(Configure(L"status=500&count=99"));
    auto downloader = std::make_unique<CWinDownloader>(m_recorder.Callback(), PackageUrl().c_str(), m_path.c_str());
    downloader->Start();
    for (int i = 0; i < 100 && LoggedPaths().empty(); ++i) Sleep(50);
    Sleep(200);
    const DWORD start = GetTickCount();
    downloader.reset();
    EXPECT_LT(GetTickCount() - start, 900u);
    EXPECT_EQ(m_recorder.Codes(), std::vector<int>{kDownloadStarted});
    EXPECT_EQ(LoggedPaths().size(), 1u);
}

TEST_F(DownloaderTest, DestroyingAnUnstartedDownloaderRequestsAndDeliversNothing) {
    {
        CWinDownloader downloader(m_recorder.Callback(), PackageUrl().c_str(), m_path.c_str());
        downloader.Wait();  // nothing to wait for: returns at once
        EXPECT_FALSE(downloader.HasStarted());
    }
    Sleep(300);
    EXPECT_TRUE(m_recorder.Snapshot().empty());
    EXPECT_TRUE(LoggedPaths().empty());
}

// The installer's whole exchange with the package: download it into the data
// folder, start it with a folder holding spaces, poll the control file.
TEST_F(DownloaderTest, TheDownloadedPackageInstallsAndSignalsCompletion) {
    const UiString dataFolder = MakeDataFolder();
    const UiString controlFile = ControlFilePath(dataFolder);
    PrepareControlFile(controlFile);
    const UiString packagePath = MakePackagePath();
    CWinDownloader downloader(m_recorder.Callback(), PackageUrl().c_str(), packagePath);
    downloader.Start();
    ASSERT_TRUE(m_recorder.WaitForOutcome(kOutcomeTimeoutMs));
    ASSERT_EQ(m_recorder.Snapshot().back().code, kDownloadSucceeded);
    downloader.Wait();

    const std::wstring folder = L"C:\\ZK Test Programs\\Chain Run";
    EXPECT_FALSE(IsPackageFinished(controlFile));
    StartPackage(packagePath, BuildPackageArguments(folder.c_str(), false));
    bool finished = false;
    for (int tick = 0; tick < 300 && !finished; ++tick) {
        Sleep(108);
        finished = IsPackageFinished(controlFile);
    }
    EXPECT_TRUE(finished);
    EXPECT_TRUE(FileExists(folder + L"\\readme.txt"));
    EXPECT_TRUE(FileExists(folder + L"\\ZKPDFEditor.exe"));
    const std::wstring record = std::wstring(dataFolder.GetData()) + L"\\package-record.ini";
    wchar_t received[512] = {};
    GetPrivateProfileStringW(L"Received", L"instdir", L"", received, 512, record.c_str());
    EXPECT_EQ(std::wstring(received), folder);
    // The package keeps running for a moment after it signals; let it exit.
    for (int i = 0; i < 50 && !DeleteFileW(packagePath); ++i) Sleep(100);
}
