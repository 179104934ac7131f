#include "render/UiMsimg32.h"

#include "core/UiSystemLibrary.h"

namespace Veneer {

namespace {
template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
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
