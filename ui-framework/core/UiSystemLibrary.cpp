#include "core/UiSystemLibrary.h"

#include <string>

namespace Veneer {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (!name || !*name) return nullptr;
    HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without the search flags: the same folder named in full.
    wchar_t folder[MAX_PATH + 1]{};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace Veneer
