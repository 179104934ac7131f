#pragma once
// Loads a DLL of the operating system from the system folder only. The program
// runs elevated, often from a downloads folder where a DLL of the same name may
// have been planted; the default search order would find that one first.
#include <windows.h>

namespace Veneer {

// The module, or null. Never unloaded: callers keep function pointers for the
// life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace Veneer
