#pragma once
// The installer process's exit status, the same for silent and interactive
// runs. Deployment scripts test these numbers: never renumber them.
namespace ZKInstaller {

enum class ExitCode : int {
    Installed = 0,
    Cancelled = 1,          // interactive: the window was closed before the install completed
    BadCommandLine = 2,     // a relative install folder or log file, a bad time-out
    DownloadFailed = 3,     // every download attempt failed, or the disk had no room for the package
    PackageNotStarted = 4,  // the downloaded package could not be started
    PackageIncomplete = 5,  // the package ended without reporting completion
    StartupFailed = 6,      // COM could not be initialised or the window not created
    VerificationFailed = 7, // the downloaded package failed verification; it was not started
    AlreadyRunning = 8,     // another installer is running; this one changed nothing
};
constexpr ExitCode kLastExitCode = ExitCode::AlreadyRunning;

inline const wchar_t* ExitCodeName(ExitCode code) {
    switch (code) {
    case ExitCode::Installed: return L"installed";
    case ExitCode::Cancelled: return L"cancelled by the user";
    case ExitCode::BadCommandLine: return L"bad command line";
    case ExitCode::DownloadFailed: return L"download failed";
    case ExitCode::PackageNotStarted: return L"package could not be started";
    case ExitCode::PackageIncomplete: return L"package ended without completing";
    case ExitCode::StartupFailed: return L"start-up failed";
    case ExitCode::VerificationFailed: return L"package failed verification";
    case ExitCode::AlreadyRunning: return L"another installer is running";
    }
    return L"unknown";
}

}  // namespace ZKInstaller
