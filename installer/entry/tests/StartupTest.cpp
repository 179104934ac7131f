#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "installer/engine/InstallLog.h"
#include "installer/entry/Startup.h"
#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"

using namespace ZKInstaller;

TEST(Startup, RunsComAndGdiplusAndMeasuresTheDpi) {
    StartupReport report;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), L"/S /D=C:\\Z", &report, false), 0);
    EXPECT_TRUE(report.comInitialized);
    EXPECT_TRUE(report.gdiplusStarted);
    EXPECT_GT(report.screenDpi, 0);
    // The framework got the module and the measured DPI as the process scale.
    EXPECT_EQ(Veneer::CPaintManagerUI::GetInstance(), GetModuleHandleW(nullptr));
    EXPECT_EQ(Veneer::CDpiScaler::GetProcessDpi(), report.screenDpi);
    EXPECT_TRUE(report.switches.silent);
    EXPECT_EQ(report.switches.installFolder, L"C:\\Z");
}

TEST(Startup, AnEmptyCommandLineChangesNothing) {
    StartupReport empty;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), L"", &empty, false), 0);
    EXPECT_TRUE(empty.comInitialized);
}

TEST(Startup, FailingComInitialisationEndsWithTheStartUpCodeBeforeGdiplus) {
    // A thread already in the multi-threaded apartment makes CoInitialize fail.
    std::thread worker([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        StartupReport report;
        EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), L"", &report, false),
                  static_cast<int>(ExitCode::StartupFailed));
        EXPECT_FALSE(report.comInitialized);
        EXPECT_FALSE(report.gdiplusStarted);
        CoUninitialize();
    });
    worker.join();
}

TEST(Startup, ADllPlantedInTheCurrentFolderIsNotFoundByName) {
    wchar_t temp[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    wchar_t previous[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    const std::wstring folder = std::wstring(temp) + L"zk plant";
    const std::wstring planted = folder + L"\\zkplanted.dll";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\msimg32.dll").c_str(), planted.c_str(), FALSE));
    // A loadable DLL when named by its path.
    const HMODULE byPath = LoadLibraryW(planted.c_str());
    ASSERT_NE(byPath, nullptr);
    FreeLibrary(byPath);

    StartupReport report;
    RunInstaller(GetModuleHandleW(nullptr), L"", &report, false);
    EXPECT_TRUE(report.dllSearchRestricted);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    const HMODULE byName = LoadLibraryW(L"zkplanted.dll");
    const HMODULE systemDll = LoadLibraryW(L"msimg32.dll");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(byName, nullptr);
    EXPECT_NE(systemDll, nullptr);
    if (byName) FreeLibrary(byName);
    if (systemDll) FreeLibrary(systemDll);
    DeleteFileW(planted.c_str());
    RemoveDirectoryW(folder.c_str());
}

namespace {
std::string ReadLog(const std::wstring& path) {
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}
}  // namespace

TEST(Startup, ARelativeFolderIsRefusedBeforeComAndLogged) {
    const std::wstring logFile = TempFolder() + L"zk startup test.log";
    DeleteFileW(logFile.c_str());
    const std::wstring arguments = L"/S \"/LOG=" + logFile + L"\" -oinstall\\here";
    StartupReport report;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), arguments, &report, false),
              static_cast<int>(ExitCode::BadCommandLine));
    EXPECT_FALSE(report.comInitialized);
    EXPECT_EQ(report.logPath, logFile);
    const std::string log = ReadLog(logFile);
    DeleteFileW(logFile.c_str());
    EXPECT_EQ(log.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_NE(log.find("/LOG=C:\\"), std::string::npos) << log;
    EXPECT_NE(log.find(" -oinstall\\here\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("not an absolute path: install\\here"), std::string::npos) << log;
    EXPECT_NE(log.find("Exit code: 2 (bad command line)\r\n"), std::string::npos) << log;
}

TEST(Startup, AnUnwritableLogStopsNothing) {
    CInstallLog log;
    EXPECT_FALSE(log.Open(L"Z:\\no such folder\\x\\y.log", LogOpen::CreateNew));
    log.Write(L"lost");  // no effect, no crash
    EXPECT_FALSE(log.IsOpen());
    // The same for the run: the temporary folder made unusable.
    wchar_t temp[MAX_PATH]{};
    GetEnvironmentVariableW(L"TMP", temp, MAX_PATH);
    const std::wstring savedTmp(temp);
    GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    const std::wstring savedTemp(temp);
    SetEnvironmentVariableW(L"TMP", L"Z:\\no such folder");
    SetEnvironmentVariableW(L"TEMP", L"Z:\\no such folder");
    StartupReport report;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), L"/S /D=C:\\With Space", &report, false), 0);
    SetEnvironmentVariableW(L"TMP", savedTmp.c_str());
    SetEnvironmentVariableW(L"TEMP", savedTemp.c_str());
    EXPECT_TRUE(report.comInitialized);
    EXPECT_TRUE(report.logPath.empty());
    EXPECT_EQ(report.switches.installFolder, L"C:\\With Space");
}

TEST(Startup, ARunKeepsTheNewestTenRunLogsIncludingItsOwn) {
    wchar_t temp[MAX_PATH]{};
    GetEnvironmentVariableW(L"TMP", temp, MAX_PATH);
    const std::wstring savedTmp(temp);
    const std::wstring folder = savedTmp + L"\\zk rotation " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const auto oldLog = [&folder](WORD day) { return folder + RunLogName(SYSTEMTIME{2020, 1, 0, day}, 7); };
    for (WORD day = 1; day <= 12; ++day)
        CloseHandle(CreateFileW(oldLog(day).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    StartupReport report;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), L"-orelative", &report, false),
              static_cast<int>(ExitCode::BadCommandLine));
    SetEnvironmentVariableW(L"TMP", savedTmp.c_str());
    EXPECT_TRUE(DeleteFileW(report.logPath.c_str())) << report.logPath.c_str();
    for (WORD day = 1; day <= 12; ++day) {
        // The three oldest made room for this run's own.
        EXPECT_EQ(DeleteFileW(oldLog(day).c_str()) != FALSE, day > 3) << day;
    }
    RemoveDirectoryW(folder.c_str());
}

TEST(Startup, HelpNamesTheLogAndEveryExitCode) {
    const std::wstring help = HelpText(L"1.2.3.4");
    EXPECT_NE(help.find(TempFolder() + L"Scrivla-Setup-<yyyyMMdd-HHmmss>-<pid>.log"), std::wstring::npos);
    for (const wchar_t* code : {L"  0  installed", L"  3  download failed", L"  6  start-up failed",
                                L"  7  package failed verification", L"  8  another installer is running",
                                L"/TIMEOUT=seconds", L"/LOG=file"}) {
        EXPECT_NE(help.find(code), std::wstring::npos) << code;
    }
}
