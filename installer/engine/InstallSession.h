#pragma once
// The install sequence without any window: download the package, start it with
// the chosen options, follow the control file until the package reports
// completion, and tell the owner what to show.
//
// Threads: every method runs on the owner's thread (the UI thread, or the
// thread of a window-less message loop). The download runs on the
// downloader's worker, whose notifications reach the owner only through
// IInstallSink::PostDownloadEvent; the owner hands them back, in order, to
// HandleDownloadEvent. The sequence needs no thread of its own.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/UiString.h"
#include "installer/engine/Downloader.h"
#include "installer/engine/HeldFile.h"
#include "installer/engine/InstallOptions.h"
#include "installer/engine/PackageFolder.h"
#include "installer/engine/PackageInterface.h"
#include "installer/engine/PackageProcess.h"
#include "installer/engine/PackageVerifier.h"
#include "installer/engine/TransferMeter.h"

namespace ZKInstaller {

// How often the owner calls Poll while the package runs.
constexpr UINT kPollIntervalMs = 108;
// The display while downloading stops here; the package phase starts here.
constexpr int kDownloadedPercent = 70;

enum class InstallFailure {
    Download,           // the downloader gave up, or the package had no folder to go to
    PackageStart,       // the downloaded package could not be started
    PackageIncomplete,  // every process of the package ended without reporting completion
    Verification,       // the downloaded package failed verification: never started, deleted
    DiskSpace,          // the package folder has less room than the package announced
};

enum class InstallState { Idle, Downloading, RunningPackage, Completed, Failed };

// What the session needs from its owner. All methods but PostDownloadEvent
// are called on the owner's thread, from inside the session's methods.
class IInstallSink {
public:
    virtual ~IInstallSink() = default;
    // Called on the downloader's worker thread. Must return at once and hand
    // the three values to the owner's thread in the order of the calls (for
    // a window: PostMessage), where they go to HandleDownloadEvent.
    virtual void PostDownloadEvent(unsigned generation, int code, double value) = 0;
    // The percent to show, 0..100.
    virtual void OnProgress(int percent) = 0;
    // The download's bytes, speed and time left to show, at most four times a
    // second; null when there is no download to describe.
    virtual void OnTransfer(const TransferFigures* figures) { (void)figures; }
    virtual void OnCompleted() = 0;
    virtual void OnFailed(InstallFailure reason) = 0;
    // Call Poll every kPollIntervalMs from now on / no more.
    virtual void StartPollTimer() = 0;
    virtual void StopPollTimer() = 0;
};

// Checks a downloaded package read through `file` (held deny-write by the
// session); VerifyPackage unless a test puts another in.
using PackageCheck = std::function<VerifyResult(HANDLE file, const wchar_t* path, const VerificationPolicy& policy)>;

class CInstallSession {
public:
    // `sink` and `options` must outlive the session. The options are read when
    // the download has finished, so the latest choice counts.
    CInstallSession(IInstallSink& sink, const InstallOptions& options, const wchar_t* downloadUrl);
    // Stops a running download and waits for its worker; calls nothing on the
    // sink (the owner may be half destroyed) and leaves a started package alone.
    ~CInstallSession();
    CInstallSession(const CInstallSession&) = delete;
    CInstallSession& operator=(const CInstallSession&) = delete;

    // Starts (or restarts) an install: progress 0, the package folder and
    // path (made once and kept; the first start deletes packages earlier runs
    // left there), the data folder and control file ("active" back to "0"), a
    // fresh downloader, started. Whatever an earlier install was doing stops.
    void Start();
    // A notification handed over by PostDownloadEvent. Notifications of a
    // downloader that was replaced or cancelled are ignored.
    void HandleDownloadEvent(unsigned generation, int code, double value);
    // One poll tick while the package runs: completion when the control file
    // says so, a failure when every process of the package has ended without
    // it, else the display creeps on towards 99.
    void Poll();
    // Stops a running download (returns once its worker has ended), removes
    // the package file, stops polling. Nothing is delivered afterwards until
    // the next Start. A package already started keeps running.
    void Cancel();
    // Replaces the package check (for tests).
    void SetPackageCheck(PackageCheck check) { m_check = std::move(check); }
    // For the next Start: the waits between attempts, the addresses tried
    // after the download address (the build's fallbacks by default) and the
    // silence that counts as a stall.
    void SetRetryPolicy(const RetryPolicy& policy) { m_retryPolicy = policy; }
    void SetFallbackUrls(const std::vector<std::wstring>& urls) { m_fallbackUrls = urls; }
    void SetStallTimeout(DWORD milliseconds) { m_stallTimeoutMs = milliseconds; }
    // Any thread that owns the session: bytes of the package held so far and
    // its length (-1 unknown); zero before a download and after it was dropped.
    DownloadProgress Progress() const;

    InstallState State() const { return m_state; }
    bool IsPolling() const { return m_polling; }
    // Empty until the first Start.
    const UiString& PackagePath() const { return m_packagePath; }
    // The generation that HandleDownloadEvent currently accepts.
    unsigned Generation() const { return m_generation; }

    // The folder the package goes to, once the first Start prepared it.
    const CPackageFolder& PackageFolder() const { return m_folder; }

    // For a log: the attempts of the current download so far, the downloader's
    // result value of a failed download (an HRESULT), the verdict on the
    // package, the error of a failed package start and the exit code of the
    // package's first process.
    std::vector<DownloadAttempt> DownloadAttempts() const;
    long DownloadResult() const { return m_downloadResult; }
    const VerifyResult& Verification() const { return m_verification; }
    DWORD PackageStartError() const { return m_packageStartError; }
    DWORD PackageExitCode() const { return m_packageExitCode; }

private:
    void ShowProgress();
    // The transfer figures from the downloader's byte count, when the meter
    // says they are due; hiding them also restarts the meter.
    void ShowTransfer();
    void HideTransfer();
    void OnDownloaded();
    void Fail(InstallFailure reason);
    void Complete();
    // After a completion: waits, boundedly, for the package's own process to
    // end, then removes its file.
    void SettleCompletedPackage();
    void StopPolling();
    // Ends the download and the package following without telling the sink.
    void Halt();
    // The package file goes once its run has ended (or never began); a
    // package still running keeps its file until the next run's first start.
    void RemovePackageFile();
    bool PreparePackageFolder();

    IInstallSink& m_sink;
    const InstallOptions& m_options;
    std::wstring m_downloadUrl;

    InstallState m_state = InstallState::Idle;
    UiString m_packagePath;
    UiString m_controlFile;
    double m_progress = 0.0;  // percent
    CTransferMeter m_meter;
    bool m_transferShown = false;
    unsigned m_generation = 0;
    bool m_polling = false;
    std::unique_ptr<CWinDownloader> m_downloader;
    CPackageFolder m_folder;
    CHeldFile m_heldPackage;  // from verification until the package's process exists
    CPackageProcess m_package;
    VerificationPolicy m_policy = BuiltInVerificationPolicy();
    PackageCheck m_check = VerifyPackage;
    RetryPolicy m_retryPolicy;
    std::vector<std::wstring> m_fallbackUrls = FallbackDownloadUrls();
    DWORD m_stallTimeoutMs = kDefaultStallTimeoutMs;

    bool m_packageLeftRunning = false;  // cancelled while the package ran: its file stays
    long m_downloadResult = 0;
    VerifyResult m_verification;
    DWORD m_packageStartError = ERROR_SUCCESS;
    DWORD m_packageExitCode = STILL_ACTIVE;
};

}  // namespace ZKInstaller
