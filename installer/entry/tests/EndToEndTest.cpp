// The real installer executable against the real download service and the
// real substitute package, driven by real mouse input: quick and custom
// installs, the close confirmation during a download, and a failed download
// followed by a second install. Positions are design units of the skin at
// 96 DPI (the test display's).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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

// One run of the installer process.
class InstallerRun {
public:
    InstallerRun() {
        STARTUPINFOW startup{sizeof(startup)};
        const std::wstring exe = InstallerPath();
        std::wstring command = L"\"" + exe + L"\"";
        started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &m_process) != FALSE;
    }
    ~InstallerRun() {
        if (!started) return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
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
    }
};

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
