#pragma once
// The options the pages collect and the install sequence hands to the product
// package, and the places on disk the installer uses.
#include <string>

#include "core/UiString.h"

namespace ZKInstaller {

using Veneer::UiString;

struct InstallOptions {
    UiString installFolder;       // handed to the package after "-instdir="
    bool desktopShortcut = true;  // handed on as " -dsc=true" / " -dsc=false"
    bool taskbar = true;          // shown by the custom page; not handed on
};

// The one process-wide record; the first call builds it and creates the default
// install folder on disk when it is missing.
InstallOptions& GetInstallOptions();

// The install folder for a folder the user picked: the product's folder inside
// it ("D:\Apps" -> "D:\Apps\<product>", "E:\" -> "E:\<product>").
UiString InstallFolderIn(const wchar_t* picked);

// Per-user data folder path, without creating it. Normally the roaming
// application-data folder derived from the local one (...\Local -> ...\Roaming)
// plus the product folder.
UiString DataFolderPath();
// DataFolderPath() for a given local application-data folder; when that folder
// does not end in "\Local" the roaming folder `roamingFallback` is used instead.
UiString DeriveDataFolder(const wchar_t* localAppData, const wchar_t* roamingFallback);
// Creates `path` with all missing parents. Paths of 261 characters or more are
// refused. Returns whether the folder exists afterwards.
bool CreateDataFolder(const wchar_t* path);
// DataFolderPath(), created on disk.
UiString MakeDataFolder();
// <data folder>\<32 upper-case hex digits of a new GUID>.exe; creates the data folder.
UiString MakePackagePath();
// The GUID's digits as the package name uses them, without dashes or braces.
UiString FormatGuidDigits(const struct _GUID& guid);
// <data folder>\APP.ini
UiString ControlFilePath(const wchar_t* dataFolder);

}  // namespace ZKInstaller
