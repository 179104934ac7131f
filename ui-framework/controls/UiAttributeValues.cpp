#include "controls/UiAttributeValues.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

#include "core/UiValueScan.h"

namespace Veneer {

namespace {

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

bool StartsWithNoCase(const wchar_t* p, const wchar_t* word) {
    for (; *word; ++p, ++word) {  // `word` is lower-case ASCII
        if (FoldAsciiLetter(*p) != *word) return false;
    }
    return true;
}

// A decimal fraction where `p` points, read like wcstod reads one (blanks,
// sign, digits with one point, an exponent, "inf" or "nan"); 0 and `p`
// unchanged when there is none. Read here rather than by the runtime: its
// wide reader links a long-double parser of about 20 KB into the executable.
double ReadFraction(const wchar_t*& p) {
    const wchar_t* q = p;
    while (IsBlankChar(*q)) ++q;
    const bool negative = *q == L'-';
    if (*q == L'-' || *q == L'+') ++q;
    double value = 0.0;
    if (StartsWithNoCase(q, L"inf")) {
        q += StartsWithNoCase(q, L"infinity") ? 8 : 3;
        value = HUGE_VAL;
    } else if (StartsWithNoCase(q, L"nan")) {
        q += 3;
        value = std::nan("");
    } else {
        // Up to 18 significant digits are kept exactly; the exponent counts
        // the rest and the places after the point.
        unsigned long long digits = 0;
        int significant = 0;
        long exponent = 0;
        bool any = false;
        for (bool point = false;; ++q) {
            if (*q == L'.' && !point) {
                point = true;
                continue;
            }
            if (!IsDigit(*q)) break;
            any = true;
            if (significant < 18) {
                digits = digits * 10 + static_cast<unsigned>(*q - L'0');
                if (digits != 0) ++significant;
                if (point) --exponent;
            } else if (!point) {
                ++exponent;
            }
        }
        if (!any) return 0.0;
        if ((*q == L'e' || *q == L'E') && (IsDigit(q[1]) || ((q[1] == L'-' || q[1] == L'+') && IsDigit(q[2])))) {
            ++q;
            const bool down = *q == L'-';
            if (*q == L'-' || *q == L'+') ++q;
            long written = 0;
            for (; IsDigit(*q); ++q) {
                if (written < 100000) written = written * 10 + (*q - L'0');
            }
            exponent += down ? -written : written;
        }
        value = static_cast<double>(digits);
        if (digits != 0 && exponent != 0) {
            // Up to 2^53 and 10^22 both factors are exact and one rounding
            // gives the nearest double ("0.1" is exactly 0.1). Beyond, two
            // powers keep 1e-320 and similar out of the zero of 10^-330.
            static const double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
            if (digits <= (1ull << 53) && exponent >= -22 && exponent <= 22) {
                value = exponent < 0 ? value / kExact[-exponent] : value * kExact[exponent];
            } else {
                const long half = exponent / 2;
                value = value * std::pow(10.0, static_cast<double>(half)) *
                        std::pow(10.0, static_cast<double>(exponent - half));
            }
        }
    }
    p = q;
    return negative ? -value : value;
}


int HexDigit(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

// Hexadecimal digits right where `p` points; no blanks, sign or "0x".
DWORD ReadHex(const wchar_t* p) {
    unsigned long long value = 0;
    for (int digit; (digit = HexDigit(*p)) >= 0; ++p) {
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) return 0xFFFFFFFF;
    }
    return static_cast<DWORD>(value);
}

bool EqualsNoCase(const wchar_t* a, size_t length, const wchar_t* word) {
    if (std::wcslen(word) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::towlower(a[i]) != std::towlower(word[i])) return false;
    return true;
}

struct CursorName {
    const wchar_t* name;
    WORD id;
};
// The system cursor ids (IDC_ARROW ... IDC_HAND).
constexpr CursorName kCursors[] = {
    {L"arrow", 32512},    {L"ibeam", 32513},    {L"wait", 32514},   {L"cross", 32515},  {L"uparrow", 32516},
    {L"size", 32640},     {L"icon", 32641},     {L"sizenwse", 32642}, {L"sizenesw", 32643}, {L"sizewe", 32644},
    {L"sizens", 32645},   {L"sizeall", 32646},  {L"no", 32648},     {L"hand", 32649},
};

}  // namespace

bool ParseAttributeBool(const wchar_t* value) { return value && EqualsNoCase(value, std::wcslen(value), L"true"); }

int ParseAttributeInt(const wchar_t* value) {
    if (!value) return 0;
    return static_cast<int>(std::wcstol(value, nullptr, 10));
}

UiRect ParseAttributeRect(const wchar_t* value) { return ScanRect(value); }

UiSize ParseAttributeSize(const wchar_t* value) { return ScanSize(value); }

DWORD ParseColorA(const wchar_t* value) {
    if (!value) return 0;
    const wchar_t* p = value;
    while (IsBlankChar(*p)) ++p;
    if (*p == L'#') ++p;
    return ReadHex(p);
}

DWORD ParseColorB(const wchar_t* value) {
    if (!value) return 0;
    return ReadHex(value[0] == L'#' ? value + 1 : value);
}

bool ParseFloatPercent(const wchar_t* value, double out[4]) {
    if (!value || !std::wcschr(value, L',')) return false;
    const wchar_t* p = value;
    for (int i = 0; i < 4; ++i) {
        out[i] = ReadFraction(p);
        if (i < 3) SkipValueSeparator(p);
    }
    return true;
}

UINT ParseFloatAlign(const wchar_t* value, UINT current) {
    if (!value) return current;
    UINT align = current;
    const wchar_t* p = value;
    while (*p) {
        while (*p == L',' || IsBlankChar(*p)) ++p;
        const wchar_t* word = p;
        while (*p && *p != L',' && !IsBlankChar(*p)) ++p;
        const size_t length = static_cast<size_t>(p - word);
        if (length == 0) break;
        if (EqualsNoCase(word, length, L"null")) {
            align = 0;
        } else if (EqualsNoCase(word, length, L"left")) {
            align &= ~(kFloatAlignCenter | kFloatAlignRight);
        } else if (EqualsNoCase(word, length, L"center")) {
            align = (align & ~kFloatAlignRight) | kFloatAlignCenter;
        } else if (EqualsNoCase(word, length, L"right")) {
            align = (align & ~kFloatAlignCenter) | kFloatAlignRight;
        } else if (EqualsNoCase(word, length, L"top")) {
            align &= ~(kFloatAlignVCenter | kFloatAlignBottom);
        } else if (EqualsNoCase(word, length, L"vcenter")) {
            align = (align & ~kFloatAlignBottom) | kFloatAlignVCenter;
        } else if (EqualsNoCase(word, length, L"bottom")) {
            align = (align & ~kFloatAlignVCenter) | kFloatAlignBottom;
        }
    }
    return align;
}

TPosAttribute ParsePosAttribute(const wchar_t* value) {
    const UiRect r = ParseAttributeRect(value);
    TPosAttribute pos;
    pos.xy.cx = r.left >= 0 ? r.left : r.right;
    pos.xy.cy = r.top >= 0 ? r.top : r.bottom;
    // The distance between two extreme numbers does not fit an int: computed
    // wide and capped, never overflowing.
    auto distance = [](LONG a, LONG b) {
        const long long d = std::llabs(static_cast<long long>(a) - static_cast<long long>(b));
        return static_cast<int>(std::min<long long>(d, INT_MAX));
    };
    pos.width = distance(r.right, r.left);
    pos.height = distance(r.bottom, r.top);
    return pos;
}

namespace {
LONG CutToInt(double value) {
    if (value != value) return 0;
    return value <= INT_MIN ? INT_MIN : (value >= INT_MAX ? INT_MAX : static_cast<LONG>(value));
}

// size * fraction, truncated toward zero; "nan" and "inf" are read as numbers.
double FractionOf(double size, double fraction) {
    if (fraction != fraction || size == 0) return 0;
    return std::trunc(size * fraction);
}
}  // namespace

RECT PlaceFloatChild(const RECT& parent, SIZE xy, int width, int height, UINT align, const double fractions[4]) {
    // Doubles hold every int sum exactly; only the fractions can run away.
    const double parentWidth = static_cast<double>(parent.right) - parent.left;
    const double parentHeight = static_cast<double>(parent.bottom) - parent.top;
    RECT rect;
    if (align != 0) {
        const double x = (align & kFloatAlignCenter) ? std::trunc((parentWidth - width) / 2)
                         : (align & kFloatAlignRight) ? parentWidth - width
                                                      : xy.cx;
        const double y = (align & kFloatAlignVCenter) ? std::trunc((parentHeight - height) / 2)
                         : (align & kFloatAlignBottom) ? parentHeight - height
                                                       : xy.cy;
        rect.left = CutToInt(parent.left + x);
        rect.top = CutToInt(parent.top + y);
        rect.right = CutToInt(parent.left + x + width);
        rect.bottom = CutToInt(parent.top + y + height);
        return rect;
    }
    const double anchorX = static_cast<double>(xy.cx < 0 ? parent.right : parent.left) + xy.cx;
    const double anchorY = static_cast<double>(xy.cy < 0 ? parent.bottom : parent.top) + xy.cy;
    rect.left = CutToInt(anchorX + FractionOf(parentWidth, fractions[0]));
    rect.top = CutToInt(anchorY + FractionOf(parentHeight, fractions[1]));
    rect.right = CutToInt(anchorX + width + FractionOf(parentWidth, fractions[2]));
    rect.bottom = CutToInt(anchorY + height + FractionOf(parentHeight, fractions[3]));
    return rect;
}

WORD CursorIdFromName(const wchar_t* name) {
    if (!name) return 0;
    const size_t length = std::wcslen(name);
    for (const CursorName& cursor : kCursors)
        if (EqualsNoCase(name, length, cursor.name)) return cursor.id;
    return 0;
}

const wchar_t* CursorNameFromId(WORD id) {
    for (const CursorName& cursor : kCursors)
        if (cursor.id == id) return cursor.name;
    return L"";
}

int ForEachAttribute(const wchar_t* list, const AttributeSink& apply) {
    if (!list) return 0;
    std::wstring text(list);
    for (size_t at = text.find(L"&quot;"); at != std::wstring::npos; at = text.find(L"&quot;", at + 1))
        text.replace(at, 6, 1, L'"');

    int applied = 0;
    const wchar_t* p = text.c_str();
    for (;;) {
        while (IsBlankChar(*p)) ++p;  // further blanks after the separator are forgiven
        if (*p == L'\0') break;
        const wchar_t* nameStart = p;
        while (*p != L'\0' && *p != L'=') ++p;
        const wchar_t* nameEnd = p;
        while (nameEnd > nameStart && IsBlankChar(nameEnd[-1])) --nameEnd;
        if (*p != L'=') break;
        ++p;
        if (*p != L'"') break;
        ++p;
        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != L'"') ++p;
        if (*p == L'\0') break;
        const std::wstring name(nameStart, nameEnd);
        const std::wstring value(valueStart, p);
        ++p;
        apply(name.c_str(), value.c_str());
        ++applied;
        if (*p != L',' && !IsBlankChar(*p)) break;
        ++p;
    }
    return applied;
}

}  // namespace Veneer
