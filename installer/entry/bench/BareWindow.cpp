// The floors of the start-up and memory figures.
//
// Without arguments: the least a Win32 program does to put a 700x420 window
// on screen, one class, one window, one solid WM_PAINT.
//
// With --platform=<url>: after its first paint the same window asks of the
// system what an install asks, and nothing of the installer's own work: it
// joins COM, starts GDI+ and draws a line of Chinese text with it, finds
// Program Files, downloads <url> with URLDownloadToFile, hashes the file with
// CryptoAPI, has WinVerifyTrust check it, and closes. Its peak working set is
// what the platform alone costs a whole install.
#include <windows.h>
#include <gdiplus.h>
#include <shlobj.h>
#include <softpub.h>
#include <urlmon.h>
#include <wintrust.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {
constexpr COLORREF kFill = RGB(40, 160, 90);
constexpr UINT kPlatformMessage = WM_APP + 1;
std::wstring g_platformUrl;  // empty: the plain floor

void HashAndVerify(const std::wstring& file) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            std::vector<BYTE> piece(64 * 1024);
            DWORD read = 0;
            while (ReadFile(handle, piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr) && read > 0)
                CryptHashData(hash, piece.data(), read, 0);
            CloseHandle(handle);
        }
    }
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);

    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = file.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

void AskWhatAnInstallAsks(HWND window) {
    CoInitialize(nullptr);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (HDC dc = GetDC(window)) {
        {
            Gdiplus::Graphics graphics(dc);
            Gdiplus::FontFamily family(L"微软雅黑");
            Gdiplus::Font font(&family, 14.0f);
            Gdiplus::SolidBrush brush(Gdiplus::Color(255, 255, 255, 255));
            graphics.DrawString(L"正在安装，请稍候", -1, &font, Gdiplus::PointF(20.0f, 20.0f), &brush);
        }
        ReleaseDC(window, dc);
    }
    wchar_t programFiles[MAX_PATH]{};
    SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE);
    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"zk-platform-floor.bin";
    if (SUCCEEDED(URLDownloadToFileW(nullptr, g_platformUrl.c_str(), file.c_str(), 0, nullptr))) HashAndVerify(file);
    DeleteFileW(file.c_str());
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
}

LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    static bool painted = false;
    if (msg == WM_PAINT) {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kFill);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        if (!painted && !g_platformUrl.empty()) PostMessageW(window, kPlatformMessage, 0, 0);
        painted = true;
        return 0;
    }
    if (msg == kPlatformMessage) {
        AskWhatAnInstallAsks(window);
        DestroyWindow(window);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const wchar_t* platform = std::wcsstr(GetCommandLineW(), L"--platform=");
    if (platform) g_platformUrl = platform + std::wcslen(L"--platform=");
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"zkbarewindow";
    RegisterClassW(&windowClass);
    const int width = 700, height = 420;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExW(0, L"zkbarewindow", L"bare", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
