#pragma once
// The fixture of the end-to-end tests of the real executable.
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>

#include "EndToEndSupport.h"
#include "installer/engine/PackageFolder.h"
#include "installer/engine/testsupport/DownloadTestSupport.h"

namespace ZKTest {

// A clean start for each run: the service's defaults, no package record or
// control file left by an earlier run, the package in its normal mode
// without delay.
class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerUrl().empty()) << "run through run-with-service.sh";
        ASSERT_TRUE(Configure(L""));
        DeleteFileW(DataFile(L"package-record.ini").c_str());
        DeleteFileW(DataFile(L"APP.ini").c_str());
        SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);
        SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);
        SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", nullptr);
    }
};

// Runs started from the command line, with their logs.
class CommandLineRun : public InstallerTest {
protected:
    // The log of the last run, UTF-8 after its byte-order mark.
    std::string Log() const { return RunLogOf(m_lastPid); }
    // A silent run to its end, watched for windows; its exit code.
    long SilentRun(const std::wstring& arguments, bool* showedAWindow = nullptr) {
        InstallerRun run(arguments);
        if (!run.started) return -2;
        m_lastPid = run.ProcessId();
        long code = -1;
        bool shown = false;
        for (DWORD waited = 0; waited < 90000 && code == -1; waited += 100) {
            shown = shown || run.ShowsAWindow();
            code = run.WaitForExit(100);
        }
        if (showedAWindow) *showedAWindow = shown;
        return code;
    }

    DWORD m_lastPid = 0;
};

// Files matching `pattern` left in the folder downloads go to.
inline int PackagesLeft(const wchar_t* pattern = L"*.exe") {
    int count = 0;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((std::wstring(ProtectedFolderPath().GetData()) + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

inline void ExpectInLog(const std::string& log, const std::initializer_list<const char*>& lines) {
    for (const char* line : lines) EXPECT_NE(log.find(line), std::string::npos) << line << "\n--- log:\n" << log;
}

}  // namespace ZKTest
