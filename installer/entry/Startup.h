#pragma once
// The installer's start-up and shut-down around the main window's modal loop.
#include <windows.h>

#include <string>

#include "installer/entry/CommandLine.h"
#include "installer/entry/ExitCodes.h"

namespace ZKInstaller {

// What a run of the start-up did, for callers that want to look.
struct StartupReport {
    // Run-time DLL loads search the system folder only; false when the system
    // lacks that setting and only the current folder was taken off the search.
    bool dllSearchRestricted = false;
    bool comInitialized = false;
    bool gdiplusStarted = false;
    int screenDpi = 0;
    CommandLineSwitches switches;
    std::wstring logPath;  // the log file of the run; empty when there was none
};

// Held by the running installer, machine-wide: one install at a time, whoever
// started it, as every elevated run shares one package folder.
constexpr const wchar_t* kInstallerMutexName = L"Global\\Scrivla-Setup-Running";
// The running installer's main window class, brought to the front by a second start.
constexpr const wchar_t* kMainFrameClass = L"zkmainframe";

// Takes the current folder and the executable's folder, where a planted DLL
// may lie, off the search of later LoadLibrary calls: only the system folder
// is searched. Returns whether that was possible; otherwise only the current
// folder is removed.
bool RestrictDllSearch();

// The main window's styles: visible, caption, system menu, thick frame (the
// caption bits go when the window is created); window edge.
constexpr DWORD kMainFrameStyle = 0x10CC0000;
constexpr DWORD kMainFrameExStyle = WS_EX_WINDOWEDGE;

// The whole run of the installer process, logged; returns the exit status
// (an ExitCode). `arguments` is the command line without the program name.
// Without `showMainFrame` everything but the install runs: neither the window
// nor a silent install (for tests of the start-up).
int RunInstaller(HINSTANCE instance, const std::wstring& arguments, StartupReport* report = nullptr,
                 bool showMainFrame = true);
// RunInstaller after the command line was read and checked, the log opened
// and the installer mutex taken.
ExitCode RunStartedInstaller(HINSTANCE instance, StartupReport& out, bool showMainFrame);
// What "/?" shows: the switches, the exit codes and the log file's path.
std::wstring HelpText(const std::wstring& version);

}  // namespace ZKInstaller
