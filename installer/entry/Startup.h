#pragma once
// The installer's start-up and shut-down around the main window's modal loop.
#include <windows.h>

#include <string>

#include "installer/entry/CommandLine.h"

namespace ZKInstaller {

// What a run of the start-up did, for callers that want to look.
struct StartupReport {
    bool comInitialized = false;
    bool gdiplusStarted = false;
    int screenDpi = 0;
    CommandLineSwitches switches;
};

// The whole run of the installer process; returns the exit status.
int RunInstaller(HINSTANCE instance, const char* commandLine, StartupReport* report = nullptr);

}  // namespace ZKInstaller
