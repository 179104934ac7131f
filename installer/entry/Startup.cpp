#include "installer/entry/Startup.h"

#include <objbase.h>
// GDI+ needs min/max and the COM declarations in scope.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include "ZKCore/ZKString.h"
#include "ZKCore/ZKSystem.h"
#include "core/CDpiScaler.h"
#include "installer/ui/CWndShadow.h"
#include "installer/ui/CZKObjectWnd.h"
#include "installer/ui/ZKMainFrame.h"
#include "manager/CPaintManagerUI.h"

namespace ZKInstaller {

namespace {
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
}  // namespace

bool RestrictDllSearch() {
    // Windows 8 and later, and Windows 7 with the loader update, have it; an
    // import would keep the installer from starting on a Windows 7 without.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDirectories =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryW(L"");
    return false;
}

int RunInstaller(HINSTANCE instance, const char* commandLine, StartupReport* report, bool showMainFrame) {
    StartupReport local;
    StartupReport& out = report ? *report : local;

    // 0. Before anything can load a DLL: the installer runs elevated, usually
    //    from a downloads folder where anything may lie beside it.
    out.dllSearchRestricted = RestrictDllSearch();

    // 1. Command line: UTF-8 to UTF-16, words, switches (kept, not acted on).
    out.switches = ScanCommandLine(SplitCommandLine(ZKCore::Utf8ToWide(commandLine ? commandLine : "")));

    // 2. COM on this thread as a single-threaded apartment.
    if (FAILED(CoInitialize(nullptr))) return 0;
    out.comInitialized = true;

    // 3. GDI+; its status is not tested, drawing that needs it fails later.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    out.gdiplusStarted = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;

    // 4. The framework takes its resources and window classes from this module.
    Veneer::CPaintManagerUI::SetInstance(instance);

    // 5. The screen DPI becomes the process-wide scale.
    out.screenDpi = ZKCore::GetScreenDpi();
    Veneer::CDpiScaler::SetProcessDpi(out.screenDpi);

    // 6. The skin comes from the archive in this executable's resources.
    SetupSkinStorage();

    // 7. The drop shadow's window class.
    CWndShadow::Initialize(instance);

    // 8. The main window, modally; it frees itself when it is closed.
    if (showMainFrame) {
        ShowSkinWindow<ZKMainFrame>(nullptr, nullptr, true, L"Scrivla", nullptr, nullptr, kMainFrameStyle,
                                    kMainFrameExStyle, true, 0);
    }

    // 9. Shut down in reverse order.
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return 0;
}

}  // namespace ZKInstaller
