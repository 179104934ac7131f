#include "installer/engine/PackageInterface.h"

#include <shellapi.h>

#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallOptions.h"

namespace ZKInstaller {

std::vector<std::wstring> FallbackDownloadUrls() {
    static const wchar_t* const kUrls[] = {ZK_MIRROR_URLS nullptr};
    std::vector<std::wstring> urls;
    for (const wchar_t* const* url = kUrls; *url; ++url) urls.emplace_back(*url);
    return urls;
}

HINSTANCE StartPackage(const wchar_t* packagePath, const wchar_t* arguments) {
    return ShellExecuteW(nullptr, L"open", packagePath, arguments, nullptr, SW_SHOWNORMAL);
}

bool IsPackageFinished(const wchar_t* controlFile) {
    return IsCompletionValue(ReadControlValue(controlFile, kActiveKey));
}

bool IsPackageFinished() {
    const UiString dataFolder = MakeDataFolder();
    return IsPackageFinished(ControlFilePath(dataFolder));
}

}  // namespace ZKInstaller
