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

#include <memory>
#include <string>
#include <vector>

#include "core/UiHandle.h"
#include "core/UiString.h"
#include "installer/engine/Downloader.h"
#include "installer/engine/InstallOptions.h"

namespace ZKInstaller {

// How often the owner calls Poll while the package runs.
constexpr UINT kPollIntervalMs = 108;
// The display while downloading stops here; the package phase starts here.
constexpr int kDownloadedPercent = 70;

enum class InstallFailure {
    Download,           // the downloader gave up
    PackageStart,       // the shell could not start the downloaded package
    PackageIncomplete,  // the package ended without reporting completion
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
    virtual void OnCompleted() = 0;
    virtual void OnFailed(InstallFailure reason) = 0;
    // Call Poll every kPollIntervalMs from now on / no more.
    virtual void StartPollTimer() = 0;
    virtual void StopPollTimer() = 0;
};

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

    // Starts (or restarts) an install: progress 0, the package path (made once
    // and kept), the data folder and control file ("active" back to "0"), a
    // fresh downloader, started. Whatever an earlier install was doing stops.
    void Start();
    // A notification handed over by PostDownloadEvent. Notifications of a
    // downloader that was replaced or cancelled are ignored.
    void HandleDownloadEvent(unsigned generation, int code, double value);
    // One poll tick while the package runs: completion when the control file
    // says so, a failure when the package has ended without it, else the
    // display creeps on towards 99.
    void Poll();
    // Stops a running download (returns once its worker has ended), removes a
    // partial package file, stops polling. Nothing is delivered afterwards
    // until the next Start. A package already started keeps running.
    void Cancel();

    InstallState State() const { return m_state; }
    bool IsPolling() const { return m_polling; }
    // Empty until the first Start.
    const UiString& PackagePath() const { return m_packagePath; }
    // The generation that HandleDownloadEvent currently accepts.
    unsigned Generation() const { return m_generation; }

    // For a log: the attempts of the current download so far, the downloader's
    // result value of a failed download (an HRESULT), the shell's error of a
    // failed package start and the exit code of an ended package.
    std::vector<DownloadAttempt> DownloadAttempts() const;
    long DownloadResult() const { return m_downloadResult; }
    DWORD PackageStartError() const { return m_packageStartError; }
    DWORD PackageExitCode() const { return m_packageExitCode; }

private:
    void ShowProgress();
    void OnDownloaded();
    void Fail(InstallFailure reason);
    void Complete();
    void StopPolling();
    // Ends the download and the package following without telling the sink.
    void Halt();

    IInstallSink& m_sink;
    const InstallOptions& m_options;
    std::wstring m_downloadUrl;

    InstallState m_state = InstallState::Idle;
    UiString m_packagePath;
    UiString m_controlFile;
    double m_progress = 0.0;  // percent
    unsigned m_generation = 0;
    bool m_polling = false;
    std::unique_ptr<CWinDownloader> m_downloader;
    Veneer::UiKernelHandle m_package;  // the started package's process, when the shell gave one

    long m_downloadResult = 0;
    DWORD m_packageStartError = ERROR_SUCCESS;
    DWORD m_packageExitCode = STILL_ACTIVE;
};

}  // namespace ZKInstaller
