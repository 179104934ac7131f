// The real downloader against the local download service (started by
// tools/download-service/run-with-service.sh), under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <mutex>

#include "installer/engine/testsupport/DownloadTestSupport.h"
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

// Short, fixed waits: the retry logic without the real pauses.
RetryPolicy FastPolicy() {
    RetryPolicy policy;
    policy.firstDelayMs = 200;
    policy.maxDelayMs = 800;
    policy.retryAfterCapMs = 3000;
    policy.budgetMs = 10000;
    policy.attemptsPerAddress = 3;
    policy.jitter = 0.0;
    return policy;
}

// An address where nothing listens: the connection is refused.
const std::wstring kRefusedUrl = L"http://127.0.0.1:9/openapi/download?ch=10009&app=50000";

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
        downloader.SetRetryPolicy(m_policy);
        downloader.SetFallbackUrls(m_fallbacks);
        downloader.SetLog([this](const std::wstring& line) {
            std::lock_guard<std::mutex> lock(m_logMutex);
            m_log += line + L"\n";
        });
        const DWORD start = GetTickCount();
        EXPECT_EQ(downloader.Start(), 1);
        EXPECT_TRUE(m_recorder.WaitForOutcome(kOutcomeTimeoutMs));
        const DWORD elapsed = GetTickCount() - start;
        downloader.Wait();
        EXPECT_EQ(downloader.ForeignBindingCalls(), 0u);
        m_attempts = downloader.Attempts();
        m_servedBy = downloader.ServedBy();
        m_finalProgress = downloader.Progress();
        return elapsed;
    }
    bool LogHas(const wchar_t* text) {
        std::lock_guard<std::mutex> lock(m_logMutex);
        return m_log.find(text) != std::wstring::npos;
    }
    std::string LogText() {
        std::lock_guard<std::mutex> lock(m_logMutex);
        return std::string(m_log.begin(), m_log.end());  // ASCII lines
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
    RetryPolicy m_policy = FastPolicy();
    std::vector<std::wstring> m_fallbacks;
    std::mutex m_logMutex;
    std::wstring m_log;
    std::vector<DownloadAttempt> m_attempts;
    std::wstring m_servedBy;
    DownloadProgress m_finalProgress;
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

TEST_F(DownloaderTest, TransientFailuresBackOffThenTheAddressIsGivenUpWithTheLastResult) {
    ASSERT_TRUE(Configure(L"status=500&count=99"));
    const DWORD elapsed = RunToOutcome(PackageUrl());
    EXPECT_EQ(m_recorder.Codes(), (std::vector<int>{kDownloadStarted, kDownloadFailed}));
    EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(HttpStatusResult(500)));
    EXPECT_EQ(m_recorder.Snapshot().back().text, L"URLDownloadToFile");
    EXPECT_GE(elapsed, 200u + 400u);  // two waits, doubling; none after the last
    EXPECT_LT(elapsed, 15000u);
    EXPECT_EQ(LoggedPaths().size(), 3u);
    ASSERT_EQ(m_attempts.size(), 3u);
    EXPECT_EQ(m_attempts[0].waitMs, 200u);
    EXPECT_EQ(m_attempts[1].waitMs, 400u);
    EXPECT_TRUE(LogHas(L"Waiting 0.4 s before attempt 3: back-off after 2 failure(s) in a row")) << LogText();
    EXPECT_FALSE(FileExists(m_path)) << "the error page must not stay behind as the package";
}

// What each answer means: how many requests it gets and how it ends.
TEST_F(DownloaderTest, EachAnswerIsRetriedOrRefusedByWhatItMeans) {
    const struct {
        const wchar_t* serve;
        size_t requests;    // package requests the download makes
        HRESULT result;     // S_OK: the package (or 4096 generated bytes) arrived whole
        bool generated = false;
    } cases[] = {
        {L"status=404", 1, HttpStatusResult(404)},
        {L"status=410", 1, HttpStatusResult(410)},
        {L"status=403", 1, HttpStatusResult(403)},
        {L"status=503&count=1", 2, S_OK},
        {L"status=408&count=1", 2, S_OK},
        {L"status=429&count=2", 3, S_OK},
        {L"html=1", 1, kNotAProgramResult},
        {L"size=4096&nolength=1", 1, S_OK, true},
        {L"size=4096&rate=1024", 1, S_OK, true},  // 1 KB/s: four seconds of trickle  // no length: the body to the close, checked later
        {L"redirect=same", 2, S_OK},
        {L"redirect=cross", 2, S_OK},
        {L"oversize=4096", 1, S_OK},  // the platform reads no further than the length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.serve)));
        ASSERT_TRUE(Configure(c.serve));
        m_recorder.Clear();
        RunToOutcome(PackageUrl());
        EXPECT_EQ(LoggedPaths().size(), c.requests);
        if (c.result == S_OK) {
            ExpectWellFormed(kDownloadSucceeded);
            const std::string bytes = ReadFileBytes(m_path);
            if (!c.generated) {
                EXPECT_EQ(bytes, m_package);
            } else {
                EXPECT_EQ(bytes.size(), 4096u);
            }
        } else {
            EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(c.result));
            EXPECT_FALSE(FileExists(m_path));
        }
        DeleteFileW(m_path.c_str());
    }
}

