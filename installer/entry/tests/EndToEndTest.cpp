// The real installer executable against the real download service and the
// real substitute package, driven by real mouse input: quick and custom
// installs, the close confirmation during a download, and a failed download
// followed by a second install. Positions are design units of the skin at
// 96 DPI (the test display's).
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>

#include "installer/engine/InstallLog.h"
#include "installer/engine/InstallOptions.h"
#include "installer/engine/tests/DownloadTestSupport.h"

using namespace ZKInstaller;

namespace {

// Skin positions (window client coordinates).
constexpr POINT kInstallButton{350, 286};     // page 0 "installBtn"
constexpr POINT kCustomButton{616, 387};      // page 0 "customBtn"
constexpr POINT kShortcutOption{37, 387};     // page 1 "desktopShortCutOpt"
constexpr POINT kCustomInstallButton{350, 220};  // page 1 "installBtn1"
constexpr POINT kPageCloseButton{679, 21};    // pages 0-2 close button
constexpr POINT kBoxOkButton{257, 174};       // message box "okBtn"
constexpr POINT kBoxCancelButton{361, 174};   // message box "cancelBtn"

std::wstring InstallerPath() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.rfind(L'\\'));         // .../entry/tests
    return folder.substr(0, folder.rfind(L'\\')) + L"\\ZKInstaller.exe";
}

std::wstring DataFile(const wchar_t* name) { return std::wstring(DataFolderPath().GetData()) + L"\\" + name; }

std::wstring Recorded(const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024]{};
    GetPrivateProfileStringW(section, key, L"", value, 1024, DataFile(L"package-record.ini").c_str());
    return value;
}

void Click(HWND window, POINT client) {
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

struct WindowSearch {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM param) {
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
    explicit InstallerRun(const std::wstring& arguments = L"", HANDLE output = nullptr) {
        STARTUPINFOW startup{sizeof(startup)};
        if (output) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = output;
        }
        const std::wstring exe = InstallerPath();
        std::wstring command = L"\"" + exe + L"\"";
        if (!arguments.empty()) command += L" " + arguments;
        started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                                 &startup, &m_process) != FALSE;
    }
    ~InstallerRun() {
        if (!started) return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    // Whether the process has shown any top-level window so far.
    bool HasShownAWindow() const {
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
    // The exit code, or -1 when the process is still running after `ms`.
    long WaitForExit(DWORD ms) const {
        if (WaitForSingleObject(m_process.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }
    bool started = false;

private:
    PROCESS_INFORMATION m_process{};
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ZKTest::ServerUrl().empty()) << "run through run-with-service.sh";
        ASSERT_TRUE(ZKTest::Configure(L""));
        DeleteFileW(DataFile(L"package-record.ini").c_str());
        DeleteFileW(DataFile(L"APP.ini").c_str());
        DeleteFileW(DefaultLogPath().c_str());
    }
    // The log of the last run, UTF-8 after its byte-order mark.
    static std::string Log() {
        std::string text;
        HANDLE file = CreateFileW(DefaultLogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return text;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
        CloseHandle(file);
        return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    }
    // A silent run to its end, watched for windows; its exit code.
    static long SilentRun(const std::wstring& arguments, bool* showedAWindow = nullptr) {
        InstallerRun run(arguments);
        if (!run.started) return -2;
        long code = -1;
        bool shown = false;
        for (DWORD waited = 0; waited < 90000 && code == -1; waited += 100) {
            shown = shown || run.HasShownAWindow();
            code = run.WaitForExit(100);
        }
        if (showedAWindow) *showedAWindow = shown;
        return code;
    }
};

void ExpectInLog(const std::string& log, const std::initializer_list<const char*>& lines) {
    for (const char* line : lines) EXPECT_NE(log.find(line), std::string::npos) << line << "\n--- log:\n" << log;
}

}  // namespace

TEST_F(EndToEnd, QuickInstallRunsThePackageAndClosesWithStatusZero) {
    InstallerRun run;
    ASSERT_TRUE(run.started);
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kInstallButton);
    const DWORD start = GetTickCount();
    EXPECT_EQ(run.WaitForExit(60000), 0);
    // The finished page stays for three seconds before the window closes itself.
    EXPECT_GE(GetTickCount() - start, 3000u);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), std::wstring(GetInstallOptions().installFolder.GetData()));
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"true");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}

TEST_F(EndToEnd, UntickingTheShortcutOnTheCustomPageReachesThePackage) {
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kCustomButton);
    Click(frame, kShortcutOption);
    Click(frame, kCustomInstallButton);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"false");
}

