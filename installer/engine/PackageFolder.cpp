#include "installer/engine/PackageFolder.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include "ZKCore/ZKString.h"
#include "ZKCore/ZKSystem.h"
#include "installer/engine/InstallOptions.h"

namespace ZKInstaller {

namespace {
// Memory the security functions allocate with LocalAlloc.
class CLocalMemory {
public:
    CLocalMemory() = default;
    ~CLocalMemory() {
        if (m_memory) LocalFree(m_memory);
    }
    CLocalMemory(const CLocalMemory&) = delete;
    CLocalMemory& operator=(const CLocalMemory&) = delete;
    PSECURITY_DESCRIPTOR* Out() { return &m_memory; }
    PSECURITY_DESCRIPTOR Get() const { return m_memory; }

private:
    PSECURITY_DESCRIPTOR m_memory = nullptr;
};

bool IsTrustedOwner(PSID owner) {
    return owner && IsValidSid(owner) &&
           (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid));
}

// The path's own entry (a link is opened as the link), shared for reading and
// writing but not for deleting: while the handle lives nobody can rename or
// remove the folder.
Veneer::UiKernelHandle OpenItself(const wchar_t* path, DWORD access) {
    return Veneer::UiKernelHandle(CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

FolderState StateOfAttributes(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderState::ReparsePoint;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderState::NotADirectory;
    return FolderState::Trusted;
}

// What is at `path`; `folder` receives the opened directory when there is one.
FolderState Inspect(const wchar_t* path, Veneer::UiKernelHandle& folder) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FolderState::Missing
                                                                              : FolderState::Unreadable;
    }
    if (StateOfAttributes(attributes) != FolderState::Trusted) return StateOfAttributes(attributes);
    folder = OpenItself(path, READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !GetFileInformationByHandle(folder.Get(), &info)) return FolderState::Unreadable;
    // Looked at again through the handle: the entry may have changed since.
    if (StateOfAttributes(info.dwFileAttributes) != FolderState::Trusted) return StateOfAttributes(info.dwFileAttributes);
    PSID owner = nullptr;
    CLocalMemory descriptor;
    if (GetSecurityInfo(folder.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        descriptor.Out()) != ERROR_SUCCESS) {
        return FolderState::Unreadable;
    }
    return IsTrustedOwner(owner) ? FolderState::Trusted : FolderState::UntrustedOwner;
}

bool ApplyProtectedDacl(HANDLE folder) {
    CLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderSddl, SDDL_REVISION_1, descriptor.Out(),
                                                              nullptr)) {
        return false;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted) || !present) return false;
    return SetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

bool CreateProtected(const wchar_t* path) {
    CLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderSddl, SDDL_REVISION_1, descriptor.Out(),
                                                              nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.Get(), FALSE};
    return CreateDirectoryW(path, &attributes) != FALSE;
}

// Renames the entry at `path` (a link is renamed as the link) to a name of its
// own beside it, and removes it there when it is an empty folder or a link.
// What a folder of someone else holds is never opened or deleted: with
// administrator rights that would let its owner redirect the deletion.
bool MoveAside(const wchar_t* path, std::wstring& report) {
    const std::wstring aside = std::wstring(path) + L"." + ZKCore::DecimalText(GetCurrentProcessId()) + L"-" +
                               ZKCore::DecimalText(GetTickCount()) + L".untrusted";
    if (!MoveFileExW(path, aside.c_str(), 0)) {
        report += L"; could not move it aside: error " + ZKCore::DecimalText(GetLastError());
        return false;
    }
    if (RemoveDirectoryW(aside.c_str())) {
        report += L"; removed";
    } else {
        report += L"; moved aside to " + aside;
    }
    return true;
}
}  // namespace

bool IsProcessElevated() {
    Veneer::UiKernelHandle token;
    HANDLE raw = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        token.Reset(raw);
        TOKEN_ELEVATION elevation{};
        DWORD length = 0;
        if (GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &length) &&
            elevation.TokenIsElevated) {
            return true;
        }
    }
    // Without UAC (or when the query is unknown) the token is what it is:
    // Administrators either is enabled in it or not.
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

