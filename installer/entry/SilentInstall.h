#pragma once
// The install without any window: the install sequence driven by a message
// loop of the calling thread (thread messages and a thread timer), ending on
// completion or failure with the matching exit code. It never shows a box.
#include <windows.h>

#include "installer/engine/DownloadEventQueue.h"
#include "installer/engine/InstallSession.h"
#include "installer/entry/ExitCodes.h"

namespace ZKInstaller {

// Posted to the running thread by the download's worker for each queued
// notification.
constexpr UINT kSilentDownloadMessage = WM_APP + 21;

class CSilentInstall : private IInstallSink {
public:
    // `options` must outlive the object; they are read when the download ends.
    // The run ends after `timeoutSeconds` (0: never) however far it got.
    CSilentInstall(const InstallOptions& options, const wchar_t* downloadUrl, unsigned timeoutSeconds = 0);
    ~CSilentInstall() override;
    CSilentInstall(const CSilentInstall&) = delete;
    CSilentInstall& operator=(const CSilentInstall&) = delete;

    // Runs the whole install on the calling thread and returns how it ended.
    // On the time-out: PackageIncomplete once the package was started (it
    // keeps running), DownloadFailed before.
    ExitCode Run();

private:
    // IInstallSink
    void PostDownloadEvent(unsigned generation, int code, double value) override;
    void OnProgress(int percent) override;
    void OnCompleted() override;
    void OnFailed(InstallFailure reason) override;
    void StartPollTimer() override;
    void StopPollTimer() override;
    void OnTimeout();

    CDownloadEventQueue m_events;  // filled by the worker, emptied by the loop
    DWORD m_threadId = 0;
    UINT_PTR m_pollTimer = 0;
    unsigned m_timeoutSeconds = 0;
    UINT_PTR m_timeoutTimer = 0;
    bool m_done = false;
    ExitCode m_result = ExitCode::Installed;
    CInstallSession m_session;  // last: stops its download before the rest goes
};

}  // namespace ZKInstaller
