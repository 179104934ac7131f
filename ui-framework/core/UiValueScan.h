#pragma once
// Scanning of the small number lists in skin values ("1,2,3,4", "20,30").
// Readers never step past the terminator, whatever the text holds.
#include <cwchar>

#include "core/UiRect.h"

namespace Veneer {

// Skin names (elements, attributes, classes) are compared without case by
// ASCII letters; every other unit is itself.
inline wchar_t FoldAsciiLetter(wchar_t ch) {
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
}

// Control characters and the space, but never the terminator.
inline bool IsBlankChar(wchar_t ch) { return ch != L'\0' && ch <= L' '; }

// A decimal number where `p` points (leading blanks and a sign allowed); 0
// and `p` unchanged when there is none.
inline long ScanNumber(const wchar_t*& p) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(p, &end, 10);
    p = end;
    return value;
}

// The one separator after a number, but never the terminator.
inline void SkipValueSeparator(const wchar_t*& p) {
    if (*p != L'\0') ++p;
}

// Four numbers, each followed by one separator: left, top, right, bottom.
inline UiRect ScanRect(const wchar_t* text) {
    UiRect rect;
    if (!text) return rect;
    const wchar_t* p = text;
    rect.left = ScanNumber(p);
    SkipValueSeparator(p);
    rect.top = ScanNumber(p);
    SkipValueSeparator(p);
    rect.right = ScanNumber(p);
    SkipValueSeparator(p);
    rect.bottom = ScanNumber(p);
    return rect;
}

// Two numbers: cx, cy.
inline UiSize ScanSize(const wchar_t* text) {
    UiSize size;
    if (!text) return size;
    const wchar_t* p = text;
    size.cx = ScanNumber(p);
    SkipValueSeparator(p);
    size.cy = ScanNumber(p);
    return size;
}

}  // namespace Veneer
