#pragma once
// The package's reading of its command line: "-instdir=<folder> -dsc=<flag>",
// the folder unquoted and possibly with spaces.
#include <string>

#include "ZKCore/ZKString.h"

namespace ZKPackage {

struct PackageArguments {
    bool valid = false;          // "-instdir=" present with a non-empty folder
    std::wstring installFolder;  // everything between "-instdir=" and the last " -dsc="
    std::wstring shortcutFlag;   // the word after " -dsc=", as received
    bool desktopShortcut = false;  // only for exactly "true"
};

using ZKCore::SkipProgramName;
// Reads the arguments (without the program name).
PackageArguments ParsePackageArguments(const std::wstring& arguments);

}  // namespace ZKPackage
