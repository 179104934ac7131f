// The texts exchanged with the package: the argument line it is started with
// and the completion value it writes. Nothing here asks the platform, so the
// same file also builds natively (under the sanitizers and the fuzzer).
#include <cwchar>

#include "installer/engine/PackageInterface.h"

namespace ZKInstaller {

UiString BuildPackageArguments(const wchar_t* installFolder, bool desktopShortcut) {
    UiString arguments(kInstallDirSwitch);
    arguments += installFolder ? installFolder : L"";
    arguments += kShortcutSwitch;
    arguments += desktopShortcut ? L"true" : L"false";
    return arguments;
}

bool IsCompletionValue(const wchar_t* activeValue) { return activeValue && std::wcscmp(activeValue, L"1") == 0; }

}  // namespace ZKInstaller