TEST_F(DownloaderTest, ARedirectLoopIsCutShortAndRefused) {
    ASSERT_TRUE(Configure(L"redirect=loop"));
    RunToOutcome(PackageUrl());
    EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(kRedirectLoopResult));
    EXPECT_EQ(m_attempts.size(), 1u) << "a loop is not tried again";
    EXPECT_TRUE(LogHas(L"redirects in a loop")) << LogText();
    EXPECT_FALSE(FileExists(m_path));
    // Wine's WinINet goes on following the loop after the binding stopped,
    // until the service's loop ends: later tests must see only their requests.
    for (int i = 0; i < 100 && LoggedPaths().back() != "/loop/60"; ++i) Sleep(100);
}

// A break mid-body: the next request asks for the rest only, guarded by the
// first answer's validator, and the pieces make the file.
TEST_F(DownloaderTest, ABrokenTransferResumesWithARangeAndTheValidator) {
    const long long half = static_cast<long long>(m_package.size()) / 2;
    const struct {
        std::wstring serve;
        const char* validator;  // what If-Range must start with
    } cases[] = {
        {L"fault=reset&faultcount=1&at=" + std::to_wstring(half), "\""},
        {L"fault=short&faultcount=1&at=" + std::to_wstring(half), "\""},
        {L"fault=stall&stall=4&faultcount=1&at=" + std::to_wstring(half), "\""},
        {L"fault=short&faultcount=1&noetag=1&at=" + std::to_wstring(half), ""},  // Last-Modified, a date
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.serve));
        ASSERT_TRUE(Configure(c.serve));
        m_recorder.Clear();
        RunToOutcome(PackageUrl(), 1500);
        ExpectWellFormed(kDownloadSucceeded);
        EXPECT_EQ(ReadFileBytes(m_path), m_package);
        const auto served = ServedRequests();
        ASSERT_EQ(served.size(), 2u);
        EXPECT_EQ(served[0].range, "-");
        EXPECT_EQ(served[0].sent, half);
        EXPECT_EQ(served[1].status, 206);
        EXPECT_EQ(served[1].range, "bytes=" + std::to_string(half) + "-");
        EXPECT_EQ(served[1].ifRange.rfind(c.validator, 0), 0u) << served[1].ifRange;
        if (*c.validator == '\0') {
            EXPECT_NE(served[1].ifRange.find(" GMT"), std::string::npos) << served[1].ifRange;
        }
        EXPECT_EQ(BytesSent(served), static_cast<long long>(m_package.size()));
        // Progress counts the whole file and never falls back.
        double previous = 0.0;
        for (const auto& e : m_recorder.Snapshot()) {
            if (e.code != kDownloadProgress) continue;
            EXPECT_GE(e.value, previous);
            previous = e.value;
        }
        EXPECT_EQ(previous, 1.0);
        EXPECT_EQ(m_finalProgress.received, static_cast<long long>(m_package.size()));
        EXPECT_EQ(m_finalProgress.total, static_cast<long long>(m_package.size()));
        EXPECT_FALSE(FileExists(m_path + L".part"));
        DeleteFileW(m_path.c_str());
    }
}

TEST_F(DownloaderTest, BreaksInARowAreResumedPieceByPieceUntilWhole) {
    ASSERT_TRUE(Configure(L"fault=reset&faultcount=4"));
    RunToOutcome(PackageUrl(), 1500);
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    const auto served = ServedRequests();
    EXPECT_EQ(served.size(), 5u) << "four pieces cut at their half, the fifth whole";
    EXPECT_EQ(BytesSent(served), static_cast<long long>(m_package.size()));
}

// A server that cannot continue the file: it sends all of it again (no
// ranges, or the file changed: If-Range no longer matches), or the bytes held
// no longer fit (416). The download starts over and delivers the new file.
TEST_F(DownloaderTest, AnAnswerThatCannotContinueStartsOver) {
    const std::wstring half = std::to_wstring(m_package.size() / 2);
    ASSERT_TRUE(Configure(L"norange=1&fault=reset&faultcount=1&at=" + half));
    RunToOutcome(PackageUrl(), 1500);
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    auto served = ServedRequests();
    ASSERT_EQ(served.size(), 2u);
    EXPECT_EQ(served[1].status, 200);
    EXPECT_TRUE(LogHas(L"starting over")) << LogText();

    const std::wstring changed = PackageFile().substr(0, PackageFile().size() - 4) + L"-v2.exe";
    ASSERT_TRUE(Configure(L"change=1&fault=reset&faultcount=1&at=" + half));
    m_recorder.Clear();
    RunToOutcome(PackageUrl(), 1500);
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), ReadFileBytes(changed));
    served = ServedRequests();
    ASSERT_EQ(served.size(), 2u);
    EXPECT_NE(served[1].range, "-");
    EXPECT_EQ(served[1].status, 200) << "the validator named the old file";

    // The first answer promised more than the file holds: the rest is past its end.
    ASSERT_TRUE(Configure(L"announce=" + std::to_wstring(m_package.size() + 1000)));
    m_recorder.Clear();
    RunToOutcome(PackageUrl(), 1500);
    EXPECT_EQ(m_recorder.Snapshot().back().code, kDownloadFailed);
    served = ServedRequests();
    ASSERT_GE(served.size(), 3u);
    EXPECT_EQ(served[1].status, 416);
    EXPECT_EQ(served[2].range, "-") << "after a 416 the whole file is asked for";
    EXPECT_FALSE(FileExists(m_path));
}

