// The page flow of the real installer under real input: the agreement option,
// the folder chosen in the system's folder browser, a connection reset in the
// middle of the package, and packages that fail to start or to complete.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "EndToEndFixture.h"
#include "core/UiHandle.h"
#include "installer/engine/testsupport/DownloadTestSupport.h"

using namespace ZKTest;

namespace {

using EndToEndFlow = InstallerTest;

// The folder browser of the installer process, once it shows.
HWND WaitForFolderBrowser(DWORD processId) {
    for (int i = 0; i < 200; ++i) {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"#32770", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found, &pid);
            if (pid == processId && IsWindowVisible(found)) return found;
        }
        Sleep(50);
    }
    return nullptr;
}

// Selects `folder` in the browser as a click would: the path is written into
// the installer's memory for the browser's own select message. On a slow
// machine the browser may still be settling on its first selection when the
// test looks; this one comes after it and is what OK returns.
bool SelectInBrowser(HWND browser, DWORD processId, const std::wstring& folder) {
    Veneer::UiKernelHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) return false;
    const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.Get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return false;
    const bool written = WriteProcessMemory(process.Get(), remote, folder.c_str(), bytes, nullptr) != FALSE;
    if (written) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    return written;
}

}  // namespace

TEST_F(EndToEndFlow, TheAgreementOptionDisablesAndEnablesTheInstallButtons) {
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kAgreementOption);  // untick: both buttons disabled
    Click(frame, kInstallButton);
    Click(frame, kCustomButton);
    Sleep(500);
    EXPECT_TRUE(LoggedPaths().empty()) << "a disabled install button started a download";
    Click(frame, kAgreementOption);  // tick again
    Click(frame, kInstallButton);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
}

TEST_F(EndToEndFlow, AFolderChosenInTheFolderBrowserReachesThePackage) {
    InstallerRun run;
    HWND frame = run.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    Click(frame, kCustomButton);
    Click(frame, kModifyButton);
    HWND browser = WaitForFolderBrowser(run.ProcessId());
    ASSERT_NE(browser, nullptr);
    Sleep(1500);  // the browser selects the current folder once it has initialised
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring picked = temp;
    if (picked.size() > 3 && picked.back() == L'\\') picked.pop_back();
    ASSERT_TRUE(SelectInBrowser(browser, run.ProcessId(), picked));
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Sleep(500);
    Click(frame, kCustomInstallButton);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    // The folder picked gets the product folder appended.
    const std::wstring expected = picked + L"\\ZKPDFEditor";
    const std::wstring received = Recorded(L"Received", L"instdir");
    EXPECT_EQ(_wcsicmp(received.c_str(), expected.c_str()), 0) << std::string(received.begin(), received.end());
}

TEST_F(EndToEndFlow, AResetInTheMiddleOfThePackageIsRetriedAndTheInstallCompletes) {
    ASSERT_TRUE(Configure(L"fault=reset&faultcount=1"));
    InstallerRun run;
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(run.WaitForExit(120000), 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    EXPECT_GE(LoggedPaths().size(), 2u);
}

TEST_F(EndToEndFlow, PackagesThatFailToStartOrToCompleteEndInTheFailureBox) {
    struct Case {
        const wchar_t* what;
        const wchar_t* service;  // the service's settings
        const wchar_t* mode;     // the package's mode, inherited through the environment
    } cases[] = {
        {L"not a program", L"size=4096", nullptr},
        {L"exits without completing", L"", L"incomplete"},
    };
    for (const Case& test : cases) {
        ASSERT_TRUE(Configure(test.service));
        SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", test.mode);
        InstallerRun run;
        HWND frame = run.StartQuickInstall();
        ASSERT_NE(frame, nullptr);
        HWND box = run.WaitForWindow(L"zkmsgbox", 30000);
        ASSERT_NE(box, nullptr) << std::string(test.what, test.what + wcslen(test.what));
        Click(box, kBoxOkButton);  // back to page 0
        ASSERT_TRUE(WaitUntilGone(box));
        Click(frame, kPageCloseButton);
        box = run.WaitForWindow(L"zkmsgbox");
        ASSERT_NE(box, nullptr);
        Click(box, kBoxOkButton);
        EXPECT_NE(run.WaitForExit(5000), -1);
    }
}

TEST_F(EndToEndFlow, ACompletionWhileTheCloseBoxIsOpenClosesOnlyOnceTheBoxIsGone) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", L"2000");  // page 2 stays while the box opens
    InstallerRun run;
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    Sleep(300);
    Click(frame, kPageCloseButton);  // "确定关闭？" over page 2
    HWND box = run.WaitForWindow(L"zkmsgbox");
    ASSERT_NE(box, nullptr);
    // The package completes and the 3 s close timer fires inside the box's loop.
    Sleep(8000);
    ASSERT_EQ(run.WaitForExit(0), -1) << "the installer died while its box was open";
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    EXPECT_TRUE(IsWindow(box));
    EXPECT_FALSE(IsWindowEnabled(frame));
    Click(box, kBoxCancelButton);  // keep going: the held close follows
    EXPECT_EQ(run.WaitForExit(10000), 0);
}
