#include "installer/engine/InstallSession.h"

#include <algorithm>

#include "ZKCore/ZKString.h"
#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallLog.h"
#include "installer/engine/PackageInterface.h"

namespace ZKInstaller {

namespace {
constexpr double kCreepLimit = 100.0;  // the poll display stops below this
// How long a package that reported completion may take to end, in ms,
// before the session goes without removing its file.
constexpr DWORD kPackageExitWaitMs = 5000;
}  // namespace

CInstallSession::CInstallSession(IInstallSink& sink, const InstallOptions& options, const wchar_t* downloadUrl)
    : m_sink(sink), m_options(options), m_downloadUrl(downloadUrl ? downloadUrl : L"") {}

CInstallSession::~CInstallSession() {
    SettleCompletedPackage();
    Halt();
    RemovePackageFile();
}

void CInstallSession::Start() {
    StopPolling();
    Halt();
    m_progress = 0.0;
    ShowProgress();
    HideTransfer();
    m_downloadResult = 0;
    m_packageLeftRunning = false;
    m_packageStartError = ERROR_SUCCESS;
    m_packageExitCode = STILL_ACTIVE;

    // One path for the whole run: a retry after a failure downloads to it again.
    if (m_packagePath.IsEmpty() && !PreparePackageFolder()) {
        Fail(InstallFailure::Download);
        return;
    }
    m_controlFile = ControlFilePath(MakeDataFolder());
    // An "active" = "1" left by an earlier run must not end this one early.
    PrepareControlFile(m_controlFile);

    IInstallSink* sink = &m_sink;
    const unsigned generation = m_generation;
    m_downloader = std::make_unique<CWinDownloader>(
        [sink, generation](int code, double value, const wchar_t*) { sink->PostDownloadEvent(generation, code, value); },
        m_downloadUrl.c_str(), m_packagePath.GetData());
    m_downloader->SetRetryPolicy(m_retryPolicy);
    m_downloader->SetFallbackUrls(m_fallbackUrls);
    m_downloader->SetStallTimeout(m_stallTimeoutMs);
    m_downloader->SetLog([](const std::wstring& line) { InstallLog().Write(line); });
    m_state = InstallState::Downloading;
    InstallLog().Write(L"Download: " + m_downloadUrl + L" -> " + m_packagePath.GetData());
    for (size_t i = 0; i < m_fallbackUrls.size(); ++i) {
        InstallLog().Write(L"Fallback address " + ZKCore::DecimalText(i + 1) + L": " + m_fallbackUrls[i]);
    }
    m_downloader->Start();
}

bool CInstallSession::PreparePackageFolder() {
    const bool ready = m_folder.Prepare(IsProcessElevated(), ProtectedFolderPath(), DataFolderPath());
    InstallLog().Write(L"Package folder: " + m_folder.Report());
    if (!ready) return false;
    if (const int leftovers = m_folder.DeleteLeftovers()) {
        InstallLog().Write(L"Deleted " + ZKCore::DecimalText(leftovers) + L" package(s) left by earlier runs");
    }
    m_packagePath = NewPackagePath(m_folder.Path());
    return true;
}

void CInstallSession::HandleDownloadEvent(unsigned generation, int code, double value) {
    if (generation != m_generation || m_state != InstallState::Downloading) return;
    switch (code) {
    case kDownloadProgress:
        // The bytes over the whole file fill the download's share of the bar.
        // It never moves back: a resumed download goes on from where it was,
        // and one that starts over waits until it has overtaken the bar. A
        // ratio out of range (no total) creeps one percent a report.
        if (value >= 0.0 && value <= 1.0) {
            m_progress = std::max(m_progress, value * kDownloadedPercent);
        } else if (m_progress < kDownloadedPercent) {
            m_progress += 1.0;
        }
        ShowProgress();
        ShowTransfer();
        break;
    case kDownloadSucceeded:
        HideTransfer();
        InstallLog().Write(L"Download finished");
        OnDownloaded();
        break;
    case kDownloadFailed: {
        m_downloadResult = static_cast<long>(value);
        const std::vector<DownloadAttempt> attempts = DownloadAttempts();
        // A sink may squeeze the value on its way (a window message carries a
        // ratio); the last attempt's result is the same number.
        const long result = m_downloadResult != 0 || attempts.empty() ? m_downloadResult : attempts.back().result;
        const bool noRoom = result == kDiskFullResult;
        InstallLog().Write(L"Download failed: " + HexCode(static_cast<unsigned long>(result)) +
                           (noRoom ? L" (not enough disk space for the package)" : L""));
        m_progress = 0.0;
        ShowProgress();
        HideTransfer();
        Fail(noRoom ? InstallFailure::DiskSpace : InstallFailure::Download);
        break;
    }
    default:
        break;
    }
}

void CInstallSession::OnDownloaded() {
    m_progress = kDownloadedPercent;
    ShowProgress();
    // Held deny-write and deny-delete from here until the process exists.
    if (m_heldPackage.Open(m_packagePath)) {
        m_verification = m_check(m_heldPackage.Handle(), m_packagePath, m_policy);
    } else {
        m_verification = VerifyResult();
        m_verification.status = VerifyStatus::Unreadable;
    }
    if (!m_verification.Ok()) {
        InstallLog().Write(L"Package failed verification: " + DescribeVerification(m_verification, m_policy));
        m_heldPackage.Close();
        Fail(InstallFailure::Verification);  // deletes the file
        return;
    }
    InstallLog().Write(L"Package verified: " + DescribeVerification(m_verification, m_policy));

    const UiString arguments = BuildPackageArguments(m_options.installFolder, m_options.desktopShortcut);
    InstallLog().Write(std::wstring(L"Starting package: ") + m_packagePath.GetData() + L" " + arguments.GetData());
    const bool started = m_package.Start(m_packagePath, arguments);
    m_heldPackage.Close();
    if (!started) {
        m_packageStartError = m_package.StartError();
        InstallLog().Write(L"Package could not be started: error " + ZKCore::DecimalText(m_packageStartError));
        Fail(InstallFailure::PackageStart);
        return;
    }
    std::wstring how = m_package.StartedByShell() ? L"Package started by the shell (it asks for elevation)"
                                                  : L"Package started";
    if (m_package.Watch() == PackageWatch::Job) {
        how += L", followed with every process it starts";
    } else if (m_package.Watch() == PackageWatch::Process) {
        how += L", followed as one process (no job: error " + ZKCore::DecimalText(m_package.JobError()) + L")";
    } else {
        how += L", no process to follow: waiting for its completion only";
    }
    InstallLog().Write(how);
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
    if (m_package.HasEnded()) {
        m_packageExitCode = m_package.ExitCode();
        // It may have written the file between the read above and its exit.
        if (IsPackageFinished(m_controlFile)) {
            Complete();
        } else {
            InstallLog().Write(L"Package ended without completing: exit code " + ZKCore::DecimalText(m_packageExitCode));
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
    SettleCompletedPackage();
    const bool downloading = m_state == InstallState::Downloading;
    if (downloading || m_state == InstallState::RunningPackage) InstallLog().Write(L"Install cancelled");
    // A package left running keeps its file (the next run's first start
    // deletes it); else the worker has ended and nothing writes to it any more.
    m_packageLeftRunning = m_packageLeftRunning || m_state == InstallState::RunningPackage;
    StopPolling();
    Halt();
    RemovePackageFile();
    m_state = InstallState::Idle;
}

DownloadProgress CInstallSession::Progress() const {
    return m_downloader ? m_downloader->Progress() : DownloadProgress();
}

std::vector<DownloadAttempt> CInstallSession::DownloadAttempts() const {
    return m_downloader ? m_downloader->Attempts() : std::vector<DownloadAttempt>();
}

void CInstallSession::ShowProgress() { m_sink.OnProgress(static_cast<int>(m_progress)); }

void CInstallSession::ShowTransfer() {
    const DownloadProgress bytes = Progress();
    if (!m_meter.Update(GetTickCount(), bytes.received, bytes.total)) return;
    m_transferShown = true;
    m_sink.OnTransfer(&m_meter.Figures());
}

void CInstallSession::HideTransfer() {
    m_meter.Reset();
    if (!m_transferShown) return;
    m_transferShown = false;
    m_sink.OnTransfer(nullptr);
}

void CInstallSession::Complete() {
    m_progress = kCreepLimit;
    ShowProgress();
    StopPolling();
    m_state = InstallState::Completed;
    // A package reports just before it ends: its file goes now if it has
    // ended, else when the session is let go (SettleCompletedPackage).
    if (m_package.WaitForExit(0)) {
        m_package.Release();
        RemovePackageFile();
    }
    InstallLog().Write(L"Package reported completion");
    m_sink.OnCompleted();
}

void CInstallSession::Fail(InstallFailure reason) {
    StopPolling();
    m_package.Release();
    m_state = InstallState::Failed;
    RemovePackageFile();
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
    m_heldPackage.Close();
    m_package.Release();
    m_polling = false;
}

void CInstallSession::SettleCompletedPackage() {
    if (m_state != InstallState::Completed) return;
    // By now the window is gone: the wait shows nowhere. What the package
    // itself started may go on running; only its own process holds the file.
    m_package.WaitForExit(kPackageExitWaitMs);
    m_package.Release();
    RemovePackageFile();
}

void CInstallSession::RemovePackageFile() {
    if (m_packageLeftRunning || m_state == InstallState::RunningPackage || m_packagePath.IsEmpty() ||
        GetFileAttributesW(m_packagePath) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    // Fails while the package still runs from it (it keeps running).
    if (!DeleteFileW(m_packagePath)) {
        InstallLog().Write(L"Package file kept (error " + ZKCore::DecimalText(GetLastError()) + L"): " +
                           m_packagePath.GetData());
    }
}

}  // namespace ZKInstaller
