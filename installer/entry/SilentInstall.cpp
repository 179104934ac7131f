#include "installer/entry/SilentInstall.h"

namespace ZKInstaller {

CSilentInstall::CSilentInstall(const InstallOptions& options, const wchar_t* downloadUrl)
    : m_threadId(GetCurrentThreadId()), m_session(*this, options, downloadUrl) {}

CSilentInstall::~CSilentInstall() { StopPollTimer(); }

ExitCode CSilentInstall::Run() {
    // The thread's queue must exist before the worker posts to it.
    MSG msg{};
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    m_threadId = GetCurrentThreadId();
    m_done = false;
    m_session.Start();
    while (!m_done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kSilentDownloadMessage) {
            m_events.DrainInto(m_session);
        } else if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == m_pollTimer && m_pollTimer) {
            m_session.Poll();
        } else {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    StopPollTimer();
    if (!m_done) {
        // WM_QUIT (a shutdown) before the end: nothing was installed.
        m_session.Cancel();
        return ExitCode::Cancelled;
    }
    return m_result;
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
    case InstallFailure::Download: m_result = ExitCode::DownloadFailed; break;
    case InstallFailure::PackageStart: m_result = ExitCode::PackageNotStarted; break;
    case InstallFailure::PackageIncomplete: m_result = ExitCode::PackageIncomplete; break;
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
