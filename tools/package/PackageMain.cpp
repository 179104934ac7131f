// A stand-in for the product's own installer package: started by the installer
// with "-instdir=<folder> -dsc=<true|false>", it installs a few files under the
// folder, creates a desktop shortcut when asked to, and signals completion by
// writing "active" = "1" into the shared control file.
//
// It records what it received in <data folder>\package-record.ini for tests.
// ZK_PACKAGE_DELAY_MS in its environment makes it take that long (at most
// ten minutes) before it finishes, as a real installation would.
// ZK_PACKAGE_MODE=incomplete makes it install and exit without the completion
// signal, as a package that failed half-way would. ZK_PACKAGE_MODE=launcher
// makes it start a copy of itself with the same arguments in the normal mode
// and exit at once, as a package that hands over to an unpacked setup does.
// ZK_PACKAGE_MODE=linger makes it stay 1.5 s after its completion signal, as
// a package that tidies up before it exits.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdlib>
#include <string>

#include "ZKCore/ZKString.h"
#include "core/UiHandle.h"
#include "ZKCore/ZKSystem.h"
#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallOptions.h"
#include "tools/package/PackageArguments.h"

namespace ZKPackage {

namespace {
constexpr DWORD kMaxDelayMs = 10 * 60 * 1000;
constexpr DWORD kLingerMs = 1500;
constexpr int kExitBadArguments = 2;
constexpr int kExitInstallFailed = 3;

class CComScope {
public:
    CComScope() : m_ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComScope() {
        if (m_ok) CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_ok;
};

template <typename T>
class CComRef {
public:
    CComRef() = default;
    ~CComRef() {
        if (m_ptr) m_ptr->Release();
    }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T** Out() { return &m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

std::wstring RecordPath() {
    return std::wstring(ZKInstaller::MakeDataFolder().GetData()) + L"\\package-record.ini";
}

void Record(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    WritePrivateProfileStringW(section, key, value.c_str(), RecordPath().c_str());
}

bool WriteTextFile(const std::wstring& path, const std::string& utf8) {
    Veneer::UiKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file.Get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    return ok && written == utf8.size();
}

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

DWORD RequestedDelay() {
    wchar_t text[32] = {};
    if (!GetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", text, 32)) return 0;
    const unsigned long value = std::wcstoul(text, nullptr, 10);
    return value > kMaxDelayMs ? kMaxDelayMs : static_cast<DWORD>(value);
}

std::wstring PackageMode() {
    wchar_t mode[32] = {};
    return GetEnvironmentVariableW(L"ZK_PACKAGE_MODE", mode, 32) ? std::wstring(mode) : std::wstring();
}

// The launcher: the same program and command line in the normal mode; it
// records nothing and never signals completion itself.
int Launch() {
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);  // the copy inherits the rest
    std::wstring commandLine = GetCommandLineW();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(OwnPath().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return kExitInstallFailed;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 0;
}

// The product's files: its program (this executable stands in for it), a
// readme and a version file. Returns the program's installed path, or empty.
std::wstring InstallFiles(const std::wstring& folder) {
    ZKCore::CreateFolderTree(folder.c_str());
    const std::wstring program = folder + L"\\" + ZKCore::kProductFolder + L".exe";
    if (!CopyFileW(OwnPath().c_str(), program.c_str(), FALSE)) return std::wstring();
    const std::string folderUtf8 = ZKCore::WideToMultiByte(folder, ZKCore::kCodePageUtf8);
    if (!WriteTextFile(folder + L"\\readme.txt",
                       "ZK PDF Editor\r\nInstalled by the substitute package into " + folderUtf8 + "\r\n")) {
        return std::wstring();
    }
    if (!WriteTextFile(folder + L"\\version.txt", "1.0.0\r\n")) return std::wstring();
    return program;
}

// A real shell link on the user's desktop. Returns its path, or empty.
std::wstring CreateDesktopShortcut(const std::wstring& target, const std::wstring& folder) {
    wchar_t desktop[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE)) return std::wstring();
    const std::wstring linkPath = std::wstring(desktop) + L"\\" + ZKCore::kProductFolder + L".lnk";

    CComScope com;
    CComRef<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.Out())))) {
        return std::wstring();
    }
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(folder.c_str());
    link->SetDescription(L"ZK PDF Editor");
    CComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out())))) return std::wstring();
    if (FAILED(file->Save(linkPath.c_str(), TRUE))) return std::wstring();
    return linkPath;
}

int Run() {
    if (PackageMode() == L"launcher") return Launch();
    const std::wstring commandLine = GetCommandLineW();
    const std::wstring arguments = SkipProgramName(commandLine);
    const PackageArguments parsed = ParsePackageArguments(arguments);

    // A profile file that starts with the UTF-16 byte-order mark is written in
    // UTF-16; without it the profile functions write the ANSI code page and
    // a folder such as D:\软件 would be recorded as question marks.
    WriteTextFile(RecordPath(), "\xFF\xFE");
    Record(L"Received", L"commandLine", commandLine);
    Record(L"Received", L"arguments", arguments);
    Record(L"Received", L"instdir", parsed.installFolder);
    Record(L"Received", L"dsc", parsed.shortcutFlag);
    if (!parsed.valid) {
        Record(L"Result", L"status", L"bad-arguments");
        return kExitBadArguments;
    }

    if (const DWORD delay = RequestedDelay()) Sleep(delay);

    const std::wstring program = InstallFiles(parsed.installFolder);
    if (program.empty()) {
        Record(L"Result", L"status", L"install-failed");
        return kExitInstallFailed;
    }
    std::wstring shortcut;
    if (parsed.desktopShortcut) {
        shortcut = CreateDesktopShortcut(program, parsed.installFolder);
        if (shortcut.empty()) {
            Record(L"Result", L"status", L"shortcut-failed");
            return kExitInstallFailed;
        }
    }
    Record(L"Result", L"program", program);
    Record(L"Result", L"shortcut", shortcut);
    if (PackageMode() == L"incomplete") {
        Record(L"Result", L"status", L"incomplete");
        return 0;
    }
    Record(L"Result", L"status", L"ok");

    // The completion signal the installer polls for.
    const std::wstring controlFile = ZKInstaller::ControlFilePath(ZKInstaller::MakeDataFolder()).GetData();
    if (!ZKInstaller::WriteControlValue(controlFile.c_str(), ZKInstaller::kActiveKey, L"1")) return kExitInstallFailed;
    if (PackageMode() == L"linger") Sleep(kLingerMs);
    return 0;
}
}  // namespace

}  // namespace ZKPackage

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return ZKPackage::Run(); }
