// Runs of the real installer from the command line: silent installs against
// the real service and package with their exit codes and logs, the install
// folder of "/D=" in an interactive run, and the help.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EndToEndFixture.h"
#include "installer/engine/testsupport/DownloadTestSupport.h"

using namespace ZKTest;

TEST_F(CommandLineRun, SilentInstallIntoAFolderWithSpacesShowsNothingAndLogsEveryStep) {
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
                        "  Package started, followed with every process it starts\r\n",
                        "  Package reported completion\r\n",
                        "  Exit code: 0 (installed)\r\n"});
}

TEST_F(CommandLineRun, SilentFailuresEndWithTheirOwnCodes) {
    ASSERT_TRUE(Configure(L"status=404"));  // not there: no second attempt
    EXPECT_EQ(SilentRun(L"/S /D=C:\\Z"), 3);
    ExpectInLog(Log(), {"  Attempt 1: HTTP 404, ", "  Download failed: 0x80190194\r\n",
                        "  Exit code: 3 (download failed)\r\n"});
    EXPECT_EQ(Log().find("Attempt 2"), std::string::npos);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"") << "no package ran";

    ASSERT_TRUE(Configure(L"size=4096"));  // bytes that are no program: refused before any start
    EXPECT_EQ(SilentRun(L"/quiet"), 7);
    ExpectInLog(Log(), {"  Package failed verification: package check: no signature; ", "  Exit code: 7 ("});

    ASSERT_TRUE(Configure(L""));
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", L"incomplete");  // inherited by installer and package
    EXPECT_EQ(SilentRun(L"/S"), 5);
    SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);
    ExpectInLog(Log(), {"  Package ended without completing: exit code ", "  Exit code: 5 ("});

    bool showedAWindow = true;
    EXPECT_EQ(SilentRun(L"/S /D=Relative\\Folder", &showedAWindow), 2);
    EXPECT_FALSE(showedAWindow);
}

TEST_F(CommandLineRun, AnInteractiveInstallTakesTheFolderOfSlashD) {
    InstallerRun run(L"/D=C:\\Another Folder\\Y");
    HWND frame = run.StartQuickInstall();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(Recorded(L"Received", L"instdir"), L"C:\\Another Folder\\Y");
    m_lastPid = run.ProcessId();
    ExpectInLog(Log(), {"  Mode: interactive; install folder: C:\\Another Folder\\Y (command line)",
                        "  Exit code: 0 (installed)\r\n"});
}

TEST_F(CommandLineRun, HelpGoesToTheRedirectedOutputAndNamesTheLog) {
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
    EXPECT_NE(output.find("Scrivla-Setup-<yyyyMMdd-HHmmss>-<pid>.log"), std::string::npos) << output;
    EXPECT_NE(output.find("5  package ended without completing"), std::string::npos) << output;
    EXPECT_NE(output.find("8  another installer is running"), std::string::npos) << output;
}
