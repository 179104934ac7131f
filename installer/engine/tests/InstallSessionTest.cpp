// The install sequence end to end: the real downloader against the local
// download service, the real substitute package, the real control file.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "installer/engine/testsupport/DownloadTestSupport.h"
#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallSession.h"
#include "installer/engine/PackageFolder.h"

using namespace ZKInstaller;
using namespace ZKTest;

namespace {
constexpr DWORD kRunTimeoutMs = 60000;

// Queues the worker's notifications and hands them to the session on the test
// thread, in order, as a window's message queue would; polls while asked to.
class QueueSink : public IInstallSink {
public:
    struct Posted {
        unsigned generation;
        int code;
        double value;
    };

    void PostDownloadEvent(unsigned generation, int code, double value) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({generation, code, value});
        m_workerId = GetCurrentThreadId();
    }
    void OnProgress(int percent) override { progress.push_back(percent); }
    // A hidden line is recorded as received -1.
    void OnTransfer(const TransferFigures* figures) override {
        transfers.push_back(figures ? *figures : TransferFigures{-1, -1, 0, -1});
        transferTicks.push_back(GetTickCount());
    }
    void OnCompleted() override { ++completed; }
    void OnFailed(InstallFailure reason) override { failures.push_back(reason); }
    void StartPollTimer() override { polling = true; }
    void StopPollTimer() override { polling = false; }

    // Runs the owner's loop until `done` holds; false on timeout.
    bool RunUntil(CInstallSession& session, const std::function<bool()>& done, DWORD timeoutMs = kRunTimeoutMs) {
        const DWORD start = GetTickCount();
        DWORD lastPoll = start;
        while (!done()) {
            if (GetTickCount() - start > timeoutMs) return false;
            std::deque<Posted> batch;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                batch.swap(m_queue);
            }
            for (const Posted& p : batch) {
                handledCodes.push_back(p.code);
                handledGenerations.push_back(p.generation);
                session.HandleDownloadEvent(p.generation, p.code, p.value);
            }
            if (polling && GetTickCount() - lastPoll >= kPollIntervalMs) {
                lastPoll = GetTickCount();
                session.Poll();
            }
            Sleep(5);
        }
        return true;
    }
    bool Finished() const { return completed > 0 || !failures.empty(); }
    DWORD WorkerId() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_workerId;
    }

    std::vector<int> progress;
    std::vector<TransferFigures> transfers;
    std::vector<DWORD> transferTicks;
    std::vector<int> handledCodes;
    std::vector<unsigned> handledGenerations;
    std::vector<InstallFailure> failures;
    int completed = 0;
    bool polling = false;

private:
    std::mutex m_mutex;
    std::deque<Posted> m_queue;
    DWORD m_workerId = 0;
};

std::wstring Recorded(const wchar_t* section, const wchar_t* key) {
    const std::wstring record = std::wstring(MakeDataFolder().GetData()) + L"\\package-record.ini";
    wchar_t value[512] = {};
    GetPrivateProfileStringW(section, key, L"<none>", value, 512, record.c_str());
    return value;
}

class InstallSessionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerUrl().empty()) << "ZK_TEST_SERVER is not set: run through run-with-service.sh";
        ASSERT_TRUE(Configure(L""));
        m_options.installFolder = L"C:\\ZK Session Programs\\Editor Folder";
        m_options.desktopShortcut = false;
        m_controlFile = ControlFilePath(MakeDataFolder()).GetData();
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);
        const UiString path = m_session.PackagePath();
        m_session.Cancel();
        // A package that signalled may still be running for a moment.
        for (int i = 0; i < 50 && !path.IsEmpty() && FileExists(path.GetData()) && !DeleteFileW(path); ++i) Sleep(100);
    }

    std::wstring Url() const { return ServerUrl() + L"/openapi/download?ch=10009&app=50000"; }
    bool RunToEnd() {
        return m_sink.RunUntil(m_session, [this] { return m_sink.Finished(); });
    }

    InstallOptions m_options;
    QueueSink m_sink;
    std::wstring m_url = Url();
    CInstallSession m_session{m_sink, m_options, m_url.c_str()};
    std::wstring m_controlFile;
};
}  // namespace

