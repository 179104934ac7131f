#pragma once
// Byte text to the UTF-16 buffers the skin reader parses in place. Both
// functions return a malloc'ed, zero-terminated buffer (free with free())
// and its length in characters, terminator excluded; null only when memory
// runs out. A conversion the platform refuses gives an empty text.
#include <cstddef>

namespace Veneer {

// The result is identical, unit for unit, to MultiByteToWideChar(CP_UTF8, 0)
// for every input, invalid sequences included: well-formed UTF-8 is decoded
// here (ASCII runs in blocks), anything else goes to the platform whole.
wchar_t* SkinUtf8ToUtf16(const char* bytes, std::size_t count, std::size_t* length);

// The platform's conversion from `codePage`: length first, then the text.
wchar_t* SkinMultiByteToUtf16(unsigned int codePage, const char* bytes, std::size_t count, std::size_t* length);

}  // namespace Veneer
