#pragma once
// The records and listener interfaces that connect a window's paint manager,
// its controls and the code that owns the window: input events given to
// controls, notifications raised by them, and the filters, accelerators and
// shadow a window may register.
#include <windows.h>

#include "core/UiString.h"

namespace Veneer {

class CControlUI;
class CPaintManagerUI;

// Kinds of TUiEvent. The values 1, 2, 7, 8, 22 and 28 only bound ranges and are
// never sent.
enum class UiEventKind : int {
    UIEVT_FIRST = 1,
    UIEVT_KEYBEGIN = 2,
    UIEVT_KEYDOWN = 3,
    UIEVT_KEYUP = 4,
    UIEVT_CHAR = 5,
    UIEVT_SYSKEY = 6,
    UIEVT_KEYEND = 7,
    UIEVT_MOUSEBEGIN = 8,
    UIEVT_MOUSEMOVE = 9,
    UIEVT_MOUSELEAVE = 10,
    UIEVT_MOUSEENTER = 11,
    UIEVT_MOUSEHOVER = 12,
    UIEVT_BUTTONDOWN = 13,
    UIEVT_BUTTONUP = 14,
    UIEVT_RBUTTONDOWN = 15,
    UIEVT_RBUTTONUP = 16,
    UIEVT_MBUTTONDOWN = 17,
    UIEVT_MBUTTONUP = 18,
    UIEVT_DBLCLICK = 19,
    UIEVT_CONTEXTMENU = 20,
    UIEVT_SCROLLWHEEL = 21,
    UIEVT_MOUSEEND = 22,
    UIEVT_KILLFOCUS = 23,
    UIEVT_SETFOCUS = 24,
    UIEVT_WINDOWSIZE = 25,
    UIEVT_SETCURSOR = 26,
    UIEVT_TIMER = 27,
    UIEVT_LAST = 28,
};

// A mouse kind lies strictly between the two mouse bounds.
constexpr bool IsMouseEventKind(UiEventKind kind) {
    return kind > UiEventKind::UIEVT_MOUSEBEGIN && kind < UiEventKind::UIEVT_MOUSEEND;
}

// TUiEvent::keyState bits, each from the high bit of the key's current state.
constexpr WORD kKeyStateLButton = 0x01;
constexpr WORD kKeyStateRButton = 0x02;
constexpr WORD kKeyStateShift = 0x04;
constexpr WORD kKeyStateControl = 0x08;
constexpr WORD kKeyStateAlt = 0x20;

// The key state bits of the calling thread's current keyboard state.
WORD MapKeyState();

// The input record given to a control.
struct TUiEvent {
    UiEventKind kind = UiEventKind::UIEVT_FIRST;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;  // tick count, ms
    POINT mouse{};        // client coordinates
    wchar_t keyChar = 0;  // low 16 bits of wParam for mouse and key messages
    WORD keyState = 0;    // kKeyState* bits
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// The notification record sent to listeners.
struct TUiNotify {
    UiString type;        // lower-case type word, e.g. "click", "windowinit"
    UiString virtualWnd;  // filled when some control declared a virtual window
    CControlUI* sender = nullptr;  // may be null (a sender reaped before delivery)
    DWORD timestamp = 0;  // tick count, ms
    POINT mouse{};        // client coordinates
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TUiNotify& msg) = 0;
};

class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    // Sets `handled` to end the message's processing with the returned result.
    virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

class ITranslateAccelerator {
public:
    virtual ~ITranslateAccelerator() = default;
    // S_OK consumes the message.
    virtual LRESULT TranslateAccelerator(MSG* msg) = 0;
};

// The drop-shadow window of a paint manager's window. The shadow itself is
// built separately; the manager creates it when the tree is attached and
// renders it after the first layout.
class IWindowShadow {
public:
    virtual ~IWindowShadow() = default;
    virtual bool IsShowShadow() const = 0;
    virtual void Create(CPaintManagerUI* manager) = 0;
    virtual void Render() = 0;
    // The framework's own shadow, which the skin's Window settings shape
    // (the build runs without run-time type information).
    virtual bool IsSkinShadow() const { return false; }
};

}  // namespace Veneer