TEST_F(InstallSessionTest, InstallsEndToEndWithTheChosenOptionsAfterResettingAStaleCompletion) {
    ASSERT_TRUE(WriteControlValue(m_controlFile.c_str(), kActiveKey, L"1"));
    m_session.Start();
    EXPECT_EQ(std::wstring(ReadControlValue(m_controlFile.c_str(), kActiveKey).GetData()), L"0");
    EXPECT_NE(std::wstring(ReadControlValue(m_controlFile.c_str(), kChannelKey).GetData()), L"error");
    EXPECT_EQ(m_session.State(), InstallState::Downloading);

    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.completed, 1);
    EXPECT_TRUE(m_sink.failures.empty());
    EXPECT_EQ(m_session.State(), InstallState::Completed);
    EXPECT_FALSE(m_sink.polling);

    // Notifications arrive in the order sent: started, progress..., done.
    ASSERT_GE(m_sink.handledCodes.size(), 2u);
    EXPECT_EQ(m_sink.handledCodes.front(), kDownloadStarted);
    EXPECT_EQ(m_sink.handledCodes.back(), kDownloadSucceeded);
    for (size_t i = 1; i + 1 < m_sink.handledCodes.size(); ++i) EXPECT_EQ(m_sink.handledCodes[i], kDownloadProgress);
    // 0, creeping to at most 70 while downloading, 70 on arrival, then 100.
    const auto& shown = m_sink.progress;
    EXPECT_EQ(shown.front(), 0);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_NE(std::find(shown.begin(), shown.end(), kDownloadedPercent), shown.end());
    EXPECT_EQ(shown.back(), 100);

    // An elevated run (Wine's is) downloads into the protected folder.
    EXPECT_EQ(m_session.PackageFolder().IsProtected(), IsProcessElevated());
    if (IsProcessElevated()) {
        const std::wstring folder = std::wstring(ProtectedFolderPath().GetData()) + L"\\";
        EXPECT_EQ(std::wstring(m_session.PackagePath().GetData()).compare(0, folder.size(), folder), 0);
    }
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\ZK Session Programs\\Editor Folder");
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"false");
    EXPECT_EQ(Recorded(L"Result", L"shortcut"), L"");
    EXPECT_TRUE(FileExists(L"C:\\ZK Session Programs\\Editor Folder\\readme.txt"));

    const auto attempts = m_session.DownloadAttempts();
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(attempts[0].result, S_OK);
    EXPECT_EQ(attempts[0].httpStatus, 200u);
    EXPECT_EQ(attempts[0].bytes, static_cast<long long>(ReadFileBytes(PackageFile()).size()));
}

TEST_F(InstallSessionTest, AFailedDownloadIsReportedAndASecondStartDownloadsToTheSamePath) {
    ASSERT_TRUE(Configure(L"status=404&count=1"));  // the first download gives up at once
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.failures, std::vector<InstallFailure>{InstallFailure::Download});
    EXPECT_EQ(m_sink.progress.back(), 0);
    EXPECT_EQ(m_session.DownloadResult(), static_cast<long>(HttpStatusResult(404)));
    const auto attempts = m_session.DownloadAttempts();
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(attempts[0].httpStatus, 404u);
    const UiString firstPath = m_session.PackagePath();
    EXPECT_FALSE(FileExists(firstPath.GetData()));

    m_sink.failures.clear();
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.completed, 1);
    EXPECT_TRUE(m_sink.failures.empty());
    EXPECT_EQ(std::wstring(m_session.PackagePath().GetData()), std::wstring(firstPath.GetData()));
    EXPECT_EQ(LoggedPaths().size(), 2u);
}

