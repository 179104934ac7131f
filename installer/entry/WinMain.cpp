#include <windows.h>

#include "installer/entry/CommandLine.h"
#include "installer/entry/Startup.h"

// The narrow command line is the ANSI code page's rendering: a folder such as
// D:\软件 would not survive it. The wide one is read instead.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return ZKInstaller::RunInstaller(instance, ZKInstaller::SkipProgramName(GetCommandLineW()));
}
