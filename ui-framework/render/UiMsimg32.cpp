#include "render/UiMsimg32.h"

#include <string>

namespace Veneer {

namespace {
template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// From the system folder only: a msimg32.dll beside the program or in the
// current folder (a downloads folder, for an installer) must never load.
// Systems without the search flags (Vista/7 lacking KB2533623) refuse the
// flag; they get the full path instead.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring full(path, length);
    full += L'\\';
    full += name;
    return ::LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
}  // namespace

const UiMsimg32& UiMsimg32::Get() {
    // The library stays loaded for the life of the process.
    static const UiMsimg32 functions = [] {
        UiMsimg32 result;
        const HMODULE module = LoadSystemLibrary(L"msimg32.dll");
        result.alphaBlend = Lookup<AlphaBlendFn>(module, "AlphaBlend");
        result.gradientFill = Lookup<GradientFillFn>(module, "GradientFill");
        return result;
    }();
    return functions;
}

}  // namespace Veneer
