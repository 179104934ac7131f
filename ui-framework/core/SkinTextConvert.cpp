#include "core/SkinTextConvert.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace Veneer {

namespace {

constexpr std::size_t kInvalid = static_cast<std::size_t>(-1);

// Decodes strictly well-formed UTF-8 (no overlong forms, no surrogate code
// points, nothing above U+10FFFF, no truncated sequence) into `out`, which has
// room for `count` units: no well-formed sequence yields more units than it
// has bytes. Returns the units written, or kInvalid at the first fault.
std::size_t DecodeWellFormed(const unsigned char* in, std::size_t count, wchar_t* out) {
    const unsigned char* const end = in + count;
    wchar_t* o = out;
    while (in < end) {
        // ASCII in blocks of four bytes.
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

wchar_t* EmptyText(std::size_t* length) {
    wchar_t* text = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t)));
    if (text) text[0] = L'\0';
    *length = 0;
    return text;
}

}  // namespace

wchar_t* SkinMultiByteToUtf16(unsigned int codePage, const char* bytes, std::size_t count, std::size_t* length) {
    if (!bytes || count == 0 || count > INT_MAX) return EmptyText(length);
    const int needed = ::MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), nullptr, 0);
    if (needed <= 0) return EmptyText(length);
    wchar_t* text = static_cast<wchar_t*>(std::malloc((static_cast<std::size_t>(needed) + 1) * sizeof(wchar_t)));
    if (!text) return nullptr;
    const int converted = ::MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), text, needed);
    const std::size_t units = converted > 0 ? static_cast<std::size_t>(converted) : 0;
    text[units] = L'\0';
    *length = units;
    return text;
}

wchar_t* SkinUtf8ToUtf16(const char* bytes, std::size_t count, std::size_t* length) {
    if (!bytes || count == 0 || count > INT_MAX) return EmptyText(length);
    wchar_t* text = static_cast<wchar_t*>(std::malloc((count + 1) * sizeof(wchar_t)));
    if (!text) return nullptr;
    const std::size_t units = DecodeWellFormed(reinterpret_cast<const unsigned char*>(bytes), count, text);
    if (units != kInvalid) {
        text[units] = L'\0';
        *length = units;
        // Multi-byte characters leave the block larger than needed; shrinking
        // keeps the memory and makes the block end at the terminator.
        if (units < count) {
            if (void* shrunk = std::realloc(text, (units + 1) * sizeof(wchar_t))) text = static_cast<wchar_t*>(shrunk);
        }
        return text;
    }
    // Not well-formed: the platform's own replacement rules decide.
    std::free(text);
    return SkinMultiByteToUtf16(CP_UTF8, bytes, count, length);
}

}  // namespace Veneer
