#pragma once
// Folders, the shell and the screen. Paths are returned as framework strings.
#include <windows.h>

#include "ZKBuildSettings.h"
#include "core/UiString.h"

namespace ZKCore {

using Veneer::UiString;

// Product folder name under Program Files and the roaming data folder (a
// build setting).
constexpr const wchar_t* kProductFolder = ZK_PRODUCT_FOLDER;

// Folder of the running executable without a trailing backslash.
UiString GetModuleFolder();
// A shell folder by CSIDL number; empty when the platform has none.
UiString GetSpecialFolder(int csidl);
// <Program Files>\<product folder>.
UiString GetDefaultInstallFolder();
// Creates every missing folder along `path` ("\" and "/" both separate).
// Works on a heap copy, so paths of any length are safe. Always returns 0.
int CreateFolderTree(const wchar_t* path);
// The shell's folder picker opened on `startFolder`; empty when cancelled.
UiString BrowseForFolder(HWND owner, const wchar_t* startFolder);
// Opens a file, folder or URL with its associated program.
HINSTANCE OpenWithShell(const wchar_t* target);

// How OpenAsDesktopUser reached the program.
enum class DesktopOpen { DesktopShell, OwnProcess, Failed };
// Opens `target` through the desktop shell's own process, so that a program
// running elevated starts the browser with the user's ordinary rights, not
// its own; when that shell cannot be reached (no desktop shell, another
// session), through OpenWithShell from this process.
DesktopOpen OpenAsDesktopUser(const wchar_t* target);
// Mean of the screen's horizontal and vertical DPI, truncated.
int GetScreenDpi();
// (x + y) / 2 in single precision, truncated toward zero.
int MeanDpi(int dpiX, int dpiY);

}  // namespace ZKCore
