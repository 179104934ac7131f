#include "ZKCore/ZKSystem.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "core/UiHandle.h"

namespace ZKCore {

namespace {
constexpr UINT kBrowseFlags = 0x4151;  // fs dirs only, edit box, new style, usage hint, files too
constexpr UINT kSetSelectionMessage = 0x467;  // BFFM_SETSELECTIONW

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM datum) {
    if (message == BFFM_INITIALIZED) SendMessageW(dialog, kSetSelectionMessage, 1, datum);
    return 0;
}
}  // namespace

UiString GetModuleFolder() {
    // Grow the buffer until the whole path fits; long paths are not cut.
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return UiString();
        if (length < buffer.size()) break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    UiString path(buffer.data());
    const int slash = path.ReverseFind(L'\\');
    return slash < 0 ? UiString() : path.Left(slash);
}

UiString GetSpecialFolder(int csidl) {
    // The platform writes up to MAX_PATH units; a smaller buffer could overflow.
    wchar_t buffer[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE);
    return UiString(buffer);
}

UiString GetDefaultInstallFolder() {
    UiString folder = GetSpecialFolder(CSIDL_PROGRAM_FILES);
    folder += L"\\";
    folder += kProductFolder;
    return folder;
}

int CreateFolderTree(const wchar_t* path) {
    if (!path || !*path) return 0;
    std::wstring work(path);
    const size_t walkEnd = work.size();
    if (work.back() != L'\\' && work.back() != L'/') work.push_back(L'/');
    for (size_t i = 0; i <= walkEnd && i < work.size(); ++i) {
        if (work[i] != L'\\' && work[i] != L'/') continue;
        work[i] = L'\0';
        if (i > 0 && !PathFileExistsW(work.c_str())) CreateDirectoryW(work.c_str(), nullptr);
        work[i] = L'/';
    }
    return 0;
}

UiString BrowseForFolder(HWND owner, const wchar_t* startFolder) {
    std::vector<wchar_t> buffer(4096, L'\0');
    if (startFolder) lstrcpynW(buffer.data(), startFolder, static_cast<int>(buffer.size()));
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = buffer.data();
    info.lpszTitle = L"请选择文件路径";
    info.ulFlags = kBrowseFlags;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(buffer.data());
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return UiString();
    const BOOL ok = SHGetPathFromIDListW(item, buffer.data());
    CoTaskMemFree(item);
    return ok ? UiString(buffer.data()) : UiString();
}

HINSTANCE OpenWithShell(const wchar_t* target) {
    return ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOW);
}

int MeanDpi(int dpiX, int dpiY) {
    return static_cast<int>((static_cast<float>(dpiX) + static_cast<float>(dpiY)) / 2.0f);
}

int GetScreenDpi() {
    Veneer::UiWindowDc screen(nullptr);
    if (!screen.Get()) return 96;
    return MeanDpi(GetDeviceCaps(screen.Get(), LOGPIXELSX), GetDeviceCaps(screen.Get(), LOGPIXELSY));
}

}  // namespace ZKCore
