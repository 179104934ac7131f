#include "core/CDpiScaler.h"

#include "core/UiHandle.h"
#include "core/UiSystemLibrary.h"

namespace Veneer {

namespace {
int g_processDpi = 96;
double g_processScale = 1.0;

// DPI values outside (0, 960] are refused: zero or less would divide by zero
// later (ScaleBack, the nine-part ratio) and 1000 % is beyond any display.
constexpr int kMaxDpi = 960;
bool IsUsableDpi(int dpi) { return dpi > 0 && dpi <= kMaxDpi; }

// Shcore is present from Windows 8.1 on; older systems only store the level.
bool IsWindows81OrLater() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = 6;
    info.dwMinorVersion = 3;
    info.wServicePackMajor = 0;
    DWORDLONG mask = 0;
    mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

template <typename Fn>
Fn ShcoreFunction(const char* name) {
    static HMODULE shcore = LoadSystemLibrary(L"Shcore.dll");
    return shcore ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(shcore, name))) : nullptr;
}

using GetAwarenessFn = HRESULT(WINAPI*)(HANDLE, int*);
using SetAwarenessFn = HRESULT(WINAPI*)(int);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
}  // namespace

CDpiScaler::CDpiScaler() { SetScale(96); }

void CDpiScaler::SetScale(int dpi) {
    if (!IsUsableDpi(dpi)) return;  // the previous scale stays
    m_scalePerMonitor = MulDiv(dpi, 100, 96);
    if (m_scaleSystem == 0) m_scaleSystem = m_scalePerMonitor;
}

int CDpiScaler::GetScale() const {
    switch (m_awareness) {
        case DpiAwareness::Unaware: return 100;
        case DpiAwareness::SystemAware: return m_scaleSystem;
        case DpiAwareness::PerMonitorAware: break;
    }
    return m_scalePerMonitor;
}

int CDpiScaler::GetDPI() const {
    if (m_awareness == DpiAwareness::Unaware) return 96;
    return MulDiv(GetScale(), 96, 100);
}

int MulDivRounded(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long product = static_cast<long long>(number) * numerator;
    if (denominator < 0) {
        product = -product;
        denominator = -denominator;
    }
    const long long half = denominator / 2;
    const long long result = (product >= 0 ? product + half : product - half) / denominator;
    return result > 2147483647LL || result < -2147483647LL ? -1 : static_cast<int>(result);
}

int CDpiScaler::Scale(int value) const {
    if (m_awareness == DpiAwareness::Unaware) return value;
    const int scale = GetScale();
    // Layout scales dozens of lengths per control: 100 % is the identity,
    // and the rest is computed here rather than through a call into the
    // system for each.
    return scale == 100 ? value : MulDivRounded(value, scale, 100);
}

SIZE CDpiScaler::Scale(SIZE size) const { return SIZE{Scale(size.cx), Scale(size.cy)}; }

POINT CDpiScaler::Scale(POINT point) const { return POINT{Scale(point.x), Scale(point.y)}; }

RECT CDpiScaler::Scale(const RECT& rect) const {
    const int width = Scale(rect.right - rect.left);
    const int height = Scale(rect.bottom - rect.top);
    RECT scaled;
    scaled.left = Scale(rect.left);
    scaled.top = Scale(rect.top);
    scaled.right = scaled.left + width;
    scaled.bottom = scaled.top + height;
    return scaled;
}

int CDpiScaler::ScaleBack(int value) const {
    if (m_awareness == DpiAwareness::Unaware) return value;
    const int scale = GetScale();
    return scale == 100 ? value : MulDivRounded(value, 100, scale);
}

RECT CDpiScaler::ScaleBack(const RECT& rect) const {
    const int width = ScaleBack(rect.right - rect.left);
    const int height = ScaleBack(rect.bottom - rect.top);
    RECT scaled;
    scaled.left = ScaleBack(rect.left);
    scaled.top = ScaleBack(rect.top);
    scaled.right = scaled.left + width;
    scaled.bottom = scaled.top + height;
    return scaled;
}

DpiAwareness CDpiScaler::GetDPIAwareness() {
    if (IsWindows81OrLater()) {
        if (auto get = ShcoreFunction<GetAwarenessFn>("GetProcessDpiAwareness")) {
            int level = 0;
            if (SUCCEEDED(get(nullptr, &level)) && level >= 0 && level <= 2) {
                m_awareness = static_cast<DpiAwareness>(level);
            }
        }
    }
    return m_awareness;
}

bool CDpiScaler::SetDPIAwareness(DpiAwareness level) {
    m_awareness = level;
    if (!IsWindows81OrLater()) return false;
    auto set = ShcoreFunction<SetAwarenessFn>("SetProcessDpiAwareness");
    return set && SUCCEEDED(set(static_cast<int>(level)));
}

int CDpiScaler::GetMonitorDPI(POINT point) {
    if (IsWindows81OrLater()) {
        if (auto get = ShcoreFunction<GetDpiForMonitorFn>("GetDpiForMonitor")) {
            HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
            UINT dpiX = 96, dpiY = 96;
            if (FAILED(get(monitor, 0 /* effective DPI */, &dpiX, &dpiY))) {
                MessageBoxW(nullptr, L"GetDpiForMonitor failed", L"Notification", MB_OK);
                return 96;
            }
            return static_cast<int>(dpiX);
        }
    }
    UiWindowDc screen(nullptr);
    return screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
}

void CDpiScaler::SetProcessDpi(int dpi) {
    if (!IsUsableDpi(dpi)) return;
    g_processDpi = dpi;
    g_processScale = MulDiv(dpi, 100, 96) / 100.0;
}

int CDpiScaler::GetProcessDpi() { return g_processDpi; }

int CDpiScaler::GetWindowDpi(HWND hwnd) {
    // Both from Windows 10 1607 on; user32 is loaded in every GUI process.
    using DpiForWindowFn = UINT(WINAPI*)(HWND);
    using DpiForSystemFn = UINT(WINAPI*)();
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const auto forWindow = reinterpret_cast<DpiForWindowFn>(
        reinterpret_cast<void*>(user32 ? ::GetProcAddress(user32, "GetDpiForWindow") : nullptr));
    const auto forSystem = reinterpret_cast<DpiForSystemFn>(
        reinterpret_cast<void*>(user32 ? ::GetProcAddress(user32, "GetDpiForSystem") : nullptr));
    if (hwnd && forWindow && forSystem) {
        const int window = static_cast<int>(forWindow(hwnd));
        if (IsUsableDpi(window) && window != static_cast<int>(forSystem())) return window;
    }
    return g_processDpi;
}

double CDpiScaler::GetProcessScale() { return g_processScale; }

}  // namespace Veneer
