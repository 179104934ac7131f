#include "ZKCore/ZKString.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace ZKCore {

namespace {
void Diagnostic(const char* line) {
    std::fputs(line, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}
}  // namespace

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty() || text[0] == '\0') {
        Diagnostic("str_in is empty");
        return std::wstring();
    }
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (needed <= 0) {
        Diagnostic("The result of WideCharToMultiByte is Invalid!");
        return std::wstring();
    }
    std::wstring result(static_cast<size_t>(needed - 1), L'\0');
    // The platform writes the terminator into the string's own terminator place.
    if (MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], needed) == 0) {
        Diagnostic("Can't transfer String to WString");
    }
    return result;
}

std::string WideToMultiByte(const std::wstring& text, unsigned int codePage) {
    const int needed = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), -1, buffer.data(), needed, nullptr, nullptr);
    return std::string(buffer.data());
}

std::wstring MultiByteToWide(const std::string& text, unsigned int codePage) {
    const int needed = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.c_str(), -1, buffer.data(), needed);
    return std::wstring(buffer.data());
}

std::string EscapeUrlBytes(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x21 && b <= 0x7E) {
            out.push_back(c);
        } else if (b == 0x20) {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
        }
    }
    return out;
}

std::wstring PrepareDownloadUrl(const std::wstring& url) {
    return MultiByteToWide(EscapeUrlBytes(WideToMultiByte(url, kCodePageUtf8)), kCodePageUtf8);
}

std::wstring SkipProgramName(const std::wstring& commandLine) {
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    size_t i = 0;
    if (i < commandLine.size() && commandLine[i] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !blank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && blank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

std::wstring FormatText(const wchar_t* format, ...) {
    wchar_t text[1025];
    va_list args;
    va_start(args, format);
    // The runtime's _vsnwprintf leaves a cut text unterminated.
    const int length = _vsnwprintf(text, 1024, format, args);
    va_end(args);
    text[1024] = L'\0';
    return length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length));
}

}  // namespace ZKCore
