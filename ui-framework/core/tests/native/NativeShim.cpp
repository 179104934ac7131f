// Stand-ins for the platform calls of the portable parsers in the native build.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "core/CSkinStorage.h"

int MultiByteToWideChar(unsigned int codePage, unsigned long, const char* bytes, int count, wchar_t* out,
                        int capacity) {
    std::vector<wchar_t> units;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    for (int i = 0; i < count;) {
        unsigned int lead = in[i];
        if (codePage != CP_UTF8 || lead < 0x80) {
            units.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        const int length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        bool valid = length > 0 && i + length <= count;
        unsigned int code = length == 4 ? lead & 7 : length == 3 ? lead & 15 : lead & 31;
        for (int k = 1; valid && k < length; ++k) {
            valid = (in[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (in[i + k] & 0x3F);
        }
        if (!valid || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) {
            units.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            units.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
            units.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
    if (!out || capacity == 0) return static_cast<int>(units.size());
    if (static_cast<int>(units.size()) > capacity) return 0;
    for (std::size_t i = 0; i < units.size(); ++i) out[i] = units[i];
    return static_cast<int>(units.size());
}

namespace Veneer {

bool CSkinStorage::ReadFile(const wchar_t*, std::vector<unsigned char>& bytes, const wchar_t** error) {
    bytes.clear();
    if (error) *error = L"Error opening file";
    return false;
}

}  // namespace Veneer

wchar_t* _wcslwr(wchar_t* text) {
    for (wchar_t* p = text; *p; ++p) *p = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(*p)));
    return text;
}

wchar_t* _wcsupr(wchar_t* text) {
    for (wchar_t* p = text; *p; ++p) *p = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(*p)));
    return text;
}

namespace {
// The whole formatted text (vswprintf reports no length on overflow: the
// buffer grows until the text fits); false when it never does.
bool FormatWhole(std::vector<wchar_t>& out, const wchar_t* format, va_list args) {
    for (std::size_t capacity = 256; capacity <= (std::size_t{1} << 24); capacity *= 4) {
        out.assign(capacity, L'\0');
        va_list copy;
        va_copy(copy, args);
        const int length = std::vswprintf(out.data(), capacity, format, copy);
        va_end(copy);
        if (length >= 0) {
            out.resize(static_cast<std::size_t>(length));
            return true;
        }
    }
    return false;
}
}  // namespace

int _vscwprintf(const wchar_t* format, va_list args) {
    std::vector<wchar_t> text;
    return FormatWhole(text, format, args) ? static_cast<int>(text.size()) : -1;
}

int _vsnwprintf(wchar_t* buffer, std::size_t count, const wchar_t* format, va_list args) {
    std::vector<wchar_t> text;
    if (!FormatWhole(text, format, args)) return -1;
    if (text.size() > count) {  // unterminated, as on Windows
        std::wmemcpy(buffer, text.data(), count);
        return -1;
    }
    std::wmemcpy(buffer, text.data(), text.size());
    if (text.size() < count) buffer[text.size()] = L'\0';
    return static_cast<int>(text.size());
}
