#pragma once
// A plain Win32 top-level window that forwards every message to its paint
// manager, real input through the system's input queue (SetCursorPos,
// SendInput), message pumping and pixel read-back.
#include <windows.h>

#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"

namespace VeneerTest {

using namespace Veneer;

// Without a window manager on the test display, Wine's X11 driver waits two
// seconds for every hidden or destroyed window it believes managed. Telling it
// to manage no windows (read once, when the driver loads) keeps window tests
// fast; it changes nothing the tests look at.
inline bool UseUnmanagedWindows() {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const wchar_t value[] = L"N";
    ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value));
    ::RegCloseKey(key);
    return true;
}
inline const bool kUnmanagedWindows = UseUnmanagedWindows();

// Pumps the calling thread's queue for `ms` milliseconds, offering every
// message to the paint managers' pre-translation first.
inline void Pump(DWORD ms = 50) {
    const DWORD end = ::GetTickCount() + ms;
    MSG msg;
    for (;;) {
        // Bounded by the deadline too: fast timers can keep the queue full.
        while (static_cast<LONG>(end - ::GetTickCount()) > 0 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (CPaintManagerUI::TranslateMessage(&msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const LONG left = static_cast<LONG>(end - ::GetTickCount());
        if (left <= 0) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 10 ? left : 10), QS_ALLINPUT);
    }
}

// Pumps until `done()` holds or `ms` pass; returns done().
template <typename Done>
bool PumpUntil(Done done, DWORD ms = 2000) {
    const DWORD end = ::GetTickCount() + ms;
    while (!done() && static_cast<LONG>(end - ::GetTickCount()) > 0) Pump(10);
    return done();
}

class TestWindow {
public:
    explicit TestWindow(RECT rect, DWORD style = WS_POPUP | WS_VISIBLE, DWORD exStyle = 0,
                        HWND parent = nullptr) {
        Register();
        m_hwnd = ::CreateWindowExW(exStyle, L"VeneerTestWindow", L"Veneer test", style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                   ::GetModuleHandleW(nullptr), this);
        manager.Init(m_hwnd, L"test");
        if ((style & WS_CHILD) == 0) ::SetForegroundWindow(m_hwnd);
    }
    ~TestWindow() {
        if (::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }

    // Paints what is pending now (WM_PAINT through the manager).
    void Paint() {
        ::UpdateWindow(m_hwnd);
        Pump(20);
        ::UpdateWindow(m_hwnd);
    }

    POINT ToScreen(POINT client) const {
        ::ClientToScreen(m_hwnd, &client);
        return client;
    }

    CPaintManagerUI manager;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        return GuardWindowProc(hwnd, msg, wParam, lParam, [&]() -> LRESULT {
            auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            LRESULT result = 0;
            if (self && self->manager.GetPaintWindow() == hwnd &&
                self->manager.MessageHandler(msg, wParam, lParam, result)) {
                return result;
            }
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        });
    }
    static void Register() {
        static bool registered = false;
        if (registered) return;
        WNDCLASSW wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"VeneerTestWindow";
        ::RegisterClassW(&wc);
        registered = true;
    }

    HWND m_hwnd = nullptr;
};

// ---- real input ----

inline void MoveMouse(const TestWindow& window, POINT client, DWORD pumpMs = 40) {
    const POINT screen = window.ToScreen(client);
    ::SetCursorPos(screen.x, screen.y);
    Pump(pumpMs);
}

inline void MoveMouseToScreen(POINT screen, DWORD pumpMs = 40) {
    ::SetCursorPos(screen.x, screen.y);
    Pump(pumpMs);
}

inline void MouseButton(DWORD flags, DWORD data = 0, DWORD pumpMs = 40) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    ::SendInput(1, &input, sizeof(input));
    Pump(pumpMs);
}

inline void Key(WORD vk, bool up, DWORD pumpMs = 30) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof(input));
    Pump(pumpMs);
}

inline void Tap(WORD vk) {
    Key(vk, false, 10);
    Key(vk, true);
}

