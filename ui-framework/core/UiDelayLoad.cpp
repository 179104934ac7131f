#include "core/UiDelayLoad.h"

#include <windows.h>
#include <delayimp.h>

#include <atomic>
#include <string>

#include "core/UiSystemLibrary.h"

namespace Veneer {

namespace {
std::atomic<unsigned> g_loadsThroughHook{0};

FARPROC WINAPI SystemFolderDelayLoadHook(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    // The import table names the DLL in ASCII.
    const std::string narrow(info->szDll);
    const std::wstring name(narrow.begin(), narrow.end());
    const HMODULE module = LoadSystemLibrary(name.c_str());
    if (module) ++g_loadsThroughHook;
    // Null leaves the load to the helper, whose default search the start-up
    // has already restricted to the system folder.
    return reinterpret_cast<FARPROC>(module);
}
}  // namespace

#if defined(_MSC_VER)
// MSVC's helper reads a constant hook fixed at link time.
extern "C" const PfnDliHook __pfnDliNotifyHook2 = SystemFolderDelayLoadHook;
void InstallSystemDelayLoadHook() {}
#else
// mingw-w64's helper reads a variable, set before the first delay load.
void InstallSystemDelayLoadHook() { __pfnDliNotifyHook2 = SystemFolderDelayLoadHook; }
#endif

unsigned DelayLoadsThroughHook() { return g_loadsThroughHook.load(); }

}  // namespace Veneer
