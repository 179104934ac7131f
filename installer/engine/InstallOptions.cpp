#include "installer/engine/InstallOptions.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <mutex>

#include "ZKCore/ZKSystem.h"
#include "installer/engine/PackageFolder.h"

namespace ZKInstaller {

namespace {
constexpr int kMaxDataFolderLength = 260;  // characters; longer paths are refused

std::mutex& ConstructionMutex() {
    static std::mutex mutex;
    return mutex;
}

bool EndsWithLocal(const UiString& folder) {
    const int length = folder.GetLength();
    return length >= 6 && folder.Right(6).CompareNoCase(L"\\Local") == 0;
}
}  // namespace

InstallOptions& GetInstallOptions() {
    std::lock_guard<std::mutex> lock(ConstructionMutex());
    static InstallOptions options = [] {
        InstallOptions built;
        built.installFolder = ZKCore::GetDefaultInstallFolder();
        if (!PathFileExistsW(built.installFolder)) ZKCore::CreateFolderTree(built.installFolder);
        return built;
    }();
    return options;
}

UiString InstallFolderIn(const wchar_t* picked) {
    UiString folder = picked ? picked : L"";
    if (!folder.IsEmpty() && folder.GetAt(folder.GetLength() - 1) != L'\\') folder += L"\\";
    folder += ZKCore::kProductFolder;
    return folder;
}

UiString DeriveDataFolder(const wchar_t* localAppData, const wchar_t* roamingFallback) {
    UiString local(localAppData);
    UiString folder;
    if (EndsWithLocal(local)) {
        // ...\AppData\Local -> ...\AppData\Roaming
        folder.Format(L"%s\\Roaming\\%s", local.Left(local.GetLength() - 6).GetData(), ZKCore::kProductFolder);
    } else {
        // Another layout (or a failed query): dropping six characters would
        // name a folder nobody expects, so take the roaming folder itself.
        folder.Format(L"%s\\%s", roamingFallback ? roamingFallback : L"", ZKCore::kProductFolder);
    }
    return folder;
}

UiString DataFolderPath() {
    return DeriveDataFolder(ZKCore::GetSpecialFolder(CSIDL_LOCAL_APPDATA), ZKCore::GetSpecialFolder(CSIDL_APPDATA));
}

bool CreateDataFolder(const wchar_t* path) {
    UiString full(path);
    const int length = full.GetLength();
    if (length == 0 || length > kMaxDataFolderLength) return false;
    for (int i = full.Find(L'\\'); i >= 0; i = (i + 1 < length) ? full.Find(L'\\', i + 1) : -1) {
        UiString prefix = full.Left(i + 1);
        if (!PathFileExistsW(prefix) && !CreateDirectoryW(prefix, nullptr)) return false;
    }
    return full[length - 1] == L'\\' || PathFileExistsW(full) || CreateDirectoryW(full, nullptr);
}

UiString MakeDataFolder() {
    UiString folder = DataFolderPath();
    CreateDataFolder(folder);
    return folder;
}

UiString FormatGuidDigits(const GUID& guid) {
    UiString digits;
    digits.Format(L"%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(guid.Data1),
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return digits;
}

UiString MakePackagePath() { return NewPackagePath(MakeDataFolder()); }

UiString ControlFilePath(const wchar_t* dataFolder) {
    // Joined without a fixed buffer, so a long data folder cannot overflow it.
    UiString path(dataFolder);
    if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\' && path[path.GetLength() - 1] != L'/') {
        path += L"\\";
    }
    path += L"APP.ini";
    return path;
}

}  // namespace ZKInstaller
