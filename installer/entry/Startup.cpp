#include "installer/entry/Startup.h"

#include <objbase.h>
// GDI+ needs min/max and the COM declarations in scope.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
using std::max;
using std::min;
#include <gdiplus.h>

#include "core/CDpiScaler.h"
#include "core/UiDelayLoad.h"
#include "core/UiPhaseClock.h"
#include "installer/engine/ComApartment.h"
#include "installer/engine/InstallLog.h"
#include "installer/engine/PackageInterface.h"
#include "installer/entry/SilentInstall.h"
#include "installer/ui/CWndShadow.h"
#include "installer/ui/CZKObjectWnd.h"
#include "installer/ui/InstallTexts.h"
#include "installer/ui/ZKMainFrame.h"
#include "manager/CPaintManagerUI.h"
#include "ZKCore/ZKString.h"
#include "ZKCore/ZKSystem.h"

namespace ZKInstaller {

namespace {
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// The product version from this module's version resource, or "unknown",
// read in place: no version library to load and no second open of the
// executable before the first frame.
std::wstring ModuleVersion(HINSTANCE instance) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* block = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = found ? SizeofResource(instance, found) : 0;
    // VS_VERSIONINFO: its length, the value's length and type (three WORDs),
    // the key "VS_VERSION_INFO" with its null (16 units), padding to a 32-bit
    // boundary, then the fixed part.
    constexpr size_t kKeyOffset = 6;
    constexpr size_t kFixedOffset = 40;
    static const wchar_t kKey[] = L"VS_VERSION_INFO";
    VS_FIXEDFILEINFO info{};
    WORD valueLength = 0;
    if (!block || size < kFixedOffset + sizeof(info)) return L"unknown";
    std::memcpy(&valueLength, block + 2, sizeof(valueLength));
    std::memcpy(&info, block + kFixedOffset, sizeof(info));
    if (std::memcmp(block + kKeyOffset, kKey, sizeof(kKey)) != 0 || valueLength < sizeof(info) ||
        info.dwSignature != VS_FFI_SIGNATURE) {
        return L"unknown";
    }
    return ZKCore::DecimalText(HIWORD(info.dwProductVersionMS)) + L"." + ZKCore::DecimalText(LOWORD(info.dwProductVersionMS)) +
           L"." + ZKCore::DecimalText(HIWORD(info.dwProductVersionLS)) + L"." +
           ZKCore::DecimalText(LOWORD(info.dwProductVersionLS));
}

// A GUI program has no console of its own: the help goes to a redirected
// output, else to the console of the program that started it, else (never
// in a silent run) to a plain box.
void ShowHelp(const std::wstring& text, bool silent) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    Veneer::UiKernelHandle console;
    if ((!output || output == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console.Reset(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        output = console.Get();
    }
    if (output && output != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return;
        const std::string bytes = ZKCore::WideToMultiByte(text, ZKCore::kCodePageUtf8);
        if (WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return;
    }
    if (!silent) MessageBoxW(nullptr, text.c_str(), kProductTitle, MB_OK | MB_ICONINFORMATION);
}

// The installer mutex for the scope of a run: the first start creates it; a
// second one finds it there (or, made by another account, cannot open it).
class CInstallerMutex {
public:
    CInstallerMutex() : m_mutex(CreateMutexW(nullptr, FALSE, kInstallerMutexName)) {
        m_first = m_mutex && GetLastError() != ERROR_ALREADY_EXISTS;
    }
    bool IsFirst() const { return m_first; }

private:
    Veneer::UiKernelHandle m_mutex;
    bool m_first = false;
};

// The running installer's window, or the box it shows, to the front.
void BringRunningInstallerForward() {
    HWND frame = FindWindowW(kMainFrameClass, nullptr);
    if (!frame) return;
    if (IsIconic(frame)) ShowWindow(frame, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(frame));
}

// The file of "/LOG=" when it is usable, else a new run log in the temporary
// folder. True for the latter: the run logs beyond the newest ten go once the
// run is over, so the listing of the folder does not delay the first frame.
bool OpenRunLog(const CommandLineSwitches& switches) {
    if (switches.logGiven && IsAbsoluteFolder(switches.logFile)) {
        InstallLog().Open(switches.logFile, LogOpen::AppendOrCreate);
        return false;
    }
    return InstallLog().Open(NewRunLogPath(), LogOpen::CreateNew);
}

ExitCode FromFrameState(std::optional<InstallState> state) {
    if (!state) return ExitCode::StartupFailed;  // the window never came up
    return *state == InstallState::Completed ? ExitCode::Installed : ExitCode::Cancelled;
}
}  // namespace

std::wstring HelpText(const std::wstring& version) {
    return L"Scrivla setup " + version +
           L"\r\n\r\nZKInstaller.exe [/S] [/TIMEOUT=seconds] [/LOG=file] [/D=folder]\r\n"
           L"  /S, /s, /silent, /SILENT, /quiet   install without a window or message box\r\n"
           L"  /TIMEOUT=seconds   how long a silent run waits at most (default 3600); then it\r\n"
           L"              exits with 5 (3 while still downloading), the package keeps running\r\n"
           L"  /LOG=file   the log file, an absolute path (quote it when it has spaces)\r\n"
           L"  /D=folder   the install folder, an absolute path; the last parameter, it takes\r\n"
           L"              the rest of the line, spaces included\r\n"
           L"  /dir=, /d=, /DIR=, --insPath=, --INSPATH=, APPDIR=, -o\r\n"
           L"              the same, for a folder without spaces\r\n"
           L"  /?          this help\r\n\r\nExit codes:\r\n" +
           [] {
               std::wstring codes;
               for (int code = 0; code <= static_cast<int>(kLastExitCode); ++code) {
                   codes += L"  " + ZKCore::DecimalText(code) + L"  " + ExitCodeName(static_cast<ExitCode>(code)) + L"\r\n";
               }
               return codes;
           }() +
           L"\r\nLog file: " + TempFolder() + kRunLogPrefix + L"<yyyyMMdd-HHmmss>-<pid>" + kRunLogExtension +
           L" (a new one each run, the newest " + ZKCore::DecimalText(kRunLogsKept) + L" kept), or the file of /LOG=\r\n";
}

bool RestrictDllSearch() {
    // Windows 8 and later, and Windows 7 with the loader update, have it; an
    // import would keep the installer from starting on a Windows 7 without.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDirectories =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryW(L"");
    return false;
}

int RunInstaller(HINSTANCE instance, const std::wstring& arguments, StartupReport* report, bool showMainFrame) {
    StartupReport local;
    StartupReport& out = report ? *report : local;

    // 0. Before anything can load a DLL: the installer runs elevated, usually
    //    from a downloads folder where anything may lie beside it.
    //    The DLLs it imports delay-loaded (GDI+, urlmon, version, ...) are
    //    taken from the system folder on their first call.
    Veneer::UiMarkMoment("installer code");
    out.dllSearchRestricted = RestrictDllSearch();
    Veneer::InstallSystemDelayLoadHook();

    // 1. The switches, and the log; when it cannot be written the run goes
    //    on without it.
    out.switches = ParseCommandLine(arguments);
    const CommandLineSwitches& switches = out.switches;
    CInstallLog& log = InstallLog();
    std::wstring version;
    bool ownRunLog = false;
    {
        const Veneer::UiPhaseScope phase("log");
        version = ModuleVersion(instance);
        ownRunLog = OpenRunLog(switches);
        out.logPath = log.Path();
        log.Write(L"Scrivla setup " + version);
        log.Write(L"Command line: " + arguments);
    }

    ExitCode code = ExitCode::Installed;
    const std::wstring problem = CommandLineProblem(switches);
    if (switches.help) {
        ShowHelp(HelpText(version), switches.silent);
    } else if (!problem.empty()) {
        log.Write(problem);
        code = ExitCode::BadCommandLine;
    } else {
        // 2. One installer at a time, decided before anything touches the
        //    disk (the install options create the default install folder).
        const CInstallerMutex mutex;
        if (mutex.IsFirst()) {
            code = RunStartedInstaller(instance, out, showMainFrame);
        } else {
            log.Write(L"Another installer is running: this one changes nothing");
            if (showMainFrame && !switches.silent) BringRunningInstallerForward();
            code = ExitCode::AlreadyRunning;
        }
    }
    log.Write(L"Exit code: " + ZKCore::DecimalText(static_cast<int>(code)) + L" (" + ExitCodeName(code) + L")");
    log.Close();
    if (ownRunLog) RotateRunLogs(TempFolder(), kRunLogsKept);
    return static_cast<int>(code);
}

ExitCode RunStartedInstaller(HINSTANCE instance, StartupReport& out, bool showMainFrame) {
    const CommandLineSwitches& switches = out.switches;
    CInstallLog& log = InstallLog();

    // 3. COM on this thread as a single-threaded apartment. With the main
    //    window, the window joins it once its first frame is out: nothing
    //    before that frame needs COM, and joining can take tens of
    //    milliseconds (hundreds under some systems' first start).
    CComApartment com;
    if (!showMainFrame || switches.silent) {
        const Veneer::UiPhaseScope phase("com");
        if (!com.Join()) return ExitCode::StartupFailed;
        out.comInitialized = true;
    }

    // 4. GDI+; its status is not tested, drawing that needs it fails later.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    {
        const Veneer::UiPhaseScope phase("gdiplus");
        out.gdiplusStarted = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }

    // 5. The framework takes its resources and window classes from this module.
    Veneer::CPaintManagerUI::SetInstance(instance);

    // 6. The screen DPI becomes the process-wide scale.
    out.screenDpi = ZKCore::GetScreenDpi();
    Veneer::CDpiScaler::SetProcessDpi(out.screenDpi);

    // 7. The skin comes from the archive in this executable's resources.
    {
        const Veneer::UiPhaseScope phase("archive");
        SetupSkinStorage();
    }

    // 8. The drop shadow's window class.
    CWndShadow::Initialize(instance);

    // 9. The install: without a window, or in the main window, modally (it
    //    frees itself when it is closed and reports how the install stood).
    InstallOptions& options = GetInstallOptions();
    if (switches.folderGiven) options.installFolder = switches.installFolder.c_str();
    log.Write(std::wstring(L"Mode: ") + (switches.silent ? L"silent" : L"interactive") + L"; install folder: " +
              options.installFolder.GetData() + (switches.folderGiven ? L" (command line)" : L" (default)") +
              L"; desktop shortcut: " + (options.desktopShortcut ? L"true" : L"false") +
              (switches.silent ? L"; time-out: " + ZKCore::DecimalText(switches.timeoutSeconds) + L" s" : L""));
    ExitCode code = ExitCode::Installed;
    if (showMainFrame && switches.silent) {
        CSilentInstall install(options, kDownloadUrl, switches.timeoutSeconds);
        code = install.Run();
    } else if (showMainFrame) {
        const Veneer::UiPhaseScope phase("window");
        std::optional<InstallState> frameState;
        ShowSkinWindow<ZKMainFrame>(nullptr, nullptr, true, kProductTitle, nullptr,
                                    ZKMainFrame::StateReporter([&frameState](InstallState state) { frameState = state; }),
                                    kMainFrameStyle, kMainFrameExStyle, true, 0);
        code = FromFrameState(frameState);
    }

    // 10. Shut down in reverse order.
    Gdiplus::GdiplusShutdown(token);
    return code;  // and COM is left
}

}  // namespace ZKInstaller
