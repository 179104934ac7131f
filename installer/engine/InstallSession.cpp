#include "installer/engine/InstallSession.h"

#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallLog.h"
#include "installer/engine/PackageInterface.h"

namespace ZKInstaller {

namespace {
constexpr double kCreepLimit = 100.0;  // the poll display stops below this

void LogAttempts(const std::vector<DownloadAttempt>& attempts) {
    int number = 0;
    for (const DownloadAttempt& attempt : attempts) {
        InstallLog().Write(L"Attempt " + std::to_wstring(++number) + L": HTTP " + std::to_wstring(attempt.httpStatus) +
                           L", " + std::to_wstring(attempt.bytes) + L" bytes, " +
                           std::to_wstring(attempt.durationMs) + L" ms, result " +
                           HexCode(static_cast<unsigned long>(attempt.result)));
    }
}
}  // namespace

CInstallSession::CInstallSession(IInstallSink& sink, const InstallOptions& options, const wchar_t* downloadUrl)
    : m_sink(sink), m_options(options), m_downloadUrl(downloadUrl ? downloadUrl : L"") {}

CInstallSession::~CInstallSession() { Halt(); }

void CInstallSession::Start() {
    StopPolling();
    Halt();
    m_progress = 0.0;
    ShowProgress();
    m_downloadResult = 0;
    m_packageStartError = ERROR_SUCCESS;
    m_packageExitCode = STILL_ACTIVE;

    // One path for the whole run: a retry after a failure downloads to it again.
    if (m_packagePath.IsEmpty()) m_packagePath = MakePackagePath();
    m_controlFile = ControlFilePath(MakeDataFolder());
    // An "active" = "1" left by an earlier run must not end this one early.
    PrepareControlFile(m_controlFile);

    IInstallSink* sink = &m_sink;
    const unsigned generation = m_generation;
    m_downloader = std::make_unique<CWinDownloader>(
        [sink, generation](int code, double value, const wchar_t*) { sink->PostDownloadEvent(generation, code, value); },
        m_downloadUrl.c_str(), m_packagePath.GetData());
    m_state = InstallState::Downloading;
    InstallLog().Write(L"Download: " + m_downloadUrl + L" -> " + m_packagePath.GetData());
    m_downloader->Start();
}

void CInstallSession::HandleDownloadEvent(unsigned generation, int code, double value) {
    if (generation != m_generation || m_state != InstallState::Downloading) return;
    switch (code) {
    case kDownloadProgress:
        // One percent per notification whatever the ratio: the display only
        // has to show that something happens, and stops at the package phase.
        if (m_progress < kDownloadedPercent) m_progress += 1.0;
        ShowProgress();
        break;
    case kDownloadSucceeded:
        LogAttempts(DownloadAttempts());
        InstallLog().Write(L"Download finished");
        OnDownloaded();
        break;
    case kDownloadFailed: {
        m_downloadResult = static_cast<long>(value);
        const std::vector<DownloadAttempt> attempts = DownloadAttempts();
        LogAttempts(attempts);
        // A sink may squeeze the value on its way (a window message carries a
        // ratio); the last attempt's result is the same number.
        const long result = m_downloadResult != 0 || attempts.empty() ? m_downloadResult : attempts.back().result;
        InstallLog().Write(L"Download failed: " + HexCode(static_cast<unsigned long>(result)));
        m_progress = 0.0;
        ShowProgress();
        Fail(InstallFailure::Download);
        break;
    }
    default:
        break;
    }
}

void CInstallSession::OnDownloaded() {
    m_progress = kDownloadedPercent;
    ShowProgress();
    const UiString arguments = BuildPackageArguments(m_options.installFolder, m_options.desktopShortcut);
    InstallLog().Write(std::wstring(L"Starting package: ") + m_packagePath.GetData() + L" " + arguments.GetData());
    if (!StartPackageProcess(m_packagePath, arguments, m_package, m_packageStartError)) {
        InstallLog().Write(L"Package could not be started: error " + std::to_wstring(m_packageStartError));
        Fail(InstallFailure::PackageStart);
        return;
    }
    InstallLog().Write(L"Package started");
    m_state = InstallState::RunningPackage;
    m_polling = true;
    m_sink.StartPollTimer();
}

void CInstallSession::Poll() {
    if (m_state != InstallState::RunningPackage) return;
    if (IsPackageFinished(m_controlFile)) {
        Complete();
        return;
    }
    if (m_package && WaitForSingleObject(m_package.Get(), 0) == WAIT_OBJECT_0) {
        GetExitCodeProcess(m_package.Get(), &m_packageExitCode);
        // It may have written the file between the read above and its exit.
        if (IsPackageFinished(m_controlFile)) {
            Complete();
        } else {
            InstallLog().Write(L"Package ended without completing: exit code " + std::to_wstring(m_packageExitCode));
            Fail(InstallFailure::PackageIncomplete);
        }
        return;
    }
    // Shows 70, 71, ... 99, then holds at 99 until the package reports.
    if (m_progress < kCreepLimit) {
        ShowProgress();
        m_progress += 1.0;
    }
}

void CInstallSession::Cancel() {
    const bool downloading = m_state == InstallState::Downloading;
    if (downloading || m_state == InstallState::RunningPackage) InstallLog().Write(L"Install cancelled");
    StopPolling();
    Halt();
    // The worker has ended: nothing writes to the file any more.
    if (downloading && !m_packagePath.IsEmpty()) DeleteFileW(m_packagePath);
    m_state = InstallState::Idle;
}

std::vector<DownloadAttempt> CInstallSession::DownloadAttempts() const {
    return m_downloader ? m_downloader->Attempts() : std::vector<DownloadAttempt>();
}

void CInstallSession::ShowProgress() { m_sink.OnProgress(static_cast<int>(m_progress)); }

void CInstallSession::Complete() {
    m_progress = kCreepLimit;
    ShowProgress();
    StopPolling();
    m_package.Reset();
    m_state = InstallState::Completed;
    InstallLog().Write(L"Package reported completion");
    m_sink.OnCompleted();
}

void CInstallSession::Fail(InstallFailure reason) {
    StopPolling();
    m_package.Reset();
    m_state = InstallState::Failed;
    m_sink.OnFailed(reason);
}

void CInstallSession::StopPolling() {
    if (!m_polling) return;
    m_polling = false;
    m_sink.StopPollTimer();
}

void CInstallSession::Halt() {
    // Notifications already posted by the old downloader carry the old number.
    ++m_generation;
    // Aborts a running transfer and joins the worker; nothing is delivered after.
    m_downloader.reset();
    m_package.Reset();
    m_polling = false;
}

}  // namespace ZKInstaller
