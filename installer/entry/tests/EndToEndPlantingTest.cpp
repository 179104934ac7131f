// DLLs planted beside the installer under system names, as in a downloads
// folder: the installer, elevated, must load none of them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EndToEndFixture.h"

using namespace ZKTest;

namespace {

std::wstring TestFolder() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring self(path);
    return self.substr(0, self.rfind(L'\\'));
}

// A fresh folder under the temporary folder holding a copy of `exe` and the
// planted DLL under each of `names`.
std::wstring PlantBeside(const std::wstring& exe, const wchar_t* folderName,
                         std::initializer_list<const wchar_t*> names) {
    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + folderName;
    CreateDirectoryW(folder.c_str(), nullptr);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    const std::wstring copy = folder + exe.substr(exe.rfind(L'\\'));
    EXPECT_TRUE(CopyFileW(exe.c_str(), copy.c_str(), FALSE)) << exe;
    for (const wchar_t* name : names) {
        EXPECT_TRUE(CopyFileW((TestFolder() + L"\\zkplanted.dll").c_str(), (folder + L"\\" + name).c_str(), FALSE));
    }
    return copy;
}

std::wstring WineAppDefaults(const wchar_t* program) {
    return std::wstring(L"Software\\Wine\\AppDefaults\\") + program;
}

void PreferNative(const wchar_t* program, std::initializer_list<const wchar_t*> dlls) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (WineAppDefaults(program) + L"\\DllOverrides").c_str(), 0, nullptr,
                              0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    static const wchar_t kNativeFirst[] = L"native,builtin";
    for (const wchar_t* dll : dlls) {
        RegSetValueExW(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof(kNativeFirst));
    }
    RegCloseKey(key);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST_F(InstallerTest, DllsPlantedBesideTheInstallerAreNeverLoaded) {
    // Wine prefers its own built-in DLLs; Windows takes a DLL that is no
    // KnownDLL from the program's folder first. Wine's per-program settings
    // make the two copies load as Windows would (ignored on Windows). Not
    // version.dll and shcore.dll for the installer: Wine's own user32 imports
    // them, which Windows' does not, so under Wine any program would load
    // them from its folder before its first instruction.
    const wchar_t* const names[] = {L"urlmon.dll", L"gdiplus.dll", L"msimg32.dll",
                                    L"wintrust.dll", L"crypt32.dll", L"wininet.dll"};
    PreferNative(L"zk_import_fixture.exe", {L"version"});
    PreferNative(L"ZKInstaller.exe", {L"urlmon", L"gdiplus", L"msimg32", L"wintrust", L"crypt32", L"wininet"});
    struct RestoreLoadOrder {
        ~RestoreLoadOrder() {
            RegDeleteTreeW(HKEY_CURRENT_USER, WineAppDefaults(L"zk_import_fixture.exe").c_str());
            RegDeleteTreeW(HKEY_CURRENT_USER, WineAppDefaults(L"ZKInstaller.exe").c_str());
        }
    } restore;
    // The control: a program importing version.dll the ordinary way loads the
    // planted one, so the marker shows what a load would look like.
    const std::wstring fixture =
        PlantBeside(TestFolder() + L"\\zk_import_fixture.exe", L"zk planted control", {L"version.dll"});
    {
        InstallerRun control(L"", nullptr, fixture);
        ASSERT_TRUE(control.started);
        control.WaitForExit(20000);
    }
    const std::wstring controlFolder = fixture.substr(0, fixture.rfind(L'\\'));
    ASSERT_TRUE(Exists(controlFolder + L"\\planted-version.dll.txt")) << "a direct import loads a planted DLL";

    const std::wstring installer = PlantBeside(InstallerPath(), L"zk planted installer",
                                               {names[0], names[1], names[2], names[3], names[4], names[5]});
    // Wine's own loader now and then fails to start a fresh process (an
    // assertion in its dynamic linker, exit 1 at once): such a start is retried.
    long code = -1;
    for (int start = 0; start < 2 && code != 0; ++start) {
        InstallerRun run(L"/S /D=C:\\ZK Planted", nullptr, installer);
        ASSERT_TRUE(run.started);
        code = run.WaitForExit(90000);
        if (code != 0 && !RunLogOf(run.ProcessId()).empty()) break;  // it ran: a real failure
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Recorded(L"Result", L"status"), L"ok");
    const std::wstring folder = installer.substr(0, installer.rfind(L'\\'));
    for (const wchar_t* name : names) {
        EXPECT_FALSE(Exists(folder + L"\\planted-" + name + L".txt")) << "loaded the planted " << name;
    }
}
