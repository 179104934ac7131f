#pragma once
// The little of the Win32 interface the skin reader touches, for building it
// natively on Linux under the address and undefined-behaviour sanitizers.
// wchar_t is 32 bits here; the reader only stores UTF-16 units in it.
#include <cwchar>
#include <cwctype>

typedef void* HINSTANCE;
typedef void* HANDLE;
#define CP_ACP 0
#define CP_UTF8 65001

// UTF-8 (invalid bytes become U+FFFD each) or Latin-1 for any other code page.
int MultiByteToWideChar(unsigned int codePage, unsigned long flags, const char* bytes, int count, wchar_t* out,
                        int capacity);

inline int _wcsicmp(const wchar_t* a, const wchar_t* b) { return wcscasecmp(a, b); }
