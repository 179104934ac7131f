#pragma once
// The fixture of the end-to-end tests of the real executable.
#include <gtest/gtest.h>
#include <windows.h>

#include "EndToEndSupport.h"
#include "installer/engine/tests/DownloadTestSupport.h"

namespace ZKTest {

// A clean start for each run: the service's defaults, no package record or
// control file left by an earlier run, the package in its normal mode.
class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ServerUrl().empty()) << "run through run-with-service.sh";
        ASSERT_TRUE(Configure(L""));
        DeleteFileW(DataFile(L"package-record.ini").c_str());
        DeleteFileW(DataFile(L"APP.ini").c_str());
        SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr);
    }
    void TearDown() override { SetEnvironmentVariableW(L"ZK_PACKAGE_MODE", nullptr); }
};

}  // namespace ZKTest
