#include "ZKCore/ZKSystem.h"

#include <exdisp.h>
#include <shldisp.h>
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

namespace {
// Releases a COM interface pointer.
template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** Out() { return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

struct Bstr {
    BSTR value;
    explicit Bstr(const wchar_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
};

// The desktop window's shell folder view asks the shell's process (Explorer,
// running unelevated) to open the target.
bool OpenThroughDesktopShell(const wchar_t* target) {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(windows.Out()))))
        return false;
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT empty{};
    long window = 0;
    ComPtr<IDispatch> dispatch;
    if (windows->FindWindowSW(&desktop, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, dispatch.Out()) != S_OK ||
        !dispatch)
        return false;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(dispatch->QueryInterface(IID_PPV_ARGS(services.Out()))) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.Out()))) ||
        FAILED(browser->QueryActiveShellView(view.Out())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.Out()))) ||
        FAILED(background->QueryInterface(IID_PPV_ARGS(folderView.Out()))) ||
        FAILED(folderView->get_Application(application.Out())) || !application ||
        FAILED(application->QueryInterface(IID_PPV_ARGS(shell.Out()))))
        return false;
    Bstr file(target);
    VARIANT none{};
    VARIANT operation{};
    operation.vt = VT_BSTR;
    Bstr open(L"open");
    operation.bstrVal = open.value;
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return file.value && SUCCEEDED(shell->ShellExecute(file.value, none, none, operation, show));
}
}  // namespace

DesktopOpen OpenAsDesktopUser(const wchar_t* target) {
    if (!target || !*target) return DesktopOpen::Failed;
    if (OpenThroughDesktopShell(target)) return DesktopOpen::DesktopShell;
    // ShellExecute's result is an instance-handle value above 32 on success.
    return reinterpret_cast<INT_PTR>(OpenWithShell(target)) > 32 ? DesktopOpen::OwnProcess : DesktopOpen::Failed;
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
