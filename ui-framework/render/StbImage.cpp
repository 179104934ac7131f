// The one translation unit that compiles stb_image. Skin images are decoded
// from memory only; dimensions are capped so that a forged header cannot ask
// for gigabytes.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS (1 << 14)
// The PNG decoder inflates through zlib (below), not stb's own inflater.
#define STBI_NO_ZLIB
#define STBI_MALLOC(bytes) Veneer::StbPixelTarget::Allocate(bytes)
#define STBI_REALLOC(block, bytes) Veneer::StbPixelTarget::Reallocate(block, bytes)
#define STBI_FREE(block) Veneer::StbPixelTarget::Free(block)
#include <cstdlib>
#include <cstring>

#include "render/StbPixelTarget.h"

#include <stb_image.h>
#include <zlib.h>

namespace Veneer {

namespace {

thread_local StbPixelTarget* t_target = nullptr;

}  // namespace

StbPixelTarget::StbPixelTarget(void* memory, size_t bytes) : m_memory(memory), m_bytes(bytes), m_previous(t_target) {
    t_target = this;
}

StbPixelTarget::~StbPixelTarget() { t_target = m_previous; }

void* StbPixelTarget::Allocate(size_t bytes) {
    StbPixelTarget* target = t_target;
    if (target && !target->m_lent && target->m_memory && bytes == target->m_bytes) {
        target->m_lent = true;
        return target->m_memory;
    }
    return std::malloc(bytes);
}

void* StbPixelTarget::Reallocate(void* block, size_t bytes) {
    StbPixelTarget* target = t_target;
    if (!target || !target->Holds(block)) return std::realloc(block, bytes);
    void* moved = std::malloc(bytes);
    if (moved) std::memcpy(moved, block, bytes < target->m_bytes ? bytes : target->m_bytes);
    return moved;  // the target is not lent again: its memory is the caller's once more
}

void StbPixelTarget::Free(void* block) {
    StbPixelTarget* target = t_target;
    if (target && target->Holds(block)) return;
    std::free(block);
}

}  // namespace Veneer

// The PNG decoder's one call into an inflater. zlib is linked for the skin
// archive anyway and inflates a window-sized background in well under half
// the time stb's inflater takes. `initial_size` is the exact size of the
// image's filtered rows: nothing beyond it is read, so a stream that would
// inflate further is cut there instead of growing the buffer.
STBIDEF char* stbi_zlib_decode_malloc_guesssize_headerflag(const char* buffer, int len, int initial_size,
                                                          int* outlen, int parse_header) {
    if (!buffer || len <= 0 || initial_size <= 0) return nullptr;
    auto* out = static_cast<Bytef*>(STBI_MALLOC(static_cast<size_t>(initial_size)));
    if (!out) return nullptr;
    z_stream stream{};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(buffer));
    stream.avail_in = static_cast<uInt>(len);
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(initial_size);
    // A zlib stream, or raw deflate data (the header-less variant).
    if (inflateInit2(&stream, parse_header ? MAX_WBITS : -MAX_WBITS) != Z_OK) {
        STBI_FREE(out);
        return nullptr;
    }
    const int result = inflate(&stream, Z_FINISH);
    const bool complete = result == Z_STREAM_END || (stream.avail_out == 0 && (result == Z_OK || result == Z_BUF_ERROR));
    const uLong produced = stream.total_out;
    inflateEnd(&stream);
    if (!complete) {
        STBI_FREE(out);
        return nullptr;
    }
    if (outlen) *outlen = static_cast<int>(produced);
    return reinterpret_cast<char*>(out);
}