// The build's fallback addresses, put in by hand: the download address
// refuses every connection, the fallback serves, the package installs.
TEST_F(InstallSessionTest, AFallbackAddressServesWhenTheDownloadAddressGivesUp) {
    const std::wstring refused = L"http://127.0.0.1:9/openapi/download?ch=10009&app=50000";
    QueueSink sink;
    CInstallSession session(sink, m_options, refused.c_str());
    RetryPolicy quick;
    quick.firstDelayMs = 100;
    quick.attemptsPerAddress = 2;
    session.SetRetryPolicy(quick);
    session.SetFallbackUrls({SecondServerUrl() + L"/any/mirror/ZKPDFEditorPackage.exe"});
    session.Start();
    ASSERT_TRUE(sink.RunUntil(session, [&sink] { return sink.Finished(); }));
    EXPECT_EQ(sink.completed, 1);
    const auto attempts = session.DownloadAttempts();
    ASSERT_EQ(attempts.size(), 3u);
    EXPECT_EQ(attempts[0].address, 0u);
    EXPECT_EQ(attempts[2].address, 1u);
    EXPECT_EQ(attempts[2].result, S_OK);
    EXPECT_EQ(LoggedPaths(), std::vector<std::string>{"/any/mirror/ZKPDFEditorPackage.exe"});
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\ZK Session Programs\\Editor Folder");
    session.Cancel();
}

// The bar follows the bytes of the whole file and keeps its place when the
// connection drops half-way and the rest is fetched; the transfer figures
// come at most four times a second with the file's length and go once the
// download is over.
TEST_F(InstallSessionTest, TheBarFollowsTheBytesAcrossAResumeAndTheFiguresGoWhenTheDownloadEnds) {
    constexpr long long kSize = 2000000;
    ASSERT_TRUE(Configure(L"size=2000000&rate=1000000&fault=short&faultcount=1"));
    m_session.Start();
    ASSERT_TRUE(RunToEnd());  // the bytes are no signed program: refused after the download
    const auto& shown = m_sink.progress;
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    const auto beforeDone = std::find(shown.begin(), shown.end(), kDownloadedPercent);
    ASSERT_NE(beforeDone, shown.begin());
    EXPECT_GE(*(beforeDone - 1), 50);  // by the bytes, not one percent a report

    const auto& figures = m_sink.transfers;
    ASSERT_GE(figures.size(), 3u);
    EXPECT_EQ(figures.back().received, -1);
    long long received = 0;
    for (size_t i = 0; i + 1 < figures.size(); ++i) {
        EXPECT_EQ(figures[i].total, kSize);
        EXPECT_GE(figures[i].received, received);
        received = figures[i].received;
        if (i > 0) {
            EXPECT_GE(m_sink.transferTicks[i] - m_sink.transferTicks[i - 1], CTransferMeter::kRefreshMs - 20);
        }
    }
    EXPECT_GT(received, kSize / 2);
    EXPECT_GT(figures[figures.size() - 2].bytesPerSecond, 0.0);
}

TEST_F(InstallSessionTest, NoRoomForThePackageFailsWithItsOwnReason) {
    ASSERT_TRUE(Configure(L"announce=1000000000000000"));  // 1 PB
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.failures, std::vector<InstallFailure>{InstallFailure::DiskSpace});
    EXPECT_EQ(m_session.DownloadResult(), static_cast<long>(kDiskFullResult));
    EXPECT_FALSE(FileExists(m_session.PackagePath().GetData()));
    EXPECT_EQ(m_session.Progress().received, 0);
}

TEST_F(InstallSessionTest, APackageThatCannotStartFailsInsteadOfHolding) {
    ASSERT_TRUE(Configure(L"size=4096"));  // bytes that are no program
    // Let them past the signature check, which would refuse them, to the start.
    m_session.SetPackageCheck([](HANDLE, const wchar_t*, const VerificationPolicy&) {
        VerifyResult accepted;
        accepted.status = VerifyStatus::Ok;
        return accepted;
    });
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.failures, std::vector<InstallFailure>{InstallFailure::PackageStart});
    // "MZ" and nothing a loader knows: Wine takes it for a DOS program and
    // finds no DOS loader to run it.
    const DWORD error = m_session.PackageStartError();
    EXPECT_TRUE(error == ERROR_BAD_EXE_FORMAT || error == ERROR_FILE_NOT_FOUND) << error;
    EXPECT_FALSE(m_sink.polling);
}

TEST_F(InstallSessionTest, APackageEndingWithoutCompletionFailsInsteadOfHoldingAt99) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", L"incomplete");  // inherited by the package
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.failures, std::vector<InstallFailure>{InstallFailure::PackageIncomplete});
    EXPECT_EQ(m_sink.completed, 0);
    EXPECT_EQ(m_session.PackageExitCode(), 0u);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"incomplete");
    EXPECT_FALSE(FileExists(m_session.PackagePath().GetData())) << "its run has ended: the package goes";
    EXPECT_GE(m_sink.progress.back(), kDownloadedPercent);
    EXPECT_LT(m_sink.progress.back(), 100);
    EXPECT_FALSE(m_sink.polling);
}

