#include "tools/package/PackageArguments.h"

namespace ZKPackage {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring TrimBlanks(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}
}  // namespace

PackageArguments ParsePackageArguments(const std::wstring& arguments) {
    static const std::wstring kFolderSwitch = L"-instdir=";
    static const std::wstring kShortcutSwitch = L" -dsc=";
    PackageArguments parsed;
    const size_t folderSwitch = arguments.find(kFolderSwitch);
    if (folderSwitch == std::wstring::npos) return parsed;
    const size_t folderStart = folderSwitch + kFolderSwitch.size();
    // The last " -dsc=": a folder may itself contain the text, the flag never does.
    size_t shortcutSwitch = arguments.rfind(kShortcutSwitch);
    if (shortcutSwitch == std::wstring::npos || shortcutSwitch < folderStart) {
        parsed.installFolder = TrimBlanks(arguments.substr(folderStart));
    } else {
        parsed.installFolder = arguments.substr(folderStart, shortcutSwitch - folderStart);
        parsed.shortcutFlag = TrimBlanks(arguments.substr(shortcutSwitch + kShortcutSwitch.size()));
    }
    parsed.desktopShortcut = parsed.shortcutFlag == L"true";
    parsed.valid = !TrimBlanks(parsed.installFolder).empty();
    return parsed;
}

}  // namespace ZKPackage