UiString ProtectedFolderPath() {
    UiString programData = ZKCore::GetSpecialFolder(CSIDL_COMMON_APPDATA);
    if (programData.IsEmpty()) return UiString();
    UiString path;
    path.Format(L"%s\\%s-Setup", programData.GetData(), ZKCore::kProductFolder);
    return path;
}

const wchar_t* FolderStateName(FolderState state) {
    switch (state) {
    case FolderState::Missing: return L"missing";
    case FolderState::Trusted: return L"trusted";
    case FolderState::NotADirectory: return L"not a folder";
    case FolderState::ReparsePoint: return L"a link or reparse point";
    case FolderState::UntrustedOwner: return L"owned by neither Administrators nor SYSTEM";
    case FolderState::Unreadable: return L"unreadable";
    }
    return L"unknown";
}

bool IsProtectedFolderSecurity(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!descriptor || !GetSecurityDescriptorControl(descriptor, &control, &revision) ||
        !(control & SE_DACL_PROTECTED)) {
        return false;
    }
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsTrustedOwner(owner)) return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl ||
        dacl->AceCount != 2) {
        return false;
    }
    bool system = false;
    bool administrators = false;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) return false;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        constexpr BYTE kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || ace->Header.AceFlags != kInherit ||
            ace->Mask != FILE_ALL_ACCESS) {
            return false;
        }
        const PSID sid = const_cast<DWORD*>(&ace->SidStart);
        if (IsWellKnownSid(sid, WinLocalSystemSid)) {
            system = true;
        } else if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
            administrators = true;
        } else {
            return false;
        }
    }
    return system && administrators;
}

bool CPackageFolder::Prepare(bool elevated, const wchar_t* protectedPath, const wchar_t* userFolder) {
    m_hold.Reset();
    m_protected = elevated;
    if (elevated) return PrepareProtected(protectedPath);
    m_path = userFolder;
    m_report = L"not elevated: the user's data folder " + std::wstring(m_path.GetData());
    return CreateDataFolder(m_path);
}

bool CPackageFolder::PrepareProtected(const wchar_t* path) {
    m_path = path;
    m_protected = true;
    m_report = L"protected folder " + std::wstring(path ? path : L"") + L": ";
    if (m_path.IsEmpty()) {
        m_report += L"no ProgramData folder";
        return false;
    }
    Veneer::UiKernelHandle folder;
    const FolderState state = Inspect(path, folder);
    m_report += FolderStateName(state);
    if (state == FolderState::Trusted && ApplyProtectedDacl(folder.Get())) {
        m_hold = std::move(folder);
        return true;
    }
    folder.Reset();
    if (state == FolderState::Trusted) m_report += L", its access list could not be set";
    if (state != FolderState::Missing) {
        // A file or a link goes as the entry itself; anything else is moved aside.
        const bool removed = (state == FolderState::NotADirectory && DeleteFileW(path)) ||
                             (state == FolderState::ReparsePoint && (RemoveDirectoryW(path) || DeleteFileW(path)));
        if (removed) {
            m_report += L"; removed";
        } else if (!MoveAside(path, m_report)) {
            return false;
        }
    }
    if (!CreateProtected(path)) {
        m_report += L"; could not be created: error " + ZKCore::DecimalText(GetLastError());
        return false;
    }
    m_report += L"; created";
    // Nobody but Administrators and SYSTEM can touch it now; held from here on.
    m_hold = OpenItself(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!m_hold || !GetFileInformationByHandle(m_hold.Get(), &info) ||
        StateOfAttributes(info.dwFileAttributes) != FolderState::Trusted) {
        m_report += L", but cannot be opened as a folder";
        m_hold.Reset();
        return false;
    }
    return true;
}

int CPackageFolder::DeleteLeftovers() const {
    if (m_path.IsEmpty()) return 0;
    const std::wstring folder = std::wstring(m_path.GetData()) + L"\\";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"*.exe").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int deleted = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            DeleteFileW((folder + found.cFileName).c_str())) {
            ++deleted;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return deleted;
}

UiString NewPackagePath(const wchar_t* folder) {
    UiString path(folder);
    GUID guid{};
    CoCreateGuid(&guid);
    path += L"\\";
    path += FormatGuidDigits(guid);
    path += L".exe";
    return path;
}

}  // namespace ZKInstaller
