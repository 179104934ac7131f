#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "installer/entry/Startup.h"
#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"

using namespace ZKInstaller;

TEST(Startup, RunsComAndGdiplusAndMeasuresTheDpi) {
    StartupReport report;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), "/S /D=C:\\Z", &report), 0);
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
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), "", &empty), 0);
    EXPECT_TRUE(empty.comInitialized);
    StartupReport null;
    EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), nullptr, &null), 0);
    EXPECT_TRUE(null.comInitialized);
}

TEST(Startup, FailingComInitialisationEndsWithZeroBeforeGdiplus) {
    // A thread already in the multi-threaded apartment makes CoInitialize fail.
    std::thread worker([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        StartupReport report;
        EXPECT_EQ(RunInstaller(GetModuleHandleW(nullptr), "", &report), 0);
        EXPECT_FALSE(report.comInitialized);
        EXPECT_FALSE(report.gdiplusStarted);
        CoUninitialize();
    });
    worker.join();
}
