// The package's run as the real installer follows it (a package that hands
// over to a second process, a silent run's time-out), one installer at a
// time, and install folders in other scripts on the command line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EndToEndFixture.h"
#include "ZKCore/ZKString.h"
#include "installer/engine/PackageFolder.h"
#include "installer/engine/testsupport/DownloadTestSupport.h"

using namespace ZKTest;

namespace {

// The last write time of `path`, 0 when it has none.
ULONGLONG WriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace

TEST_F(CommandLineRun, ALauncherThatHandsOverToASecondProcessAndExitsStillInstalls) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", L"launcher");
    SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", L"1500");  // the copy outlives the launcher by far
    EXPECT_EQ(SilentRun(L"/S /D=C:\\ZK Launcher\\App"), 0);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\ZK Launcher\\App");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    ExpectInLog(Log(), {"  Package started, followed with every process it starts\r\n",
                        "  Package reported completion\r\n", "  Exit code: 0 (installed)\r\n"});
}

TEST_F(CommandLineRun, ASilentRunEndsAtItsTimeOutAndLeavesThePackageRunning) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", L"10000");
    EXPECT_EQ(SilentRun(L"/S /TIMEOUT=4 /D=C:\\ZK Timeout\\App"), 5);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\ZK Timeout\\App");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"") << "the package had not finished yet";
    ExpectInLog(Log(), {"; time-out: 4 s\r\n", "  Timed out after 4 s waiting for the package; it keeps running\r\n",
                        "  Exit code: 5 (package ended without completing)\r\n"});
    // The package goes on without the installer and completes on its own.
    for (int i = 0; i < 300 && Recorded(L"Result", L"status").empty(); ++i) Sleep(100);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    // Its file stayed (it ran from it); gone now, or the next run would find
    // the folder holding it.
    const std::wstring folder = std::wstring((IsProcessElevated() ? ProtectedFolderPath() : DataFolderPath()).GetData());
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.exe").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "the package's file was deleted while it ran";
    do {
        Sleep(200);  // the package's process is ending
        DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

TEST_F(CommandLineRun, ASecondInstallerChangesNothingBringsTheFirstForwardAndEndsWithEight) {
    InstallerRun first;
    HWND frame = first.WaitForWindow(L"zkmainframe");
    ASSERT_NE(frame, nullptr);
    // The control file as an earlier install left it; the first installer
    // waits on page 0 and has not touched it.
    const std::wstring controlFile = DataFile(L"APP.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Install", L"active", L"1", controlFile.c_str()));
    const std::string content = ReadFileBytes(controlFile);
    const ULONGLONG written = WriteTime(controlFile);
    ASSERT_TRUE(Configure(L""));  // clears the service's request log

    EXPECT_EQ(SilentRun(L"/S"), 8);
    ExpectInLog(Log(), {"  Another installer is running: this one changes nothing\r\n",
                        "  Exit code: 8 (another installer is running)\r\n"});

    ShowWindow(frame, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(frame));
    InstallerRun second;
    EXPECT_EQ(second.WaitForExit(30000), 8);
    EXPECT_FALSE(IsIconic(frame)) << "the running installer's window was not restored";

    EXPECT_EQ(ReadFileBytes(controlFile), content);
    EXPECT_EQ(WriteTime(controlFile), written);
    EXPECT_TRUE(LoggedPaths().empty()) << "a second installer asked for the package";
    EXPECT_EQ(first.WaitForExit(0), -1) << "the first installer goes on";
}

TEST_F(CommandLineRun, FoldersInOtherScriptsReachThePackageExactly) {
    ASSERT_NE(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR))
        << "no drive D: (scripts/wine-prefix.sh gives the test prefix one)";
    for (const wchar_t* folder : {L"C:\\Büro\\App", L"D:\\软件\\Scrivla"}) {
        for (const bool silent : {true, false}) {
            DeleteFileW(DataFile(L"package-record.ini").c_str());
            const std::wstring arguments = std::wstring(silent ? L"/S " : L"") + L"/D=" + folder;
            if (silent) {
                EXPECT_EQ(SilentRun(arguments), 0);
            } else {
                InstallerRun run(arguments);
                m_lastPid = run.ProcessId();
                HWND frame = run.StartQuickInstall();
                ASSERT_NE(frame, nullptr);
                EXPECT_EQ(run.WaitForExit(60000), 0);
            }
            const std::string what = ZKCore::WideToMultiByte(arguments, ZKCore::kCodePageUtf8);
            EXPECT_EQ(Recorded(L"Received", L"instdir"), folder) << what;
            EXPECT_TRUE(FileExists(std::wstring(folder) + L"\\readme.txt")) << what;
            const std::string logged = "  Command line: " + what + "\r\n";
            ExpectInLog(Log(), {logged.c_str(), " -instdir=", "  Exit code: 0 (installed)\r\n"});
            EXPECT_NE(Log().find(" -instdir=" + ZKCore::WideToMultiByte(folder, ZKCore::kCodePageUtf8) + " -dsc=true"),
                      std::string::npos)
                << what;
        }
    }
}