TEST_F(DownloaderTest, RetryAfterIsHonouredInSecondsOrAsADateAndCapped) {
    const struct {
        const wchar_t* serve;
        DWORD atLeastMs;
        DWORD belowMs;
    } cases[] = {
        {L"status=503&count=1&retryafter=1", 1000, 2500},
        {L"status=429&count=1&retryafter=date:2", 900, 3500},  // whole seconds of a date
        {L"status=503&count=1&retryafter=100", 3000, 5000},    // capped at the policy's 3 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.serve)));
        ASSERT_TRUE(Configure(c.serve));
        m_recorder.Clear();
        const DWORD elapsed = RunToOutcome(PackageUrl());
        ExpectWellFormed(kDownloadSucceeded);
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.belowMs);
        EXPECT_TRUE(LogHas(L"(Retry-After)")) << LogText();
        DeleteFileW(m_path.c_str());
    }
}

TEST_F(DownloaderTest, WaitsStopAtTheBudget) {
    m_policy.attemptsPerAddress = 50;
    m_policy.budgetMs = 2500;
    ASSERT_TRUE(Configure(L"status=503&retryafter=1"));
    const DWORD elapsed = RunToOutcome(PackageUrl());
    EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(HttpStatusResult(503)));
    EXPECT_EQ(LoggedPaths().size(), 3u);  // two waits of 1 s fit, a third would not
    EXPECT_LT(elapsed, 4000u);
    EXPECT_TRUE(LogHas(L"allowed for waits")) << LogText();
}

TEST_F(DownloaderTest, AFallbackAddressTakesOverWhenTheFirstGivesUp) {
    m_fallbacks = {SecondServerUrl() + L"/any/mirror.exe"};
    RunToOutcome(kRefusedUrl);
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(ReadFileBytes(m_path), m_package);
    EXPECT_EQ(m_servedBy, m_fallbacks[0]);
    ASSERT_EQ(m_attempts.size(), 4u);  // three refused, one served
    EXPECT_EQ(m_attempts[0].address, 0u);
    EXPECT_EQ(m_attempts[0].httpStatus, 0u);
    EXPECT_EQ(m_attempts[3].address, 1u);
    EXPECT_TRUE(LogHas(L"Trying fallback address 1: ")) << LogText();
    EXPECT_TRUE(LogHas(L"bytes from fallback address 1: ")) << LogText();

    // A 404 gives the first address up at once.
    ASSERT_TRUE(Configure(L"status=404&count=1"));
    m_recorder.Clear();
    m_fallbacks = {SecondServerUrl() + L"/any/mirror.exe"};
    RunToOutcome(PackageUrl());
    ExpectWellFormed(kDownloadSucceeded);
    EXPECT_EQ(LoggedPaths(), (std::vector<std::string>{"/openapi/download?ch=10009&app=50000", "/any/mirror.exe"}));
}

TEST_F(DownloaderTest, AnAnswerLargerThanTheDiskIsRefusedBeforeItIsWritten) {
    ASSERT_TRUE(Configure(L"announce=1000000000000000"));  // 1 PB
    RunToOutcome(PackageUrl());
    EXPECT_EQ(m_recorder.Snapshot().back().code, kDownloadFailed);
    EXPECT_EQ(m_recorder.Snapshot().back().value, AsResult(kDiskFullResult));
    EXPECT_EQ(LoggedPaths().size(), 1u) << "no retry and no other address helps";
    EXPECT_TRUE(LogHas(L"not enough disk space")) << LogText();
    EXPECT_FALSE(FileExists(m_path));
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

TEST_F(DownloaderTest, ARefusedConnectionIsRetriedThenFails) {
    const DWORD elapsed = RunToOutcome(kRefusedUrl);
    EXPECT_EQ(m_recorder.Codes(), (std::vector<int>{kDownloadStarted, kDownloadFailed}));
    EXPECT_LT(m_recorder.Snapshot().back().value, 0.0);
    EXPECT_GE(elapsed, 600u);
    EXPECT_EQ(m_attempts.size(), 3u);
    EXPECT_TRUE(LogHas(L"no answer from the server")) << LogText();
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
