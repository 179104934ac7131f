// An executable that imports, the ordinary way, the DLLs the installer used to
// import before its first instruction: the import check must refuse it.
#include <windows.h>
#include <urlmon.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    DWORD ignored = 0;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    return static_cast<int>(GetFileVersionInfoSizeW(L"x", &ignored)) +
           static_cast<int>(URLDownloadToFileW(nullptr, L"", L"", 0, nullptr));
}
