#pragma once
// Conversions between UTF-16 and byte strings, and the byte-wise URL escaping
// used before a download. Inputs are read up to their first zero unit; failure
// is an empty result, never an exception.
#include <string>

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

}  // namespace ZKCore
