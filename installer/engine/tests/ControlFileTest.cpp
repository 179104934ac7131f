#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

#include "installer/engine/ControlFile.h"

using namespace ZKInstaller;

namespace {
std::wstring TempIni(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + name + std::to_wstring(GetTickCount()) + L".ini";
    DeleteFileW(path.c_str());
    return path;
}
}  // namespace

TEST(ControlFile, MissingFileAndKeysReadAsError) {
    const std::wstring path = TempIni(L"absent");
    EXPECT_STREQ(ReadControlValue(path.c_str(), kActiveKey).GetData(), L"error");
    EXPECT_STREQ(ReadControlValue(path.c_str(), kChannelKey).GetData(), L"error");
}

TEST(ControlFile, PrepareWritesChannelOnceAndActiveZeroEveryTime) {
    const std::wstring path = TempIni(L"prepare");
    PrepareControlFile(path.c_str());
    EXPECT_STREQ(ReadControlValue(path.c_str(), kChannelKey).GetData(), L"zivid09pro");
    EXPECT_STREQ(ReadControlValue(path.c_str(), kActiveKey).GetData(), L"0");
    // The package reports completion; the next start resets it but keeps a channel.
    WriteControlValue(path.c_str(), kActiveKey, L"1");
    WriteControlValue(path.c_str(), kChannelKey, L"partner7");
    PrepareControlFile(path.c_str());
    EXPECT_STREQ(ReadControlValue(path.c_str(), kChannelKey).GetData(), L"partner7");
    EXPECT_STREQ(ReadControlValue(path.c_str(), kActiveKey).GetData(), L"0");
    DeleteFileW(path.c_str());
}

TEST(ControlFile, ChannelHoldingTheWordErrorIsReplaced) {
    const std::wstring path = TempIni(L"errorword");
    WriteControlValue(path.c_str(), kChannelKey, L"error");
    PrepareControlFile(path.c_str());
    EXPECT_STREQ(ReadControlValue(path.c_str(), kChannelKey).GetData(), L"zivid09pro");
    DeleteFileW(path.c_str());
}

TEST(ControlFile, ReadsAFileWrittenByAnotherProgram) {
    const std::wstring path = TempIni(L"foreign");
    {
        std::ofstream out(path.c_str());
        out << "[Install]\r\nchannel=abc\r\nactive=1\r\n";
    }
    EXPECT_STREQ(ReadControlValue(path.c_str(), kActiveKey).GetData(), L"1");
    EXPECT_STREQ(ReadControlValue(path.c_str(), kChannelKey).GetData(), L"abc");
    DeleteFileW(path.c_str());
}
