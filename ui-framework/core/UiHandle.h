#pragma once
// RAII for Win32 and GDI objects. UiHandle<Traits> owns its handle and closes
// it with Traits::Close; Borrowed() views a handle that someone else closes.
// Release() hands ownership on (to the system or another owner) explicitly.
#include <windows.h>

#include <utility>

namespace Veneer {

template <typename Traits>
class UiHandle {
public:
    using Handle = typename Traits::Handle;

    UiHandle() = default;
    explicit UiHandle(Handle handle) : m_handle(handle) {}
    static UiHandle Borrowed(Handle handle) {
        UiHandle view(handle);
        view.m_owned = false;
        return view;
    }
    UiHandle(const UiHandle&) = delete;
    UiHandle& operator=(const UiHandle&) = delete;
    UiHandle(UiHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, Handle())), m_owned(other.m_owned) {}
    UiHandle& operator=(UiHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, Handle());
            m_owned = other.m_owned;
        }
        return *this;
    }
    ~UiHandle() { Reset(); }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle() && m_handle != Traits::Invalid(); }
    bool IsOwned() const { return m_owned; }
    Handle Release() {
        m_owned = true;
        return std::exchange(m_handle, Handle());
    }
    void Reset(Handle handle = Handle()) {
        if (m_owned && *this) Traits::Close(m_handle);
        m_handle = handle;
        m_owned = true;
    }

private:
    Handle m_handle = Handle();
    bool m_owned = true;
};

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::DeleteObject(handle); }
};
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::DeleteDC(handle); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::DestroyIcon(handle); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::FreeLibrary(handle); }
};

using UiBitmap = UiHandle<GdiObjectTraits<HBITMAP>>;
using UiFont = UiHandle<GdiObjectTraits<HFONT>>;
using UiBrush = UiHandle<GdiObjectTraits<HBRUSH>>;
using UiPen = UiHandle<GdiObjectTraits<HPEN>>;
using UiRegion = UiHandle<GdiObjectTraits<HRGN>>;
using UiKernelHandle = UiHandle<KernelHandleTraits>;
using UiMemoryDcHandle = UiHandle<MemoryDcTraits>;
using UiIcon = UiHandle<IconTraits>;
using UiModule = UiHandle<ModuleTraits>;

// The screen or a window's device context for a scope (GetDC / ReleaseDC).
class UiWindowDc {
public:
    explicit UiWindowDc(HWND hwnd = nullptr) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~UiWindowDc() {
        if (m_hdc) ::ReleaseDC(m_hwnd, m_hdc);
    }
    UiWindowDc(const UiWindowDc&) = delete;
    UiWindowDc& operator=(const UiWindowDc&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// BeginPaint / EndPaint for one WM_PAINT.
class UiPaintDc {
public:
    explicit UiPaintDc(HWND hwnd) : m_hwnd(hwnd), m_hdc(::BeginPaint(hwnd, &m_paint)) {}
    ~UiPaintDc() { ::EndPaint(m_hwnd, &m_paint); }
    UiPaintDc(const UiPaintDc&) = delete;
    UiPaintDc& operator=(const UiPaintDc&) = delete;
    HDC Get() const { return m_hdc; }
    const PAINTSTRUCT& Info() const { return m_paint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
    HDC m_hdc;
};

// A memory DC compatible with `reference`, holding `bitmap` selected until the
// scope ends (the previous bitmap is selected back before the DC is deleted).
class UiMemoryDc {
public:
    explicit UiMemoryDc(HDC reference) : m_dc(::CreateCompatibleDC(reference)) {}
    ~UiMemoryDc() { Select(nullptr); }
    UiMemoryDc(const UiMemoryDc&) = delete;
    UiMemoryDc& operator=(const UiMemoryDc&) = delete;

    HDC Get() const { return m_dc.Get(); }
    explicit operator bool() const { return static_cast<bool>(m_dc); }
    void Select(HBITMAP bitmap) {
        if (!m_dc) return;
        if (m_previous) {
            ::SelectObject(m_dc.Get(), m_previous);
            m_previous = nullptr;
        }
        if (bitmap) m_previous = static_cast<HBITMAP>(::SelectObject(m_dc.Get(), bitmap));
    }

private:
    UiMemoryDcHandle m_dc;
    HBITMAP m_previous = nullptr;
};

// Selects a GDI object into a DC for a scope.
class UiSelectObject {
public:
    UiSelectObject(HDC hdc, HGDIOBJ object) : m_hdc(hdc), m_previous(::SelectObject(hdc, object)) {}
    ~UiSelectObject() { ::SelectObject(m_hdc, m_previous); }
    UiSelectObject(const UiSelectObject&) = delete;
    UiSelectObject& operator=(const UiSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_previous;
};

// A 32-bit top-down DIB section of width x height pixels; `bits` receives its
// pixels (rows of width * 4 bytes, first row at the top). Null on failure.
inline HBITMAP CreateTopDownDib(HDC reference, int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (!bitmap) *bits = nullptr;
    return bitmap;
}

}  // namespace Veneer
