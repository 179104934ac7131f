// The package's folder (its access list read back from the platform, what
// stands at its path replaced, leftovers deleted) and the held package file.
#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "installer/engine/testsupport/DownloadTestSupport.h"
#include "installer/engine/HeldFile.h"
#include "installer/engine/InstallLog.h"
#include "installer/engine/PackageFolder.h"

using namespace ZKInstaller;
using namespace ZKTest;

namespace {

// Wine keeps no security descriptors for files: it derives one from the Unix
// mode bits, with the user as owner, and drops what they cannot express.
bool RunsOnWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Removes `path` and the folders moved aside from it, with their files.
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
}

// The one folder moved aside from `path`; empty when none.
std::wstring MovedAside(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path + L".*.untrusted").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    FindClose(search);
    return path.substr(0, path.rfind(L'\\') + 1) + found.cFileName;
}

class PackageFolderTest : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        for (std::wstring aside = MovedAside(m_path); !aside.empty(); aside = MovedAside(m_path)) RemoveTree(aside);
        RemoveTree(m_path);
    }
    std::wstring m_path = TempFolder() + L"zk package folder test";
};

}  // namespace

TEST(ProtectedFolderSecurity, OnlyTheProtectedListOfSystemAndAdministrators) {
    const struct {
        const wchar_t* sddl;
        bool accepted;
    } cases[] = {
        {kProtectedFolderSddl, true},
        {L"O:SYD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", true},
        {L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},                       // inherits from its parent
        {L"O:BUD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},                      // owned by Users
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", false},  // Users may read
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;WD)", false},                      // Everyone instead of Administrators
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;SY)", false},
        {L"O:BAD:P(A;OICI;FA;;;SY)", false},
        {L"O:BAD:P(A;OICI;FR;;;SY)(A;OICI;FA;;;BA)", false},  // read only
        {L"O:BAD:P(A;;FA;;;SY)(A;OICI;FA;;;BA)", false},      // not passed on to the files
        {L"O:BAD:P(D;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},  // a denial
        {L"O:BAD:P", false},
        {L"O:BA", false},  // no access list at all: everyone may do anything
    };
    for (const auto& c : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &descriptor, nullptr))
            << Narrow(c.sddl);
        EXPECT_EQ(IsProtectedFolderSecurity(descriptor), c.accepted) << Narrow(c.sddl);
        LocalFree(descriptor);
    }
    EXPECT_FALSE(IsProtectedFolderSecurity(nullptr));
}

TEST_F(PackageFolderTest, IsCreatedWithTheProtectedListAsThePlatformReportsItBack) {
    CPackageFolder folder;
    ASSERT_TRUE(folder.PrepareProtected(m_path.c_str())) << Narrow(folder.Report());
    EXPECT_EQ(std::wstring(folder.Path().GetData()), m_path);
    EXPECT_TRUE(folder.IsProtected());

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(m_path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                    &owner, nullptr, &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    LPWSTR text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr);
    const std::string readBack = text ? Narrow(text) : std::string();
    LocalFree(text);
    RecordProperty("security", readBack);
    if (!RunsOnWine()) {
        EXPECT_TRUE(IsProtectedFolderSecurity(descriptor)) << readBack;
    } else {
        // What Wine can keep of it: SYSTEM and the owner with full access,
        // nobody else with any.
        ASSERT_NE(dacl, nullptr) << readBack;
        bool system = false;
        for (WORD i = 0; i < dacl->AceCount; ++i) {
            void* raw = nullptr;
            ASSERT_TRUE(GetAce(dacl, i, &raw));
            const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
            const PSID sid = const_cast<DWORD*>(&ace->SidStart);
            system = system || (IsWellKnownSid(sid, WinLocalSystemSid) && ace->Mask == FILE_ALL_ACCESS);
            EXPECT_TRUE(IsWellKnownSid(sid, WinLocalSystemSid) || EqualSid(sid, owner) ||
                        IsWellKnownSid(sid, WinBuiltinAdministratorsSid))
                << readBack;
        }
        EXPECT_TRUE(system) << readBack;
    }
    LocalFree(descriptor);

    // Held: the folder cannot be renamed away while the run uses it (Wine
    // checks no sharing on a folder's rename).
    const std::wstring elsewhere = m_path + L" renamed";
    if (!RunsOnWine()) {
        EXPECT_FALSE(MoveFileExW(m_path.c_str(), elsewhere.c_str(), 0));
    }
}