TEST_F(InstallSessionTest, APackageStillEndingAfterItsCompletionHasItsFileRemovedWhenTheSessionGoes) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", L"linger");  // ends 1.5 s after its signal
    auto session = std::make_unique<CInstallSession>(m_sink, m_options, m_url.c_str());
    session->Start();
    ASSERT_TRUE(m_sink.RunUntil(*session, [this] { return m_sink.Finished(); }));
    EXPECT_EQ(m_sink.completed, 1);
    const std::wstring package = session->PackagePath().GetData();
    EXPECT_TRUE(FileExists(package)) << "the package still runs from it";
    session.reset();
    EXPECT_FALSE(FileExists(package));
}

TEST_F(InstallSessionTest, CancelDuringADownloadStopsItAtOnceAndRemovesThePartialFile) {
    ASSERT_TRUE(Configure(L"rate=200000&size=5000000"));  // 25 s if left alone
    m_session.Start();
    ASSERT_TRUE(m_sink.RunUntil(m_session, [this] { return m_sink.progress.back() >= 3; }, 20000));
    const DWORD worker = m_sink.WorkerId();
    ASSERT_NE(worker, 0u);

    const DWORD start = GetTickCount();
    m_session.Cancel();
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 1000u);
    EXPECT_EQ(m_session.State(), InstallState::Idle);
    EXPECT_FALSE(FileExists(m_session.PackagePath().GetData()));
    if (HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, worker)) {
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "the worker outlived Cancel";
        CloseHandle(thread);
    }

    // Whatever was still queued belongs to the cancelled download.
    const size_t shown = m_sink.progress.size();
    m_sink.RunUntil(m_session, [] { return false; }, 500);
    EXPECT_EQ(m_sink.progress.size(), shown);
    EXPECT_TRUE(m_sink.failures.empty());
    EXPECT_EQ(m_sink.completed, 0);
}

TEST_F(InstallSessionTest, ARestartDropsWhatTheReplacedDownloadHadAlreadyPosted) {
    ASSERT_TRUE(Configure(L"rate=200000&size=5000000"));
    m_session.Start();
    ASSERT_TRUE(m_sink.RunUntil(m_session, [this] { return m_sink.progress.back() >= 3; }, 20000));
    Sleep(300);  // progress notifications pile up unhandled
    ASSERT_TRUE(Configure(L"status=404&count=3"));  // the new download gives no progress
    m_sink.progress.clear();
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.failures, std::vector<InstallFailure>{InstallFailure::Download});
    const unsigned current = m_session.Generation();
    EXPECT_TRUE(std::any_of(m_sink.handledGenerations.begin(), m_sink.handledGenerations.end(),
                            [current](unsigned g) { return g != current; }))
        << "nothing of the old download was left to drop";
    EXPECT_EQ(m_sink.progress, std::vector<int>(m_sink.progress.size(), 0));
}

TEST_F(InstallSessionTest, APackageThatFailsVerificationIsCheckedWhileHeldNeverStartedAndDeleted) {
    DeleteFileW((std::wstring(MakeDataFolder().GetData()) + L"\\package-record.ini").c_str());
    bool heldWhileChecked = false;
    m_session.SetPackageCheck([&heldWhileChecked](HANDLE file, const wchar_t* path, const VerificationPolicy&) {
        HANDLE writer = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        heldWhileChecked = file && file != INVALID_HANDLE_VALUE && writer == INVALID_HANDLE_VALUE;
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        VerifyResult result;
        result.status = VerifyStatus::WrongPublisher;
        return result;
    });
    m_session.Start();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_sink.failures, std::vector<InstallFailure>{InstallFailure::Verification});
    EXPECT_TRUE(heldWhileChecked);
    EXPECT_EQ(m_session.Verification().status, VerifyStatus::WrongPublisher);
    EXPECT_FALSE(FileExists(m_session.PackagePath().GetData()));
    EXPECT_FALSE(m_sink.polling);
    Sleep(500);  // a package started by mistake would have recorded by now
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"<none>");
}
