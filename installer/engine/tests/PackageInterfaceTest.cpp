#include <gtest/gtest.h>

#include <string>

#include "ZKBuildSettings.h"
#include "ZKCore/ZKSystem.h"
#include "installer/engine/ControlFile.h"
#include "installer/engine/PackageInterface.h"

using namespace ZKInstaller;

TEST(PackageInterface, ArgumentsCarryTheFolderUnquotedAndTheShortcutWord) {
    const struct {
        const wchar_t* folder;
        bool shortcut;
        const wchar_t* arguments;
    } cases[] = {
        {L"C:\\Program Files\\ZKPDFEditor", true, L"-instdir=C:\\Program Files\\ZKPDFEditor -dsc=true"},
        {L"D:\\PDF", false, L"-instdir=D:\\PDF -dsc=false"},
        {L"C:\\a \"q\" b\\", true, L"-instdir=C:\\a \"q\" b\\ -dsc=true"},
        {L"", false, L"-instdir= -dsc=false"},
    };
    for (const auto& c : cases) EXPECT_STREQ(BuildPackageArguments(c.folder, c.shortcut).GetData(), c.arguments);
    EXPECT_STREQ(BuildPackageArguments(nullptr, true).GetData(), L"-instdir= -dsc=true");
}

TEST(PackageInterface, CompletionIsExactlyActiveOne) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"zk-completion-" + std::to_wstring(GetTickCount()) + L".ini";
    EXPECT_FALSE(IsPackageFinished(file.c_str()));  // no file: "error"
    for (const wchar_t* value : {L"0", L"10", L" 1x", L"true"}) {
        WriteControlValue(file.c_str(), kActiveKey, value);
        EXPECT_FALSE(IsPackageFinished(file.c_str())) << testing::PrintToString(std::wstring(value));
    }
    WriteControlValue(file.c_str(), kActiveKey, L"1");
    EXPECT_TRUE(IsPackageFinished(file.c_str()));
    DeleteFileW(file.c_str());
}

TEST(BuildSettings, DownloadAddressEndsInTheFixedPathAndQuery) {
    const std::wstring url = kDownloadUrl;
    const std::wstring tail = kDownloadPathAndQuery;
    ASSERT_GT(url.size(), tail.size());
    EXPECT_EQ(url.substr(url.size() - tail.size()), tail);
    const std::wstring agreement = kAgreementUrl;
    if (ZK_RELEASE_BUILD) {
        EXPECT_EQ(url.rfind(L"https://", 0), 0u);
        EXPECT_EQ(agreement.rfind(L"https://", 0), 0u);
    } else {
        EXPECT_TRUE(url.rfind(L"http://", 0) == 0 || url.rfind(L"https://", 0) == 0);
    }
    // The server part holds no path of its own.
    const std::wstring server = url.substr(0, url.size() - tail.size());
    EXPECT_EQ(server.find(L'/', server.find(L"//") + 2), std::wstring::npos);
    EXPECT_STREQ(ZKCore::kProductFolder, ZK_PRODUCT_FOLDER);
    EXPECT_NE(std::wstring(ZKCore::kProductFolder), L"");
}
