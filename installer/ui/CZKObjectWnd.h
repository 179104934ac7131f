#pragma once
// Every window of the installer: a skinned window that knows its skin file
// and class name, centres itself by the installer's rule, routes timer
// messages to a hook, carries the event mixin and frees itself when its
// native window is gone.
#include <windows.h>

#include <functional>
#include <string>

#include "installer/ui/ZkBase.h"
#include "windows/WindowImplBase.h"

namespace ZKInstaller {

// Where a window of `size` goes (top-left, pixels): the centre of `bounds`
// when it is not empty (and then kept inside it, left and top winning); else
// the owner's horizontal span with the primary monitor's vertical span when
// the owner is shown; else the primary monitor. `offset` moves the centre.
POINT CenterPosition(SIZE size, const RECT& bounds, const RECT* shownOwner, const RECT& primary, POINT offset);

class CZKObjectWnd : public Veneer::WindowImplBase, public ZkBase {
public:
    CZKObjectWnd(const wchar_t* skinFile, const wchar_t* className);

    virtual void Center();
    void Center(const RECT& bounds, int offsetX, int offsetY);
    // A window that sets the program icon itself once its first frame is out
    // (loading the icon costs the first frame a few ms).
    virtual bool SetsIconAfterFirstFrame() const { return false; }

    // How many of the installer's boxes are open over `owner` now.
    static int OpenBoxes(HWND owner);

protected:
    // Counts a box over `owner` for as long as it lives. While any is open the
    // owner stays disabled and a close of the owner is held back: its boxes
    // run their loops on its stack, and a close dispatched by one of those
    // loops would free the owner under them. The held close follows once the
    // last box is gone.
    class BoxOverOwner {
    public:
        explicit BoxOverOwner(HWND owner);
        ~BoxOverOwner();
        BoxOverOwner(const BoxOverOwner&) = delete;
        BoxOverOwner& operator=(const BoxOverOwner&) = delete;

    private:
        HWND m_owner;
    };

    LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    const wchar_t* GetWindowClassName() const override { return m_className.c_str(); }
    const wchar_t* GetSkinFile() const override { return m_skinFile.c_str(); }
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // Launched windows are allocated for one use: they go with their window.
    void OnFinalMessage(HWND hwnd) override;
    // Timer messages, before the paint manager sees them.
    virtual LRESULT OnTimerHook(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

private:
    const std::wstring m_skinFile;
    const std::wstring m_className;
    bool m_closeHeld = false;  // a close arrived while a box was open
};

// Posted to an owner when its last box is gone.
constexpr UINT kBoxesGoneMessage = WM_APP + 30;

// The program's icon resource.
constexpr UINT kProgramIconId = 101;

// Creates a T owned by `ownerWindow`, centres it and shows it: modally (null
// is returned when the loop ends; the window is gone) or not (the window, or
// null when it could not be created).
template <typename T>
T* ShowSkinWindow(HWND ownerWindow, ZkBase* ownerObject, bool modal, const wchar_t* title,
                  std::function<void()> onDestroyed, std::function<void(int)> onResult, DWORD style, DWORD exStyle,
                  bool show, int setting) {
    auto* window = new T;
    window->SetOnDestroyed(std::move(onDestroyed));
    window->SetResultCallback(std::move(onResult));
    window->SetSetting(setting);
    if (!window->Create(ownerWindow, title, style, exStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT)) {
        delete window;  // no native window: no final message would free it
        return nullptr;
    }
    if (!window->SetsIconAfterFirstFrame()) window->SetIcon(kProgramIconId);
    window->SetOwner(ownerObject);
    window->Center();
    if (modal) {
        // The window base's loop: a window class may have a ShowModal of its own.
        static_cast<Veneer::CWindowWnd*>(window)->ShowModal();
        return nullptr;
    }
    window->ShowWindow(show, show);
    return window;
}

// Points the framework at the skin archive in the program's resources
// ("ZKZIP_RES" 113), held in memory for the whole run.
void SetupSkinStorage();

}  // namespace ZKInstaller
