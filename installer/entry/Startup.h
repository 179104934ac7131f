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
};

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
// (an ExitCode). Without `showMainFrame` everything but the install runs:
// neither the window nor a silent install (for tests of the start-up).
int RunInstaller(HINSTANCE instance, const char* commandLine, StartupReport* report = nullptr,
                 bool showMainFrame = true);
// RunInstaller after the command line was read and the log opened.
ExitCode RunStartedInstaller(HINSTANCE instance, StartupReport& out, const std::wstring& version,
                             bool showMainFrame);
// What "/?" shows: the switches, the exit codes and the log file's path.
std::wstring HelpText(const std::wstring& version);

}  // namespace ZKInstaller
