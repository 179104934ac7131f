#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "installer/entry/Startup.h"
#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"

using namespace ZKInstaller;

TEST(Startup, RunsComAndGdiplusAndMeasuresTheDpi) {
    StartupReport report;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), "/S /D=C:\\Z", &report, false), 0);
    EXPECT_TRUE(report.comInitialized);
    EXPECT_TRUE(report.gdiplusStarted);
    EXPECT_GT(report.screenDpi, 0);
    // The framework got the module and the measured DPI as the process scale.
    EXPECT_EQ(Veneer::CPaintManagerUI::GetInstance(), GetModuleHandleW(nullptr));
    EXPECT_EQ(Veneer::CDpiScaler::GetProcessDpi(), report.screenDpi);
    EXPECT_TRUE(report.switches.silent);
    EXPECT_EQ(report.switches.installFolder, L"C:\\Z");
}

TEST(Startup, UnconvertibleOrEmptyCommandLinesChangeNothing) {
    StartupReport empty;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), "", &empty, false), 0);
    EXPECT_TRUE(empty.comInitialized);
    StartupReport null;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), nullptr, &null, false), 0);
    EXPECT_TRUE(null.comInitialized);
}

TEST(Startup, FailingComInitialisationEndsWithZeroBeforeGdiplus) {
    // A thread already in the multi-threaded apartment makes CoInitialize fail.
    std::thread worker([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        StartupReport report;
        EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), "", &report, false), 0);
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
    RunInstaller(GetModuleHandleW(nullptr), "", &report, false);
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
