#pragma once
// Shared by the skin tests: a solid backdrop window behind the skinned
// windows, screen read-back of a window's area, PNG files and a tolerant
// image comparison.
#include <windows.h>

#include <string>
#include <vector>

namespace ZKSkinTest {

// Every pixel as 0x00RRGGBB, row by row from the top.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Magenta: no colour of the skin, so a pixel of it inside a window is a hole.
constexpr COLORREF kBackdrop = RGB(255, 0, 255);

// A borderless, solid-magenta window over most of the screen, never activated;
// the skinned windows under test are shown above it.
class Backdrop {
public:
    Backdrop();
    ~Backdrop();
    Backdrop(const Backdrop&) = delete;
    Backdrop& operator=(const Backdrop&) = delete;
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

// The screen pixels under `rect` (what layered windows compose to).
Shot CaptureScreen(const RECT& rect);
Shot CaptureWindow(HWND hwnd);

bool WritePng(const std::wstring& path, const Shot& shot);
// False when the file is missing or not an image.
bool ReadPng(const std::wstring& path, Shot& shot);

// Pixels of `actual` with a channel more than `channelTolerance` away from
// `expected`; every pixel when the sizes differ.
size_t CountDifferences(const Shot& expected, const Shot& actual, int channelTolerance);

// Points the framework at the skin archive of this program, once.
void UseSkinArchive();

// Folders with a trailing slash, named by the build.
std::wstring ScreenshotFolder();
std::wstring ReferenceFolder();
bool UpdateReferences();

}  // namespace ZKSkinTest
