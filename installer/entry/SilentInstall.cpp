#include "installer/entry/SilentInstall.h"

#include <string>

#include "ZKCore/ZKString.h"
#include "installer/engine/InstallLog.h"

namespace ZKInstaller {

CSilentInstall::CSilentInstall(const InstallOptions& options, const wchar_t* downloadUrl, unsigned timeoutSeconds)
    : m_threadId(GetCurrentThreadId()), m_timeoutSeconds(timeoutSeconds), m_session(*this, options, downloadUrl) {}

CSilentInstall::~CSilentInstall() { StopPollTimer(); }

ExitCode CSilentInstall::Run() {
    // The thread's queue must exist before the worker posts to it.
    MSG msg{};
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    m_threadId = GetCurrentThreadId();
    m_done = false;
    // Seconds to milliseconds: the command line keeps it within the timer's range.
    if (m_timeoutSeconds) m_timeoutTimer = SetTimer(nullptr, 0, m_timeoutSeconds * 1000u, nullptr);
    m_session.Start();
    while (!m_done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kSilentDownloadMessage) {
            m_events.DrainInto(m_session);
        } else if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == m_pollTimer && m_pollTimer) {
            m_session.Poll();
        } else if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == m_timeoutTimer && m_timeoutTimer) {
            OnTimeout();
        } else {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    StopPollTimer();
    if (m_timeoutTimer) KillTimer(nullptr, m_timeoutTimer);
    m_timeoutTimer = 0;
    if (!m_done) {
        // WM_QUIT (a shutdown) before the end: nothing was installed.
        m_session.Cancel();
        return ExitCode::Cancelled;
    }
    return m_result;
}

void CSilentInstall::OnTimeout() {
    const bool packageRuns = m_session.State() == InstallState::RunningPackage;
    InstallLog().Write(L"Timed out after " + ZKCore::DecimalText(m_timeoutSeconds) + L" s " +
                       (packageRuns ? L"waiting for the package; it keeps running" : L"before the package was started"));
    // Stops the download or the polling; a started package is left alone.
    m_session.Cancel();
    m_result = packageRuns ? ExitCode::PackageIncomplete : ExitCode::DownloadFailed;
    m_done = true;
}

void CSilentInstall::PostDownloadEvent(unsigned generation, int code, double value) {
    // Worker thread: queue the notification, in order, and wake the loop.
    if (m_events.Push(generation, code, value)) PostThreadMessageW(m_threadId, kSilentDownloadMessage, 0, 0);
}

void CSilentInstall::OnProgress(int) {}

void CSilentInstall::OnCompleted() {
    m_result = ExitCode::Installed;
    m_done = true;
}

void CSilentInstall::OnFailed(InstallFailure reason) {
    switch (reason) {
    case InstallFailure::Download:
    case InstallFailure::DiskSpace: m_result = ExitCode::DownloadFailed; break;
    case InstallFailure::PackageStart: m_result = ExitCode::PackageNotStarted; break;
    case InstallFailure::PackageIncomplete: m_result = ExitCode::PackageIncomplete; break;
    case InstallFailure::Verification: m_result = ExitCode::VerificationFailed; break;
    }
    m_done = true;
}

void CSilentInstall::StartPollTimer() {
    StopPollTimer();
    m_pollTimer = SetTimer(nullptr, 0, kPollIntervalMs, nullptr);
}

void CSilentInstall::StopPollTimer() {
    if (m_pollTimer) KillTimer(nullptr, m_pollTimer);
    m_pollTimer = 0;
}

}  // namespace ZKInstaller
