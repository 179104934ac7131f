// What the installer and the package exchange: the "active" value read back
// from the control file (part 1; the reader's buffer holds 259 characters),
// and the argument line (parts 2 and 3: the folder and the shortcut choice):
// what the installer builds, the package reads back unchanged.
#include <cwchar>
#include <string>

#include "installer/engine/ControlFile.h"
#include "installer/engine/PackageInterface.h"
#include "tools/fuzz/FuzzInput.h"
#include "tools/package/PackageArguments.h"

using namespace ZKInstaller;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> parts = Fuzz::SplitParts(data, size, 3);
    std::wstring value = parts[0].c_str();
    if (value.size() > 259) value.resize(259);
    Fuzz::Check(IsCompletionValue(value.c_str()) == (value == L"1"), "completion read from a value other than 1",
                Fuzz::Show(value));
    Fuzz::Check(!IsCompletionValue(kMissingValue), "the missing-key default reads as completion");

    const std::wstring folder = parts[1].c_str();
    const bool shortcut = !parts[2].empty() && (parts[2][0] & 1);
    const UiString arguments = BuildPackageArguments(folder.c_str(), shortcut);
    const ZKPackage::PackageArguments parsed = ZKPackage::ParsePackageArguments(arguments.GetData());
    const bool blank = folder.find_first_not_of(L" \t") == std::wstring::npos;
    Fuzz::Check(parsed.valid == !blank, "the package judges the folder otherwise", Fuzz::Show(folder));
    if (!blank) {
        Fuzz::Check(parsed.installFolder == folder, "the package reads another folder",
                    Fuzz::Show(folder) + " -> " + Fuzz::Show(parsed.installFolder));
        Fuzz::Check(parsed.desktopShortcut == shortcut, "the package reads another shortcut choice",
                    Fuzz::Show(folder));
    }
    // Whatever the line, the package's reading stays within it.
    const ZKPackage::PackageArguments any = ZKPackage::ParsePackageArguments(parts[0]);
    Fuzz::Check(any.installFolder.size() <= parts[0].size() && any.shortcutFlag.size() <= parts[0].size(),
                "the package reads more than the line");
    return 0;
}
