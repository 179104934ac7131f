#pragma once
// Byte text to the UTF-16 blocks the skin reader parses in place. A block is
// malloc'ed memory of `capacity` characters that the converters reuse when
// it is big enough and replace (without keeping its content) when not; the
// result is zero-terminated and `length` excludes the terminator. False only
// when memory runs out. A conversion the platform refuses gives "".
#include <cstddef>

namespace Veneer {

// The result is identical, unit for unit, to MultiByteToWideChar(CP_UTF8, 0)
// for every input, invalid sequences included: well-formed UTF-8 is decoded
// here (ASCII in blocks), anything else goes to the platform whole.
bool SkinUtf8ToUtf16(const char* bytes, std::size_t count, wchar_t*& text, std::size_t& capacity,
                     std::size_t& length);

// The platform's conversion from `codePage`: length first, then the text.
bool SkinMultiByteToUtf16(unsigned int codePage, const char* bytes, std::size_t count, wchar_t*& text,
                          std::size_t& capacity, std::size_t& length);

// Makes the block hold at least `needed` characters. A block more than four
// times too big is given back rather than kept.
bool SkinReserveText(wchar_t*& text, std::size_t& capacity, std::size_t needed);

// Marks memory unreadable (or readable again) for the address sanitizer, so
// that reads past a terminator into a reused block's unused tail are caught.
// Nothing happens in other builds.
void SkinPoison(const void* memory, std::size_t bytes);
void SkinUnpoison(const void* memory, std::size_t bytes);

}  // namespace Veneer
