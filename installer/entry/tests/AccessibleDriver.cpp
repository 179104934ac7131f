// Drives the installer's main window the way a screen reader does, from a
// process of its own: the window's MSAA object, its children's names and
// roles, and their default actions. Built for the end-to-end tests only.
//
//   zk_accessible_driver <pid> press <name>         the default action of the
//                                                   push button named <name>
//   zk_accessible_driver <pid> wait-role <role> <ms> until a child of MSAA
//                                                   role <role> (decimal) shows
//
// Exit codes: 0 done, 1 bad arguments, 2 no main window, 3 no accessible
// object, 4 no such child (in time), 5 the action was refused.
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

enum class DriverExit : int { Done = 0, Usage = 1, NoWindow = 2, NoObject = 3, NotFound = 4, Refused = 5 };

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t className[64]{};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    GetClassNameW(window, className, 64);
    if (pid == search->pid && IsWindowVisible(window) && std::wcscmp(className, L"zkmainframe") == 0) {
        search->found = window;
    }
    return search->found == nullptr;
}

VARIANT Child(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

// The first child with `role` (and, when given, `name`); 0 when none.
long FindChild(IAccessible* object, long role, const wchar_t* name) {
    long count = 0;
    if (FAILED(object->get_accChildCount(&count))) return 0;
    for (long id = 1; id <= count; ++id) {
        VARIANT childRole{};
        if (FAILED(object->get_accRole(Child(id), &childRole)) || childRole.vt != VT_I4 || childRole.lVal != role) {
            continue;
        }
        if (!name) return id;
        BSTR childName = nullptr;
        const bool same = SUCCEEDED(object->get_accName(Child(id), &childName)) && childName &&
                          std::wcscmp(childName, name) == 0;
        SysFreeString(childName);
        if (same) return id;
    }
    return 0;
}

DriverExit Run(DWORD pid, const std::wstring& command, int argc, wchar_t** argv) {
    Search search{pid, nullptr};
    for (int tries = 0; tries < 100 && !search.found; ++tries) {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    if (!search.found) return DriverExit::NoWindow;
    const bool press = command == L"press" && argc == 4;
    const bool wait = command == L"wait-role" && argc == 5;
    if (!press && !wait) return DriverExit::Usage;
    const long role = press ? ROLE_SYSTEM_PUSHBUTTON : _wtol(argv[3]);
    const DWORD timeoutMs = wait ? static_cast<DWORD>(_wtol(argv[4])) : 0;
    const DWORD start = GetTickCount();
    for (;;) {
        // A fresh object each time, as a reader asks again after a change.
        IAccessible* object = nullptr;
        if (FAILED(AccessibleObjectFromWindow(search.found, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&object))) ||
            !object) {
            return DriverExit::NoObject;
        }
        const long id = FindChild(object, role, press ? argv[3] : nullptr);
        DriverExit result = id ? DriverExit::Done : DriverExit::NotFound;
        if (id && press) result = SUCCEEDED(object->accDoDefaultAction(Child(id))) ? DriverExit::Done : DriverExit::Refused;
        object->Release();
        if (result != DriverExit::NotFound || GetTickCount() - start >= timeoutMs) return result;
        Sleep(50);
    }
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 4) return static_cast<int>(DriverExit::Usage);
    if (FAILED(CoInitialize(nullptr))) return static_cast<int>(DriverExit::NoObject);
    const DriverExit result = Run(static_cast<DWORD>(_wtol(argv[1])), argv[2], argc, argv);
    CoUninitialize();
    LocalFree(argv);
    return static_cast<int>(result);
}
