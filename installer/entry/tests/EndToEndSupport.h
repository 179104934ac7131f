#pragma once
// Driving the real installer executable from a test: its path, the files it
// and the package leave in the data folder, the skin's button positions and
// real mouse clicks on its windows.
#include <windows.h>

#include <string>

#include "installer/engine/InstallLog.h"
#include "installer/engine/InstallOptions.h"

namespace ZKTest {

using namespace ZKInstaller;

// Skin positions (window client coordinates).
constexpr POINT kInstallButton{350, 286};     // page 0 "installBtn"
constexpr POINT kCustomButton{616, 387};      // page 0 "customBtn"
constexpr POINT kShortcutOption{37, 387};     // page 1 "desktopShortCutOpt"
constexpr POINT kCustomInstallButton{350, 220};  // page 1 "installBtn1"
constexpr POINT kPageCloseButton{679, 21};    // pages 0-2 close button
constexpr POINT kBoxOkButton{257, 174};       // message box "okBtn"
constexpr POINT kBoxCancelButton{361, 174};   // message box "cancelBtn"
constexpr POINT kAgreementOption{37, 387};    // page 0 "protocalOpt"
constexpr POINT kModifyButton{577, 150};      // page 1 "modifyBtn"

inline std::wstring InstallerPath() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.rfind(L'\\'));         // .../entry/tests
    return folder.substr(0, folder.rfind(L'\\')) + L"\\ZKInstaller.exe";
}

inline std::wstring DataFile(const wchar_t* name) { return std::wstring(DataFolderPath().GetData()) + L"\\" + name; }

inline std::wstring Recorded(const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024]{};
    GetPrivateProfileStringW(section, key, L"", value, 1024, DataFile(L"package-record.ini").c_str());
    return value;
}

// The UTF-8 text (after its byte-order mark) of the newest run log of
// process `pid` in the temporary folder (Wine hands process ids out again);
// empty when there is none.
inline std::string RunLogOf(DWORD pid) {
    const std::wstring folder = TempFolder();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + kRunLogPrefix + L"*-" + std::to_wstring(pid) + kRunLogExtension).c_str(),
                                   &found);
    if (search == INVALID_HANDLE_VALUE) return std::string();
    std::wstring newest;
    do {
        if (newest < found.cFileName) newest = found.cFileName;  // the time in the name sorts as text
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::string text;
    HANDLE file = CreateFileW((folder + newest).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
}

inline void Click(HWND window, POINT client) {
    RECT rect{};
    GetWindowRect(window, &rect);
    SetCursorPos(rect.left + client.x, rect.top + client.y);
    Sleep(80);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(60);
    SendInput(1, &input[1], sizeof(INPUT));
    Sleep(150);
}

// Waits until `window` is gone (a message box after its button); false on timeout.
inline bool WaitUntilGone(HWND window, DWORD ms = 5000) {
    for (DWORD waited = 0; waited < ms && IsWindow(window); waited += 20) Sleep(20);
    Sleep(100);  // the owner is enabled again
    return !IsWindow(window);
}

struct WindowSearch {
    DWORD pid;
    bool found;
};

inline BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window)) search->found = true;
    return !search->found;
}

// One run of the installer process.
class InstallerRun {
public:
    // `arguments` follow the program's quoted path; `output`, when given,
    // becomes the process's standard output.
    // `exe` is the installer unless a test runs a copy of it elsewhere.
    explicit InstallerRun(const std::wstring& arguments = L"", HANDLE output = nullptr,
                          const std::wstring& exe = InstallerPath()) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (output) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = output;
        }
        std::wstring command = L"\"" + exe + L"\"";
        if (!arguments.empty()) command += L" " + arguments;
        started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                                 &startup, &m_process) != FALSE;
    }
    ~InstallerRun() {
        if (!started) return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process.hProcess, 99);
            // Termination is asynchronous: until the process is gone it holds
            // the one-installer mutex, and the next test's installer would
            // end at once as the second one.
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    // Whether the process shows a top-level window now.
    bool ShowsAWindow() const {
        WindowSearch search{m_process.dwProcessId, false};
        EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // The visible top-level window of class `windowClass` of this process.
    HWND WaitForWindow(const wchar_t* windowClass, DWORD ms = 15000) const {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            HWND found = nullptr;
            while ((found = FindWindowExW(nullptr, found, windowClass, nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(found, &pid);
                if (pid == m_process.dwProcessId && IsWindowVisible(found)) {
                    Sleep(300);  // its first frame
                    return found;
                }
            }
            Sleep(50);
        }
        return nullptr;
    }
    // The main window once it shows, with its install button clicked (a quick
    // install with the default choices); null when no window came.
    HWND StartQuickInstall() const {
        HWND frame = WaitForWindow(L"zkmainframe");
        if (frame) Click(frame, kInstallButton);
        return frame;
    }
    // The exit code, or -1 when the process is still running after `ms`.
    long WaitForExit(DWORD ms) const {
        if (WaitForSingleObject(m_process.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }
    DWORD ProcessId() const { return m_process.dwProcessId; }
    bool started = false;

private:
    PROCESS_INFORMATION m_process{};
};

}  // namespace ZKTest
