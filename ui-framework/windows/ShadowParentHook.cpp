#include "windows/ShadowParentHook.h"

#include <map>

#include "manager/CPaintManagerUI.h"

namespace Veneer {

namespace {

struct Subclass {
    IShadowParentHook* hook;  // null once unhooked while the window lives on
    WNDPROC previous;
};

std::map<HWND, Subclass>& Subclasses() {
    static std::map<HWND, Subclass> subclasses;
    return subclasses;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& subclasses = Subclasses();
    auto entry = subclasses.find(hwnd);
    if (entry == subclasses.end()) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    const Subclass subclass = entry->second;
    if (msg == WM_NCDESTROY) {
        subclasses.erase(entry);
        if (subclass.hook) subclass.hook->OnParentGone();
    } else if (subclass.hook && !subclass.hook->IsPassingThrough()) {
        GuardWindowProc(hwnd, msg, wParam, lParam, [&]() -> LRESULT {
            subclass.hook->OnParentMessage(hwnd, msg, wParam, lParam);
            return 0;
        });
    }
    return subclass.previous ? ::CallWindowProcW(subclass.previous, hwnd, msg, wParam, lParam)
                             : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

bool HookShadowParent(HWND parent, IShadowParentHook* hook) {
    auto& subclasses = Subclasses();
    if (!hook || !::IsWindow(parent) || subclasses.count(parent) != 0) return false;
    subclasses[parent] = Subclass{hook, nullptr};
    subclasses[parent].previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProc)));
    return true;
}

void UnhookShadowParent(HWND parent, IShadowParentHook* hook) {
    auto& subclasses = Subclasses();
    auto entry = subclasses.find(parent);
    if (entry == subclasses.end() || entry->second.hook != hook) return;
    if (::IsWindow(parent) && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(parent, GWLP_WNDPROC)) == &ParentProc) {
        ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->second.previous));
        subclasses.erase(entry);
    } else {
        entry->second.hook = nullptr;
    }
}

}  // namespace Veneer
