#pragma once
// What the processor offers beyond the compiler's baseline. GCC on x86 only:
// vector paths compiled with a target attribute ask here before they run.
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define VENEER_HAVE_SSE2_PATHS 1
#define VENEER_TARGET_SSE2 __attribute__((target("sse2")))

namespace Veneer {

// SSE2 is part of x86-64; on 32-bit x86 the processor is asked once.
inline bool HaveSse2() {
#if defined(__SSE2__)
    return true;
#else
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return have;
#endif
}

}  // namespace Veneer
#endif
