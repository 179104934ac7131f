#include <windows.h>

#include "installer/entry/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return ZKInstaller::RunInstaller(instance, commandLine);
}
