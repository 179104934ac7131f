#pragma once
// What the fuzz targets share: the input bytes as wide text, split into the
// parts a target needs, and a check that stops the run with a message.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace Fuzz {

// Well-formed UTF-8 is decoded (code points above U+FFFF as a surrogate pair,
// as UTF-16 holds them); every other byte is taken as Latin-1. Seeds and
// dictionaries therefore stay plain text, and every UTF-16 unit is reachable.
inline std::wstring DecodeText(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size);
    for (std::size_t i = 0; i < size;) {
        const unsigned lead = data[i];
        const std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
        unsigned code = length == 4 ? lead & 7u : length == 3 ? lead & 15u : length == 2 ? lead & 31u : lead;
        bool valid = lead < 0x80 || (length > 1 && i + length <= size);
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (data[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (data[i + k] & 0x3Fu);
        }
        const unsigned least = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
        if (length > 1 && (!valid || code < least || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))) {
            text.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            text.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
    return text;
}

// The parts of the input between zero bytes, each decoded; always `count`
// parts (missing ones empty, the last takes the rest with its zeros).
inline std::vector<std::wstring> SplitParts(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < size && parts.size() + 1 < count; ++i) {
        if (data[i] == 0) {
            parts.push_back(DecodeText(data + start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(start < size ? DecodeText(data + start, size - start) : std::wstring());
    while (parts.size() < count) parts.emplace_back();
    return parts;
}

// Printable form of a text for a failure message.
inline std::string Show(const std::wstring& text) {
    std::string out;
    for (wchar_t ch : text) {
        char buffer[12];
        if (ch >= 32 && ch < 127 && ch != '\\') {
            out.push_back(static_cast<char>(ch));
        } else {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(ch));
            out += buffer;
        }
    }
    return out;
}

// An invariant that does not hold: the input is a finding. abort() makes
// libFuzzer keep the input as a crash artifact.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string()) {
    std::fprintf(stderr, "INVARIANT BROKEN: %s %s\n", what, detail.c_str());
    std::abort();
}

inline void Check(bool holds, const char* what, const std::string& detail = std::string()) {
    if (!holds) Fail(what, detail);
}

}  // namespace Fuzz
