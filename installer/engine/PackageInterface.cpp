#include "installer/engine/PackageInterface.h"

#include <shellapi.h>

#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallOptions.h"

namespace ZKInstaller {

UiString BuildPackageArguments(const wchar_t* installFolder, bool desktopShortcut) {
    UiString arguments(kInstallDirSwitch);
    arguments += installFolder ? installFolder : L"";
    arguments += kShortcutSwitch;
    arguments += desktopShortcut ? L"true" : L"false";
    return arguments;
}

HINSTANCE StartPackage(const wchar_t* packagePath, const wchar_t* arguments) {
    return ShellExecuteW(nullptr, L"open", packagePath, arguments, nullptr, SW_SHOWNORMAL);
}

bool StartPackageProcess(const wchar_t* packagePath, const wchar_t* arguments, Veneer::UiKernelHandle& process,
                         DWORD& error) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = packagePath;
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;
    const bool started = ShellExecuteExW(&info) != FALSE;
    error = started ? ERROR_SUCCESS : GetLastError();
    process.Reset(info.hProcess);
    return started;
}

bool IsPackageFinished(const wchar_t* controlFile) {
    return ReadControlValue(controlFile, kActiveKey) == L"1";
}

bool IsPackageFinished() {
    const UiString dataFolder = MakeDataFolder();
    return IsPackageFinished(ControlFilePath(dataFolder));
}

}  // namespace ZKInstaller
