// The substitute package: its reading of the argument line, and the real
// executable started the way the installer starts it.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "ZKCore/ZKSystem.h"
#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallOptions.h"
#include "installer/engine/PackageInterface.h"
#include "tools/package/PackageArguments.h"

using namespace ZKPackage;
using namespace ZKInstaller;

namespace {
std::wstring PackageExe() {
    std::string path = ZK_PACKAGE_EXE;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the Unix root
    std::wstring wide(path.begin(), path.end());
    for (auto& c : wide) {
        if (c == L'/') c = L'\\';
    }
    return wide;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring DesktopShortcut() {
    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE);
    return std::wstring(desktop) + L"\\" + ZKCore::kProductFolder + L".lnk";
}

std::wstring Recorded(const wchar_t* section, const wchar_t* key) {
    const std::wstring record = std::wstring(DataFolderPath().GetData()) + L"\\package-record.ini";
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", value, 1024, record.c_str());
    return value;
}

std::wstring ShortcutTarget(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
        return target;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
            wchar_t path[MAX_PATH] = {};
            if (SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) target = path;
        }
        file->Release();
    }
    shellLink->Release();
    return target;
}

class PackageRun : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        m_controlFile = ControlFilePath(MakeDataFolder()).GetData();
        PrepareControlFile(m_controlFile.c_str());  // "active" = "0", as before a download
        DeleteFileW(DesktopShortcut().c_str());
    }
    void TearDown() override {
        DeleteFileW(DesktopShortcut().c_str());
        SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", nullptr);
        CoUninitialize();
    }

    // Starts the package as the installer does and polls like it, every 108 ms.
    // Returns the time until completion in ms, or -1.
    long StartAndPoll(const std::wstring& folder, bool shortcut, DWORD timeoutMs = 30000) {
        const DWORD start = GetTickCount();
        StartPackage(PackageExe().c_str(), BuildPackageArguments(folder.c_str(), shortcut));
        while (GetTickCount() - start < timeoutMs) {
            if (IsPackageFinished(m_controlFile.c_str())) return static_cast<long>(GetTickCount() - start);
            Sleep(108);
        }
        return -1;
    }

    std::wstring m_controlFile;
};
}  // namespace

TEST(PackageArguments, ProgramNameIsSkippedQuotedOrNot) {
    const struct {
        const wchar_t* line;
        const wchar_t* rest;
    } cases[] = {
        {L"\"C:\\Program Files\\p.exe\" -instdir=C:\\x -dsc=true", L"-instdir=C:\\x -dsc=true"},
        {L"C:\\p.exe  -instdir=C:\\x", L"-instdir=C:\\x"},
        {L"p.exe", L""},
        {L"\"unterminated", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(SkipProgramName(c.line), c.rest);
}

TEST(PackageArguments, FolderIsEverythingBetweenTheSwitches) {
    const struct {
        const wchar_t* arguments;
        bool valid;
        const wchar_t* folder;
        const wchar_t* flag;
        bool shortcut;
    } cases[] = {
        {L"-instdir=C:\\Program Files\\ZKPDFEditor -dsc=true", true, L"C:\\Program Files\\ZKPDFEditor", L"true", true},
        {L"-instdir=D:\\My  Apps\\PDF -dsc=false", true, L"D:\\My  Apps\\PDF", L"false", false},
        {L"-instdir=C:\\odd -dsc=name\\x -dsc=true", true, L"C:\\odd -dsc=name\\x", L"true", true},
        {L"-instdir=C:\\X\\ -dsc=true", true, L"C:\\X\\", L"true", true},
        {L"-instdir=C:\\X -dsc=TRUE", true, L"C:\\X", L"TRUE", false},
        {L"-instdir=C:\\X -dsc=true ", true, L"C:\\X", L"true", true},
        {L"-instdir=C:\\X", true, L"C:\\X", L"", false},
        {L"-instdir= -dsc=true", false, L"", L"true", true},
        {L"-dsc=true", false, L"", L"", false},
        {L"", false, L"", L"", false},
    };
    for (const auto& c : cases) {
        const PackageArguments parsed = ParsePackageArguments(c.arguments);
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.arguments)));
        EXPECT_EQ(parsed.valid, c.valid);
        EXPECT_EQ(parsed.installFolder, c.folder);
        EXPECT_EQ(parsed.shortcutFlag, c.flag);
        EXPECT_EQ(parsed.desktopShortcut, c.shortcut);
    }
}

