#pragma once
// Conversions between UTF-16 and byte strings, and the byte-wise URL escaping
// used before a download. Inputs are read up to their first zero unit; failure
// is an empty result, never an exception.
#include <string>
#include <type_traits>

namespace ZKCore {

constexpr unsigned int kCodePageUtf8 = 65001;
constexpr unsigned int kCodePageAnsi = 0;

std::wstring Utf8ToWide(const std::string& text);
std::string WideToMultiByte(const std::wstring& text, unsigned int codePage);
std::wstring MultiByteToWide(const std::string& text, unsigned int codePage);
std::string EscapeUrlBytes(const std::string& bytes);
std::wstring PrepareDownloadUrl(const std::wstring& url);
// The arguments of a full command line such as GetCommandLineW's: the
// program name goes by its own rule (a leading quote runs to the next quote,
// else the name ends at the first space or tab), then the white space after it.
std::wstring SkipProgramName(const std::wstring& commandLine);

// Decimal digits of an integer of any width. The C runtime's formatted
// output is avoided on purpose: the standard library's own routes to it link
// a second printf implementation of about 40 KB into the executable.
inline std::wstring UnsignedDecimalText(unsigned long long value) {
    wchar_t digits[24];
    wchar_t* p = digits + 24;
    do {
        *--p = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::wstring(p, digits + 24);
}
template <class T>
std::wstring DecimalText(T value) {
    static_assert(std::is_integral_v<T>, "an integer");
    if constexpr (std::is_signed_v<T>) {
        if (value < 0) return L"-" + UnsignedDecimalText(0ull - static_cast<unsigned long long>(value));
    }
    return UnsignedDecimalText(static_cast<unsigned long long>(value));
}
// printf-style formatting through the system C runtime; the result is cut to
// 1024 units.
std::wstring FormatText(const wchar_t* format, ...);

}  // namespace ZKCore
