#include "installer/ui/tests/SkinShotSupport.h"

#include <cstdlib>

#include "core/UiHandle.h"
#include "installer/ui/CZKObjectWnd.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>

namespace ZKSkinTest {

namespace {

LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::wstring Widen(const char* text) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length - 1 : 0), L'\0');
    if (length > 1) ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    return wide;
}

}  // namespace

Backdrop::Backdrop() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = BackdropProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::CreateSolidBrush(kBackdrop);  // lives as long as the class
        wc.lpszClassName = L"ZKSkinTestBackdrop";
        ::RegisterClassW(&wc);
        registered = true;
    }
    m_hwnd = ::CreateWindowExW(WS_EX_NOACTIVATE, L"ZKSkinTestBackdrop", L"backdrop", WS_POPUP | WS_VISIBLE, 0, 0,
                               1600, 1000, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::UpdateWindow(m_hwnd);
}

Backdrop::~Backdrop() {
    if (::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
}

Shot CaptureScreen(const RECT& rect) {
    Shot shot;
    shot.width = rect.right - rect.left;
    shot.height = rect.bottom - rect.top;
    if (shot.width <= 0 || shot.height <= 0) return Shot{};
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
    Veneer::UiWindowDc screen(nullptr);
    Veneer::UiMemoryDc memory(screen.Get());
    void* bits = nullptr;
    Veneer::UiBitmap bitmap(Veneer::CreateTopDownDib(screen.Get(), shot.width, shot.height, &bits));
    if (!memory || !bitmap) return Shot{};
    memory.Select(bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, shot.width, shot.height, screen.Get(), rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    const auto* source = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = source[i] & 0x00FFFFFFu;
    memory.Select(nullptr);
    return shot;
}

Shot CaptureWindow(HWND hwnd) {
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    return CaptureScreen(rect);
}

bool WritePng(const std::wstring& path, const Shot& shot) {
    std::vector<unsigned char> rgb(shot.pixels.size() * 3);
    for (size_t i = 0; i < shot.pixels.size(); ++i) {
        rgb[i * 3] = static_cast<unsigned char>(shot.pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(shot.pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(shot.pixels[i]);
    }
    std::vector<unsigned char> png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* bytes = static_cast<std::vector<unsigned char>*>(context);
            bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
        },
        &png, shot.width, shot.height, 3, rgb.data(), shot.width * 3);
    Veneer::UiKernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return !png.empty() && ::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
           written == png.size();
}

bool ReadPng(const std::wstring& path, Shot& shot) {
    Veneer::UiKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    std::vector<unsigned char> bytes(::GetFileSize(file.Get(), nullptr));
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size() || bytes.empty()) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 3);
    if (!rgb) return false;
    shot.width = width;
    shot.height = height;
    shot.pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < shot.pixels.size(); ++i) {
        shot.pixels[i] = (DWORD{rgb[i * 3]} << 16) | (DWORD{rgb[i * 3 + 1]} << 8) | rgb[i * 3 + 2];
    }
    stbi_image_free(rgb);
    return true;
}

size_t CountDifferences(const Shot& expected, const Shot& actual, int channelTolerance) {
    if (expected.width != actual.width || expected.height != actual.height) return actual.pixels.size() + 1;
    size_t count = 0;
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        for (int shift = 0; shift <= 16; shift += 8) {
            const int a = static_cast<int>((expected.pixels[i] >> shift) & 0xFF);
            const int b = static_cast<int>((actual.pixels[i] >> shift) & 0xFF);
            if (std::abs(a - b) > channelTolerance) {
                ++count;
                break;
            }
        }
    }
    return count;
}

std::wstring ScreenshotFolder() {
    const std::wstring folder = Widen(ZK_SCREENSHOT_DIR);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void UseSkinArchive() {
    static const bool kDone = (ZKInstaller::SetupSkinStorage(), true);
    (void)kDone;
}

std::wstring ReferenceFolder() { return Widen(ZK_REFERENCE_DIR); }

bool UpdateReferences() {
    const char* value = std::getenv("ZK_UPDATE_REFERENCES");
    return value && value[0] == '1';
}

}  // namespace ZKSkinTest
