#pragma once
// The little of the Win32 interface that the portable parsers touch, for
// building them natively on Linux under the address and undefined-behaviour
// sanitizers and libFuzzer: the value types with their Windows widths (LONG
// and DWORD are 32 bits there, whatever `long` is here) and a few text
// functions. wchar_t is 32 bits here; the code only stores UTF-16 units in it.
#include <cstdarg>
#include <cwchar>
#include <cwctype>

typedef void* HINSTANCE;
typedef void* HANDLE;
typedef int BOOL;
typedef int LONG;
typedef unsigned int UINT;
typedef unsigned int DWORD;
typedef unsigned short WORD;
typedef unsigned char BYTE;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;
typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE;
typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

#define CP_ACP 0
#define CP_UTF8 65001

// UTF-8 (invalid bytes become U+FFFD each) or Latin-1 for any other code page.
int MultiByteToWideChar(unsigned int codePage, unsigned long flags, const char* bytes, int count, wchar_t* out,
                        int capacity);
// The ANSI code page of the native build: Latin-1 through the conversion above.
inline UINT GetACP() { return 1252; }

inline int _wcsicmp(const wchar_t* a, const wchar_t* b) { return wcscasecmp(a, b); }
wchar_t* _wcslwr(wchar_t* text);
wchar_t* _wcsupr(wchar_t* text);
// The characters a format would give, terminator excluded.
int _vscwprintf(const wchar_t* format, va_list args);
// At most `count` characters; -1 (unterminated) when the text is longer.
int _vsnwprintf(wchar_t* buffer, std::size_t count, const wchar_t* format, va_list args);
