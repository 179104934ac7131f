#pragma once
// What the installer gives the product package and what it relies on in
// return: the download address, the argument line the package is started
// with, and the completion signal in the control file.
#include <windows.h>

#include <string>
#include <vector>

#include "ZKBuildSettings.h"
#include "core/UiString.h"

namespace ZKInstaller {

using Veneer::UiString;

// Build settings: the service's host (path and query fixed) and the agreement page.
constexpr const wchar_t* kDownloadUrl = ZK_DOWNLOAD_URL;
constexpr const wchar_t* kAgreementUrl = ZK_AGREEMENT_URL;
constexpr const wchar_t* kDownloadPathAndQuery = L"/openapi/download?ch=10009&app=50000";
// Build setting: whole addresses of the same package, tried in turn when the
// download address gives up; none by default.
std::vector<std::wstring> FallbackDownloadUrls();

constexpr const wchar_t* kInstallDirSwitch = L"-instdir=";
constexpr const wchar_t* kShortcutSwitch = L" -dsc=";

// "-instdir=<folder> -dsc=<true|false>"; the folder goes in unquoted, spaces
// and all: the package takes everything between the two switches.
// (PackageInterfaceText.cpp, with IsCompletionValue: portable.)
UiString BuildPackageArguments(const wchar_t* installFolder, bool desktopShortcut);
// Whether a value read for "active" is the completion signal: exactly "1".
// The missing-key default "error", "0" and anything else are not.
bool IsCompletionValue(const wchar_t* activeValue);
// Opens the package with the shell ("open", no working folder, shown normally).
// Nobody waits for it; the result is the shell's instance-handle value.
HINSTANCE StartPackage(const wchar_t* packagePath, const wchar_t* arguments);
// Whether the package has written "active" = "1" into `controlFile`.
bool IsPackageFinished(const wchar_t* controlFile);
// The same for the control file in the (created) data folder.
bool IsPackageFinished();

}  // namespace ZKInstaller