TEST(PackageArguments, WhatTheInstallerBuildsThePackageReadsBack) {
    for (const wchar_t* folder : {L"C:\\Program Files\\ZKPDFEditor", L"C:\\a -dsc=false b", L"E:\\\u4e2d\u6587 \u76ee\u5f55\\",
                                  L"C:\\x  y"}) {
        for (const bool shortcut : {true, false}) {
            const PackageArguments parsed = ParsePackageArguments(BuildPackageArguments(folder, shortcut).GetData());
            EXPECT_TRUE(parsed.valid);
            EXPECT_EQ(parsed.installFolder, folder);
            EXPECT_EQ(parsed.desktopShortcut, shortcut);
        }
    }
}

TEST_F(PackageRun, InstallsIntoAFolderWithSpacesCreatesTheShortcutAndSignals) {
    const std::wstring folder = L"C:\\ZK Test Programs\\PDF Editor";
    ASSERT_GE(StartAndPoll(folder, true), 0) << "the package never wrote active=1";
    const std::wstring program = folder + L"\\" + ZKCore::kProductFolder + L".exe";
    EXPECT_TRUE(Exists(program));
    EXPECT_TRUE(Exists(folder + L"\\readme.txt"));
    EXPECT_TRUE(Exists(folder + L"\\version.txt"));
    EXPECT_EQ(Recorded(L"Received", L"instdir"), folder);
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"true");
    EXPECT_EQ(Recorded(L"Received", L"arguments"), L"-instdir=" + folder + L" -dsc=true");
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    ASSERT_TRUE(Exists(DesktopShortcut()));
    EXPECT_EQ(Recorded(L"Result", L"shortcut"), DesktopShortcut());
    EXPECT_EQ(lstrcmpiW(ShortcutTarget(DesktopShortcut()).c_str(), program.c_str()), 0)
        << testing::PrintToString(ShortcutTarget(DesktopShortcut()));
}

TEST_F(PackageRun, FalseInstallsWithoutAShortcut) {
    const std::wstring folder = L"C:\\ZK Test Programs\\No Shortcut";
    ASSERT_GE(StartAndPoll(folder, false), 0);
    EXPECT_TRUE(Exists(folder + L"\\readme.txt"));
    EXPECT_EQ(Recorded(L"Received", L"dsc"), L"false");
    EXPECT_FALSE(Exists(DesktopShortcut()));
    EXPECT_EQ(Recorded(L"Result", L"shortcut"), L"");
}

TEST_F(PackageRun, TakesTheTimeItIsToldToBeforeSignalling) {
    SetEnvironmentVariableW(L"ZK_PACKAGE_DELAY_MS", L"1500");  // inherited by the package
    const long elapsed = StartAndPoll(L"C:\\ZK Test Programs\\Slow", false);
    ASSERT_GE(elapsed, 0);
    EXPECT_GE(elapsed, 1500);
}

TEST_F(PackageRun, WithoutAFolderItRecordsTheFaultAndNeverSignals) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    const std::wstring exe = PackageExe();
    info.lpFile = exe.c_str();
    info.lpParameters = L"-dsc=true";
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExW(&info));
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    EXPECT_EQ(code, 2u);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"bad-arguments");
    EXPECT_FALSE(IsPackageFinished(m_controlFile.c_str()));
}
