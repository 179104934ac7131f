#pragma once
// msimg32's AlphaBlend and GradientFill, looked up once per process (thread-
// safe static initialisation); either may be null on a system without them.
#include <windows.h>

namespace Veneer {

struct UiMsimg32 {
    using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
    using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

    AlphaBlendFn alphaBlend = nullptr;
    GradientFillFn gradientFill = nullptr;

    static const UiMsimg32& Get();
};

}  // namespace Veneer