// ---- pixels ----

// The pixel of the window's client area as the window shows it.
inline COLORREF WindowPixel(HWND hwnd, int x, int y) {
    HDC dc = ::GetDC(hwnd);
    const COLORREF color = ::GetPixel(dc, x, y);
    ::ReleaseDC(hwnd, dc);
    return color;
}

// The pixel of the screen (what a layered window composes to).
inline COLORREF ScreenPixel(int x, int y) {
    HDC dc = ::GetDC(nullptr);
    const COLORREF color = ::GetPixel(dc, x, y);
    ::ReleaseDC(nullptr, dc);
    return color;
}

// ---- recording controls ----

struct EventRecord {
    std::wstring control;
    UiEventKind kind;
    WPARAM wParam;
    POINT mouse;
    CControlUI* sender;
};

class EventLog {
public:
    std::vector<EventRecord> records;
    void Clear() { records.clear(); }
    // "name:kind" for the kinds in `filter` (all when empty), in order.
    std::vector<std::wstring> Sequence(std::vector<UiEventKind> filter = {}) const {
        std::vector<std::wstring> out;
        for (const auto& record : records) {
            bool wanted = filter.empty();
            for (UiEventKind kind : filter) wanted = wanted || kind == record.kind;
            if (wanted) out.push_back(record.control + L":" + std::to_wstring(static_cast<int>(record.kind)));
        }
        return out;
    }
    int Count(const std::wstring& control, UiEventKind kind) const {
        int n = 0;
        for (const auto& record : records) n += record.control == control && record.kind == kind;
        return n;
    }
};

inline std::wstring Ev(const wchar_t* control, UiEventKind kind) {
    return std::wstring(control) + L":" + std::to_wstring(static_cast<int>(kind));
}

// A control that logs every event it is given, then behaves as the base.
class RecordingControl : public CControlUI {
public:
    RecordingControl(EventLog* log, const wchar_t* name, RECT pos, DWORD color = 0) : m_log(log) {
        SetName(name);
        SetFloat(true);
        SetFixedXY(SIZE{pos.left, pos.top});
        SetFixedWidth(pos.right - pos.left);
        SetFixedHeight(pos.bottom - pos.top);
        SetBkColor(color);
    }
    void DoEvent(TUiEvent& event) override {
        if (m_log) m_log->records.push_back({GetName().GetData(), event.kind, event.wParam, event.mouse, event.sender});
        CControlUI::DoEvent(event);
    }

private:
    EventLog* m_log;
};

// Records every notification it hears.
struct NotifyRecord {
    std::wstring type;
    CControlUI* sender;
    WPARAM wParam;
    LPARAM lParam;
};

class RecordingNotifier : public INotifyUI {
public:
    std::vector<NotifyRecord> records;
    void Notify(TUiNotify& msg) override { records.push_back({msg.type.GetData(), msg.sender, msg.wParam, msg.lParam}); }
    int Count(const wchar_t* type) const {
        int n = 0;
        for (const auto& record : records) n += record.type == type;
        return n;
    }
};

}  // namespace VeneerTest

namespace VeneerTest {

// Writes a 32-bit bottom-up BMP whose pixel (x, y) is pixel(x, y) as
// 0xAARRGGBB (straight alpha). Returns false when the file cannot be written.
template <typename PixelFn>
bool WriteBmp32(const std::wstring& path, int width, int height, PixelFn pixel) {
    const DWORD imageBytes = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + imageBytes;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    info.biSizeImage = imageBytes;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(height - 1 - y) * width + x] = pixel(x, y);
    }
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(handle, &file, sizeof(file), &written, nullptr) &&
              ::WriteFile(handle, &info, sizeof(info), &written, nullptr) &&
              ::WriteFile(handle, pixels.data(), imageBytes, &written, nullptr);
    ::CloseHandle(handle);
    return ok;
}

// A fresh folder under the temporary folder, with a trailing "\".
inline std::wstring MakeTempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

}  // namespace VeneerTest
