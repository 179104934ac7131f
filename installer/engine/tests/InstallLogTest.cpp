// The run log's name, its opening without following what is planted at its
// path, and the rotation that keeps the newest run logs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "installer/engine/testsupport/DownloadTestSupport.h"
#include "installer/engine/InstallLog.h"

using namespace ZKInstaller;
using namespace ZKTest;

namespace {

// An empty folder of its own under the temporary folder, removed with its files.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name) : m_path(TempFolder() + name + L"\\") {
        Clear();
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { Clear(); }
    const std::wstring& Path() const { return m_path; }

private:
    void Clear() {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((m_path + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring entry = m_path + found.cFileName;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(entry.c_str());
                else if (found.cFileName[0] != L'.') RemoveDirectoryW(entry.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(m_path.c_str());
    }
    std::wstring m_path;
};

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

TEST(RunLogName, DateTimeAndProcessInTheName) {
    SYSTEMTIME time{};
    time.wYear = 2025;
    time.wMonth = 1;
    time.wDay = 2;
    time.wHour = 3;
    time.wMinute = 4;
    time.wSecond = 5;
    EXPECT_EQ(RunLogName(time, 1234), L"Scrivla-Setup-20250102-030405-1234.log");
    EXPECT_TRUE(IsRunLogName(RunLogName(time, 7)));
    EXPECT_TRUE(IsRunLogName(RunLogName(time, 4294967295u)));
    for (const wchar_t* other : {L"Scrivla-Setup.log", L"Scrivla-Setup-20250102-030405-.log",
                                 L"Scrivla-Setup-2025010-030405-12.log", L"Scrivla-Setup-20250102-030405-12.log.txt",
                                 L"Scrivla-Setup-20250102_030405-12.log", L"Scrivla-Setup-notes-here-and-there.log",
                                 L"Scrivla-Setup-20250102-030405-12345678901.log"}) {
        EXPECT_FALSE(IsRunLogName(other)) << std::string(other, other + wcslen(other));
    }
}

TEST(OpenLogFile, AFileOrFolderPlantedAtTheLogsPathIsNotWrittenThrough) {
    const ScratchFolder folder(L"zk log open test");
    const std::wstring planted = folder.Path() + L"planted.log";
    WriteBytes(planted, "planted");
    const std::wstring plantedFolder = folder.Path() + L"folder.log";
    ASSERT_TRUE(CreateDirectoryW(plantedFolder.c_str(), nullptr));

    EXPECT_FALSE(OpenLogFile(planted, LogOpen::CreateNew));
    EXPECT_FALSE(OpenLogFile(plantedFolder, LogOpen::CreateNew));
    EXPECT_FALSE(OpenLogFile(plantedFolder, LogOpen::AppendOrCreate));
    CInstallLog log;
    EXPECT_FALSE(log.Open(planted, LogOpen::CreateNew));
    log.Write(L"lost");
    EXPECT_EQ(ReadFileBytes(planted), "planted");
    EXPECT_EQ(GetFileAttributesW(plantedFolder.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(OpenLogFile(L"", LogOpen::CreateNew));
}

TEST(OpenLogFile, AChosenLogIsCreatedOrAppendedTo) {
    const ScratchFolder folder(L"zk log append test");
    const std::wstring path = folder.Path() + L"chosen.log";
    for (const wchar_t* line : {L"first run", L"second run"}) {
        CInstallLog log;
        ASSERT_TRUE(log.Open(path, LogOpen::AppendOrCreate));
        EXPECT_EQ(log.Path(), path);
        log.Write(line);
    }
    const std::string text = ReadFileBytes(path);
    EXPECT_EQ(text.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_EQ(text.find("\xEF\xBB\xBF", 3), std::string::npos) << "one byte-order mark";
    EXPECT_LT(text.find("  first run\r\n"), text.find("  second run\r\n"));
}

TEST(RotateRunLogs, KeepsTheNewestTenRunLogsAndNothingElse) {
    const ScratchFolder folder(L"zk log rotation test");
    SYSTEMTIME time{};
    time.wYear = 2025;
    time.wMonth = 3;
    time.wDay = 1;
    for (WORD i = 0; i < 13; ++i) {
        time.wHour = static_cast<WORD>(i);  // 00:00:00 to 12:00:00, the last the newest
        WriteBytes(folder.Path() + RunLogName(time, 100 + i), "log");
    }
    WriteBytes(folder.Path() + L"Scrivla-Setup-notes.log", "not a run log");
    const std::wstring folderLikeALog = folder.Path() + L"Scrivla-Setup-20000101-000000-1.log";
    ASSERT_TRUE(CreateDirectoryW(folderLikeALog.c_str(), nullptr));

    RotateRunLogs(folder.Path(), kRunLogsKept);
    for (WORD i = 0; i < 13; ++i) {
        time.wHour = static_cast<WORD>(i);
        EXPECT_EQ(FileExists(folder.Path() + RunLogName(time, 100 + i)), i >= 3) << i;
    }
    EXPECT_TRUE(FileExists(folder.Path() + L"Scrivla-Setup-notes.log"));
    EXPECT_TRUE(FileExists(folderLikeALog));
}
