// Drives one quick install for the demo when nobody is at the display: starts
// the installer, clicks through page 0 with real input, captures the screen
// under the window of every page it passes into "<folder>\\<name>.bmp" and
// prints "shot <name>", then the package's record and the installer's exit
// status.
//
//     zk_demo_driver.exe <installer.exe> <folder>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "installer/engine/ControlFile.h"
#include "installer/engine/InstallOptions.h"

using namespace ZKInstaller;

namespace {

constexpr POINT kInstallButton{350, 286};  // page 0 "installBtn", window pixels at 100 %

std::wstring DataFile(const wchar_t* name) { return std::wstring(DataFolderPath().GetData()) + L"\\" + name; }

HWND WaitForFrame(DWORD processId, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"zkmainframe", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found, &pid);
            if (pid == processId && IsWindowVisible(found)) return found;
        }
        Sleep(50);
    }
    return nullptr;
}

std::wstring g_shotFolder;

// The screen's pixels under `window`, as the user sees them, into a 32-bit BMP.
bool Capture(HWND window, const std::wstring& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        SelectObject(memory, old);
        const DWORD bytes = static_cast<DWORD>(width) * height * 4;
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
        file.bfSize = file.bfOffBits + bytes;
        HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            saved = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
                    WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
                    WriteFile(out, bits, bytes, &written, nullptr);
            CloseHandle(out);
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

void Shot(HWND window, const char* name) {
    const std::wstring wide(name, name + strlen(name));
    if (Capture(window, g_shotFolder + L"\\" + wide + L".bmp")) std::printf("shot %s\n", name);
    std::fflush(stdout);
}

void Click(HWND window, POINT client) {
    const UINT dpi = 96;  // the demo display's
    RECT rect{};
    GetWindowRect(window, &rect);
    SetCursorPos(rect.left + MulDiv(client.x, dpi, 96), rect.top + MulDiv(client.y, dpi, 96));
    Sleep(100);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Recorded(const wchar_t* key) {
    wchar_t value[1024]{};
    GetPrivateProfileStringW(L"Received", key, L"", value, 1024, DataFile(L"package-record.ini").c_str());
    return value;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: zk_demo_driver <installer.exe> <folder>\n");
        return 2;
    }
    g_shotFolder = argv[2];
    DeleteFileW(DataFile(L"package-record.ini").c_str());
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("demo: the installer could not be started (error %lu)\n", GetLastError());
        return 2;
    }
    std::printf("step the installer shows page 0, the agreement and quick install\n");
    HWND frame = WaitForFrame(process.dwProcessId, 20000);
    if (frame) {
        Sleep(500);  // its first frame
        Shot(frame, "page0-agreement");
        std::printf("step clicking the install button\n");
        std::fflush(stdout);
        Click(frame, kInstallButton);
        Sleep(1500);  // half-way through the download at the demo's rate
        Shot(frame, "page2-progress");
        std::printf("step waiting for the package to report completion\n");
        std::fflush(stdout);
        // The finished page shows the moment the package writes "active" = "1";
        // the window closes 3 s later.
        const UiString control = ControlFilePath(DataFolderPath());
        for (int i = 0; i < 1200 && ReadControlValue(control, kActiveKey) != L"1"; ++i) Sleep(50);
        Sleep(400);
        if (IsWindow(frame)) Shot(frame, "page3-finished");
    } else {
        std::printf("step no installer window appeared\n");
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("record folder %s\n", Narrow(Recorded(L"instdir")).c_str());
    std::printf("record shortcut %s\n", Narrow(Recorded(L"dsc")).c_str());
    std::printf("exit %lu\n", code);
    return code == 0 ? 0 : 1;
}
