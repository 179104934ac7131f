#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "ZKCore/ZKSystem.h"

using namespace ZKCore;

namespace {
// A fresh folder under the prefix's temp folder, removed with its contents.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"zkcore-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount());
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    // Removed bottom-up through the "\\?\" prefix: the shell's recursive
    // delete mishandles trees deeper than MAX_PATH under Wine (it emptied the
    // working folder instead).
    ~TempFolder() { RemoveTree(L"\\\\?\\" + m_path); }
    const std::wstring& Path() const { return m_path; }

private:
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = folder + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(child);
                } else {
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring m_path;
};

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

TEST(ModuleAndSpecialFolders, ResolveToRealFoldersWithoutTrailingSeparators) {
    const UiString module = GetModuleFolder();
    ASSERT_FALSE(module.IsEmpty());
    EXPECT_NE(module[module.GetLength() - 1], L'\\');
    EXPECT_TRUE(IsFolder(module.GetData()));
    const UiString programFiles = GetSpecialFolder(CSIDL_PROGRAM_FILES);
    EXPECT_TRUE(IsFolder(programFiles.GetData()));
    EXPECT_EQ(std::wstring(GetDefaultInstallFolder().GetData()), std::wstring(programFiles.GetData()) + L"\\ZKPDFEditor");
}

TEST(CreateFolderTree, CreatesEveryLevelWithAnySeparatorAndReturnsZero) {
    TempFolder temp;
    const std::wstring base = temp.Path();
    EXPECT_EQ(CreateFolderTree((base + L"\\a\\b/c").c_str()), 0);
    EXPECT_TRUE(IsFolder(base + L"\\a\\b\\c"));
    EXPECT_EQ(CreateFolderTree((base + L"\\d\\e\\").c_str()), 0);
    EXPECT_TRUE(IsFolder(base + L"\\d\\e"));
    // Already there: nothing to do, still 0.
    EXPECT_EQ(CreateFolderTree((base + L"\\a\\b/c").c_str()), 0);
    EXPECT_EQ(CreateFolderTree(L""), 0);
    EXPECT_EQ(CreateFolderTree(nullptr), 0);
}

TEST(CreateFolderTree, PathsLongerThan260CharactersDoNotOverflow) {
    TempFolder temp;
    std::wstring path = temp.Path();
    while (path.size() < 400) path += L"\\abcdefghij";
    // The platform refuses the deep levels (no long-path prefix); the call must
    // still return cleanly, having created the levels it could.
    EXPECT_EQ(CreateFolderTree(path.c_str()), 0);
    EXPECT_TRUE(IsFolder(temp.Path() + L"\\abcdefghij"));
}

TEST(ScreenDpi, MeanIsTruncatedTowardZero) {
    EXPECT_EQ(MeanDpi(144, 144), 144);
    EXPECT_EQ(MeanDpi(96, 97), 96);
    EXPECT_EQ(MeanDpi(96, 120), 108);
    EXPECT_GT(GetScreenDpi(), 0);
}