TEST_F(PackageFolderTest, AFolderOfAnotherOwnerIsMovedAsideUntouchedAndAFileIsReplaced) {
    // Owned by the user, not by Administrators or SYSTEM (Wine: every folder).
    ASSERT_TRUE(CreateDirectoryW(m_path.c_str(), nullptr));
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[256];
    DWORD length = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof(user), &length));
    CloseHandle(token);
    ASSERT_EQ(SetNamedSecurityInfoW(&m_path[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                    reinterpret_cast<TOKEN_USER*>(user)->User.Sid, nullptr, nullptr, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    WriteBytes(m_path + L"\\planted.exe", "planted");
    {
        CPackageFolder folder;
        ASSERT_TRUE(folder.PrepareProtected(m_path.c_str())) << Narrow(folder.Report());
        EXPECT_NE(folder.Report().find(L"owned by neither Administrators nor SYSTEM; moved aside to "), std::wstring::npos)
            << Narrow(folder.Report());
        EXPECT_FALSE(FileExists(m_path + L"\\planted.exe"));
        const std::wstring aside = MovedAside(m_path);
        ASSERT_FALSE(aside.empty());
        EXPECT_EQ(ReadFileBytes(aside + L"\\planted.exe"), "planted");
    }
    // An empty folder of another owner goes altogether; the folder stays held
    // only while its object lives.
    RemoveTree(MovedAside(m_path));
    RemoveTree(m_path);
    WriteBytes(m_path, "a file where the folder belongs");
    CPackageFolder folder;
    ASSERT_TRUE(folder.PrepareProtected(m_path.c_str())) << Narrow(folder.Report());
    EXPECT_NE(folder.Report().find(L"not a folder; removed; created"), std::wstring::npos) << Narrow(folder.Report());
    EXPECT_TRUE(GetFileAttributesW(m_path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(MovedAside(m_path).empty());
}

TEST_F(PackageFolderTest, AnUnelevatedRunKeepsTheUserFolderWhereEarlierPackagesAreDeleted) {
    CPackageFolder folder;
    ASSERT_TRUE(folder.Prepare(false, L"C:\\unused", m_path.c_str()));
    EXPECT_FALSE(folder.IsProtected());
    EXPECT_EQ(std::wstring(folder.Path().GetData()), m_path);
    EXPECT_NE(folder.Report().find(L"not elevated"), std::wstring::npos);
    WriteBytes(m_path + L"\\0123456789ABCDEF0123456789ABCDEF.exe", "MZ");
    WriteBytes(m_path + L"\\other.EXE", "MZ");
    WriteBytes(m_path + L"\\APP.ini", "[Install]\r\n");
    EXPECT_EQ(folder.DeleteLeftovers(), 2);
    EXPECT_TRUE(FileExists(m_path + L"\\APP.ini"));
    const std::wstring next = NewPackagePath(folder.Path()).GetData();
    EXPECT_EQ(next.size(), m_path.size() + 1 + 32 + 4);
    EXPECT_EQ(next.compare(0, m_path.size() + 1, m_path + L"\\"), 0);
}

TEST(HeldFile, NobodyWritesRenamesOrDeletesAHeldFileButItCanBeRead) {
    const std::wstring path = TempFilePath(L"held") + L".exe";
    WriteBytes(path, "MZ package");
    {
        CHeldFile held;
        ASSERT_TRUE(held.Open(path.c_str()));
        constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        EXPECT_FALSE(DeleteFileW(path.c_str()));
        EXPECT_FALSE(MoveFileExW(path.c_str(), (path + L".moved").c_str(), MOVEFILE_REPLACE_EXISTING));
        HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "the process start reads it";
        if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
        char head[2] = {};
        DWORD read = 0;
        EXPECT_TRUE(ReadFile(held.Handle(), head, 2, &read, nullptr) && read == 2 && head[0] == 'M');
        held.Close();
        EXPECT_TRUE(DeleteFileW(path.c_str()));
    }
    // A folder at the path is not a package.
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    CHeldFile held;
    EXPECT_FALSE(held.Open(path.c_str()));
    EXPECT_FALSE(held.IsOpen());
    RemoveDirectoryW(path.c_str());
}
