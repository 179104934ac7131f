// A window whose skin does not exist: the window base shows its box and ends
// the process with status 1 (read by the window-base tests).
#include <windows.h>

#include "windows/WindowImplBase.h"

namespace {
class MissingSkinWindow : public Veneer::WindowImplBase {
protected:
    const wchar_t* GetWindowClassName() const override { return L"VeneerMissingSkin"; }
    const wchar_t* GetSkinFile() const override { return L"missing-skin.xml"; }
};
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Veneer::CPaintManagerUI::SetInstance(instance);
    MissingSkinWindow window;
    window.Create(nullptr, L"probe", WS_POPUP, 0, 0, 0, 100, 100);
    return 0;  // not reached: the failure ends the process
}
