#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "ZKCore/ZKSystem.h"
#include "installer/engine/InstallOptions.h"

using namespace ZKInstaller;

TEST(DataFolder, DerivedFromTheLocalFolderOrTheRoamingFallback) {
    const struct {
        const wchar_t* local;
        const wchar_t* roaming;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Users\\u\\AppData\\Local", L"C:\\R", L"C:\\Users\\u\\AppData\\Roaming\\ZKPDFEditor"},
        {L"C:\\Users\\u\\AppData\\local", L"C:\\R", L"C:\\Users\\u\\AppData\\Roaming\\ZKPDFEditor"},
        // Another profile layout: dropping six characters would give "...\Applicat".
        {L"C:\\Documents and Settings\\u\\Local Settings\\Application Data",
         L"C:\\Documents and Settings\\u\\Application Data",
         L"C:\\Documents and Settings\\u\\Application Data\\ZKPDFEditor"},
        {L"", L"C:\\R", L"C:\\R\\ZKPDFEditor"},
        {L"Local", L"C:\\R", L"C:\\R\\ZKPDFEditor"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(DeriveDataFolder(c.local, c.roaming).GetData(), c.expected) << c.local;
    }
}

TEST(DataFolder, OnThisProfileIsTheRoamingApplicationDataFolder) {
    const UiString roaming = ZKCore::GetSpecialFolder(CSIDL_APPDATA);
    EXPECT_EQ(std::wstring(DataFolderPath().GetData()), std::wstring(roaming.GetData()) + L"\\ZKPDFEditor");
    const UiString made = MakeDataFolder();
    EXPECT_TRUE(PathIsDirectoryW(made.GetData()));
}

TEST(DataFolder, CreationRefusesOverlongPathsAndCreatesNestedOnes) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring base = std::wstring(temp) + L"zkdata-" + std::to_wstring(GetTickCount());
    EXPECT_TRUE(CreateDataFolder((base + L"\\x\\y").c_str()));
    EXPECT_TRUE(PathIsDirectoryW((base + L"\\x\\y").c_str()));
    EXPECT_TRUE(CreateDataFolder((base + L"\\x\\y").c_str()));  // already there
    std::wstring tooLong = base;
    while (tooLong.size() < 261) tooLong += L"\\zzzzzzzz";
    EXPECT_FALSE(CreateDataFolder(tooLong.c_str()));
    EXPECT_FALSE(PathFileExistsW((base + L"\\zzzzzzzz").c_str()));  // nothing created
    EXPECT_FALSE(CreateDataFolder(L""));
    RemoveDirectoryW((base + L"\\x\\y").c_str());
    RemoveDirectoryW((base + L"\\x").c_str());
    RemoveDirectoryW(base.c_str());
}

TEST(PackagePath, IsAFreshGuidNamedExeInTheDataFolder) {
    CoInitialize(nullptr);
    const UiString first = MakePackagePath();
    const UiString second = MakePackagePath();
    CoUninitialize();
    const std::wstring folder = std::wstring(DataFolderPath().GetData()) + L"\\";
    const std::wstring path(first.GetData());
    ASSERT_EQ(path.size(), folder.size() + 32 + 4);
    EXPECT_EQ(path.substr(0, folder.size()), folder);
    EXPECT_EQ(path.substr(path.size() - 4), L".exe");
    for (wchar_t ch : path.substr(folder.size(), 32)) EXPECT_TRUE(iswxdigit(ch) && !iswlower(ch)) << path;
    EXPECT_NE(first, second);
}

TEST(PackagePath, GuidDigitsFollowTheFieldOrderWithoutDashes) {
    const GUID guid = {0x0123ABCD, 0x00EF, 0x4A5B, {0x01, 0x02, 0x03, 0x04, 0xA5, 0xB6, 0xC7, 0xD8}};
    EXPECT_STREQ(FormatGuidDigits(guid).GetData(), L"0123ABCD00EF4A5B01020304A5B6C7D8");
}

TEST(ControlFilePath, JoinsAppIniWithoutAFixedBuffer) {
    EXPECT_STREQ(ControlFilePath(L"C:\\D").GetData(), L"C:\\D\\APP.ini");
    EXPECT_STREQ(ControlFilePath(L"C:\\D\\").GetData(), L"C:\\D\\APP.ini");
    std::wstring deep(300, L'a');
    EXPECT_EQ(std::wstring(ControlFilePath(deep.c_str()).GetData()), deep + L"\\APP.ini");
}

TEST(InstallFolderIn, PutsTheProductFolderInsideThePickedOneOnce) {
    const std::wstring product = ZKCore::kProductFolder;
    const struct {
        const wchar_t* picked;
        std::wstring folder;
    } cases[] = {{L"D:\\Apps", L"D:\\Apps\\" + product},
                 {L"E:\\", L"E:\\" + product},
                 {L"\\\\server\\share\\", L"\\\\server\\share\\" + product}};
    for (const auto& c : cases) EXPECT_EQ(std::wstring(InstallFolderIn(c.picked).GetData()), c.folder) << c.picked;
}

TEST(InstallOptions, DefaultsAndTheDefaultFolderCreatedOnFirstUse) {
    InstallOptions& options = GetInstallOptions();
    EXPECT_EQ(&options, &GetInstallOptions());
    EXPECT_STREQ(options.installFolder.GetData(), ZKCore::GetDefaultInstallFolder().GetData());
    EXPECT_TRUE(options.desktopShortcut);
    EXPECT_TRUE(options.taskbar);
    EXPECT_TRUE(PathIsDirectoryW(options.installFolder.GetData()));
}
