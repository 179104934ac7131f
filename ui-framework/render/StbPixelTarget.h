#pragma once
// Lets one decode write its finished pixels straight into memory its caller
// already holds (a DIB section's bits). While a target is installed on a
// thread, the decoder's first allocation of exactly the target's size on that
// thread is served from it: a window-sized image then lands in its bitmap
// once, instead of in a fresh buffer that is copied into the bitmap and
// freed. Freeing the target is a no-op; growing it moves the bytes to the
// heap. Whether the decode's result is the target is for the caller to check:
// when it is not, the result is an ordinary decoder buffer.
#include <cstddef>

namespace Veneer {

class StbPixelTarget {
public:
    StbPixelTarget(void* memory, size_t bytes);
    ~StbPixelTarget();
    StbPixelTarget(const StbPixelTarget&) = delete;
    StbPixelTarget& operator=(const StbPixelTarget&) = delete;

    bool Holds(const void* pixels) const { return pixels && pixels == m_memory; }

    // The decoder's allocator.
    static void* Allocate(size_t bytes);
    static void* Reallocate(void* block, size_t bytes);
    static void Free(void* block);

private:
    void* m_memory;
    size_t m_bytes;
    bool m_lent = false;
    StbPixelTarget* m_previous;
};

}  // namespace Veneer
