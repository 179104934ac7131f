#include "core/SkinTextConvert.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/UiCpu.h"

#if defined(VENEER_HAVE_SSE2_PATHS)
#define SKIN_CONVERT_SSE2 1
#include <emmintrin.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace Veneer {

namespace {

constexpr std::size_t kInvalid = static_cast<std::size_t>(-1);

#if defined(SKIN_CONVERT_SSE2)
// 16 ASCII bytes -> 16 units, for either width of wchar_t.
VENEER_TARGET_SSE2 inline void Widen16(__m128i bytes, wchar_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    if (sizeof(wchar_t) == 2) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 / sizeof(wchar_t)), high);
    } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(low, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 / sizeof(wchar_t)), _mm_unpackhi_epi16(low, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32 / sizeof(wchar_t)), _mm_unpacklo_epi16(high, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48 / sizeof(wchar_t)), _mm_unpackhi_epi16(high, zero));
    }
}

// Widens ASCII bytes from `in` while whole 16-byte blocks remain; returns how
// many bytes were ASCII. A block is widened whole even when only its first
// bytes are ASCII (the caller overwrites the rest), which stays inside `out`
// because units never outnumber the bytes they come from.
VENEER_TARGET_SSE2 std::size_t WidenAsciiBlocks(const unsigned char* in, const unsigned char* end,
                                                             wchar_t* out) {
    const unsigned char* const start = in;
    while (end - in >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        Widen16(bytes, out);
        const unsigned int high = static_cast<unsigned int>(_mm_movemask_epi8(bytes));
        if (high) return static_cast<std::size_t>(in - start) + static_cast<std::size_t>(__builtin_ctz(high));
        in += 16;
        out += 16;
    }
    return static_cast<std::size_t>(in - start);
}
#endif

// Decodes strictly well-formed UTF-8 (no overlong forms, no surrogate code
// points, nothing above U+10FFFF, no truncated sequence) into `out`, which has
// room for `count` units: no well-formed sequence yields more units than it
// has bytes. Returns the units written, or kInvalid at the first fault.
std::size_t DecodeWellFormed(const unsigned char* in, std::size_t count, wchar_t* out) {
    const unsigned char* const end = in + count;
    wchar_t* o = out;
#if defined(SKIN_CONVERT_SSE2)
    const bool blocks = HaveSse2();
#endif
    while (in < end) {
#if defined(SKIN_CONVERT_SSE2)
        if (blocks) {
            const std::size_t ascii = WidenAsciiBlocks(in, end, o);
            in += ascii;
            o += ascii;
        }
#endif
        // ASCII in blocks of four bytes (and the tail of the blocks above).
        while (end - in >= 4) {
            std::uint32_t block;
            std::memcpy(&block, in, 4);
            if (block & 0x80808080u) break;
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
            o[3] = in[3];
            in += 4;
            o += 4;
        }
        if (in == end) break;
        const unsigned int lead = *in;
        if (lead < 0x80) {
            *o++ = static_cast<wchar_t>(lead);
            ++in;
            continue;
        }
        const std::size_t left = static_cast<std::size_t>(end - in);
        if (lead < 0xC2) return kInvalid;  // continuation byte or overlong 2-byte form
        if (lead < 0xE0) {
            if (left < 2 || (in[1] & 0xC0) != 0x80) return kInvalid;
            *o++ = static_cast<wchar_t>(((lead & 0x1F) << 6) | (in[1] & 0x3F));
            in += 2;
            continue;
        }
        if (lead < 0xF0) {
            if (left < 3 || (in[1] & 0xC0) != 0x80 || (in[2] & 0xC0) != 0x80) return kInvalid;
            if (lead == 0xE0 && in[1] < 0xA0) return kInvalid;   // overlong
            if (lead == 0xED && in[1] >= 0xA0) return kInvalid;  // surrogate code point
            *o++ = static_cast<wchar_t>(((lead & 0x0F) << 12) | ((in[1] & 0x3F) << 6) | (in[2] & 0x3F));
            in += 3;
            continue;
        }
        if (lead < 0xF5) {
            if (left < 4 || (in[1] & 0xC0) != 0x80 || (in[2] & 0xC0) != 0x80 || (in[3] & 0xC0) != 0x80) {
                return kInvalid;
            }
            if (lead == 0xF0 && in[1] < 0x90) return kInvalid;   // overlong
            if (lead == 0xF4 && in[1] >= 0x90) return kInvalid;  // above U+10FFFF
            const unsigned int code = ((lead & 0x07) << 18) | ((in[1] & 0x3Fu) << 12) | ((in[2] & 0x3Fu) << 6) |
                                      (in[3] & 0x3Fu);
            *o++ = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            *o++ = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            in += 4;
            continue;
        }
        return kInvalid;
    }
    return static_cast<std::size_t>(o - out);
}

// Terminates the converted text and hides the block's unused tail.
void Finish(wchar_t* text, std::size_t capacity, std::size_t units, std::size_t& length) {
    text[units] = L'\0';
    length = units;
    SkinPoison(text + units + 1, (capacity - units - 1) * sizeof(wchar_t));
}

}  // namespace

void SkinPoison(const void* memory, std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
    if (memory && bytes) ASAN_POISON_MEMORY_REGION(memory, bytes);
#else
    (void)memory;
    (void)bytes;
#endif
}

void SkinUnpoison(const void* memory, std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
    if (memory && bytes) ASAN_UNPOISON_MEMORY_REGION(memory, bytes);
#else
    (void)memory;
    (void)bytes;
#endif
}

bool SkinReserveText(wchar_t*& text, std::size_t& capacity, std::size_t needed) {
    if (needed == 0) needed = 1;
    SkinUnpoison(text, capacity * sizeof(wchar_t));
    if (text && capacity >= needed && needed >= capacity / 4) return true;
    std::free(text);
    text = nullptr;
    capacity = 0;
    if (needed > static_cast<std::size_t>(-1) / sizeof(wchar_t)) return false;
    text = static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t)));
    if (!text) return false;
    capacity = needed;
    return true;
}

bool SkinMultiByteToUtf16(unsigned int codePage, const char* bytes, std::size_t count, wchar_t*& text,
                          std::size_t& capacity, std::size_t& length) {
    int needed = 0;
    if (bytes && count > 0 && count <= INT_MAX) {
        needed = ::MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), nullptr, 0);
    }
    if (needed < 0) needed = 0;
    if (!SkinReserveText(text, capacity, static_cast<std::size_t>(needed) + 1)) return false;
    int converted = 0;
    if (needed > 0) converted = ::MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), text, needed);
    Finish(text, capacity, converted > 0 ? static_cast<std::size_t>(converted) : 0, length);
    return true;
}

bool SkinUtf8ToUtf16(const char* bytes, std::size_t count, wchar_t*& text, std::size_t& capacity,
                     std::size_t& length) {
    if (!bytes || count == 0 || count > INT_MAX) {
        if (!SkinReserveText(text, capacity, 1)) return false;
        Finish(text, capacity, 0, length);
        return true;
    }
    if (!SkinReserveText(text, capacity, count + 1)) return false;
    const std::size_t units = DecodeWellFormed(reinterpret_cast<const unsigned char*>(bytes), count, text);
    if (units != kInvalid) {
        Finish(text, capacity, units, length);
        return true;
    }
    // Not well-formed: the platform's own replacement rules decide.
    return SkinMultiByteToUtf16(CP_UTF8, bytes, count, text, capacity, length);
}

}  // namespace Veneer