TEST_F(EndToEnd, CloseDuringADownloadCancelledKeepsItConfirmedEndsWithinASecond) {
    ASSERT_TRUE(ZKTest::Configure(L"rate=20000"));  // bytes per second: minutes for the package
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kInstallButton);
    Sleep(500);
    Click(frame, kPageCloseButton);
    HWND box = run.WaitForWindow(L"zkmsgbox");
    ASSERT_NE(box, nullptr);
    Click(box, kBoxCancelButton);
    EXPECT_EQ(run.WaitForExit(800), -1) << "cancelling keeps the installer running";
    Click(frame, kPageCloseButton);
    box = run.WaitForWindow(L"zkmsgbox");
    ASSERT_NE(box, nullptr);
    Click(box, kBoxOkButton);
    const DWORD confirmed = GetTickCount();
    EXPECT_EQ(run.WaitForExit(5000), 1) << "closed before completion: the cancel code";
    EXPECT_LT(GetTickCount() - confirmed, 1000u + 150u);  // the click's own settling included
}

TEST_F(EndToEnd, AFailedDownloadReturnsToPageZeroAndASecondInstallSucceeds) {
    ASSERT_TRUE(ZKTest::Configure(L"status=404&count=3"));  // every attempt of the first download
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kInstallButton);
    HWND box = run.WaitForWindow(L"zkmsgbox", 20000);
    ASSERT_NE(box, nullptr);
    Click(box, kBoxOkButton);
    Sleep(300);
    Click(frame, kInstallButton);  // page 0 again: the same button starts a second install
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}

TEST_F(EndToEnd, SilentInstallIntoAFolderWithSpacesShowsNothingAndLogsEveryStep) {
    bool showedAWindow = true;
    EXPECT_EQ(SilentRun(L"/S \"/D=C:\\Some Folder\\X\"", &showedAWindow), 0);
    EXPECT_FALSE(showedAWindow);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\Some Folder\\X");
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"true");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    ExpectInLog(Log(), {"  Scrivla setup 1.0.0.0\r\n", "  Command line: /S \"/D=C:\\Some Folder\\X\"\r\n",
                        "  Mode: silent; install folder: C:\\Some Folder\\X (command line); desktop shortcut: true",
                        "/openapi/download?", "  Attempt 1: HTTP 200, ", " ms, result 0x00000000\r\n",
                        "  Starting package: ", ".exe -instdir=C:\\Some Folder\\X -dsc=true\r\n",
                        "  Package started\r\n", "  Package reported completion\r\n",
                        "  Exit code: 0 (installed)\r\n"});
}

TEST_F(EndToEnd, SilentFailuresEndWithTheirOwnCodes) {
    ASSERT_TRUE(ZKTest::Configure(L"status=404&count=3"));  // every attempt
    EXPECT_EQ(SilentRun(L"/S /D=C:\\Z"), 3);
    ExpectInLog(Log(), {"  Attempt 1: HTTP 404, ", "  Attempt 3: HTTP 404, ", "  Download failed: 0x80190194\r\n",
                        "  Exit code: 3 (download failed)\r\n"});
    EXPECT_EQ(Log().find("Attempt 4"), std::string::npos);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"") << "no package ran";

    ASSERT_TRUE(ZKTest::Configure(L"size=4096"));  // bytes that are no program
    EXPECT_EQ(SilentRun(L"/quiet"), 4);
    ExpectInLog(Log(), {"  Package could not be started: error ", "  Exit code: 4 ("});

    ASSERT_TRUE(ZKTest::Configure(L""));
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", L"incomplete");  // inherited by installer and package
    const long incomplete = SilentRun(L"/S");
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);
    EXPECT_EQ(incomplete, 5);
    ExpectInLog(Log(), {"  Package ended without completing: exit code ", "  Exit code: 5 ("});

    bool showedAWindow = true;
    EXPECT_EQ(SilentRun(L"/S /D=Relative\\Folder", &showedAWindow), 2);
    EXPECT_FALSE(showedAWindow);
}

TEST_F(EndToEnd, AnInteractiveInstallTakesTheFolderOfSlashD) {
    InstallerRun run(L"/D=C:\\Another Folder\\Y");
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kInstallButton);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\Another Folder\\Y");
    ExpectInLog(Log(), {"  Mode: interactive; install folder: C:\\Another Folder\\Y (command line)",
                        "  Exit code: 0 (installed)\r\n"});
}

TEST_F(EndToEnd, HelpGoesToTheRedirectedOutputAndNamesTheLog) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    long code = -1;
    {
        InstallerRun run(L"/S /?", writeEnd);
        CloseHandle(writeEnd);
        code = run.WaitForExit(15000);
    }
    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0) output.append(buffer, read);
    CloseHandle(readEnd);
    EXPECT_EQ(code, 0);
    EXPECT_NE(output.find("Scrivla-Setup.log"), std::string::npos) << output;
    EXPECT_NE(output.find("5  package ended without completing"), std::string::npos) << output;
}
