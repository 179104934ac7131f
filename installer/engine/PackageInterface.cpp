#include "installer/engine/PackageInterface.h"

#include <shellapi.h>

#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallOptions.h"

namespace ZKInstaller {

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
