// The image descriptor language: text in, fields out. Nothing here draws,
// scales or asks the platform, so the same file also builds natively (under
// the sanitizers and the fuzzer).
#include <cstdlib>
#include <cwchar>

#include "core/UiValueScan.h"
#include "render/TImageSpec.h"

namespace Veneer {

namespace {

bool IsTrue(const UiString& value) { return value.CompareNoCase(L"true") == 0; }

LONG ClampValue(LONG value) {
    constexpr LONG kMax = TImageSpec::kMaxDescriptorValue;
    return value < -kMax ? -kMax : (value > kMax ? kMax : value);
}

UiRect ScanClampedRect(const wchar_t* text) {
    const UiRect rect = ScanRect(text);
    return UiRect(ClampValue(rect.left), ClampValue(rect.top), ClampValue(rect.right), ClampValue(rect.bottom));
}

}  // namespace

// key='value' pairs separated by blanks.
void TImageSpec::ReadText(const wchar_t* text) {
    if (!text) return;
    const wchar_t* p = text;
    for (;;) {
        while (IsBlankChar(*p)) ++p;
        if (*p == L'\0') return;

        const wchar_t* keyStart = p;
        while (*p != L'\0' && *p != L'=' && !IsBlankChar(*p)) ++p;
        const UiString key(keyStart, static_cast<int>(p - keyStart));
        while (IsBlankChar(*p)) ++p;
        if (*p != L'=') return;
        ++p;
        while (IsBlankChar(*p)) ++p;
        if (*p != L'\'') return;
        ++p;

        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != L'\'') ++p;
        if (*p == L'\0') return;
        const UiString value(valueStart, static_cast<int>(p - valueStart));
        ++p;
        if (!value.IsEmpty()) ApplyKey(key, value);

        if (!IsBlankChar(*p)) return;
        ++p;
    }
}

void TImageSpec::ApplyKey(const UiString& key, const UiString& value) {
    if (key == L"file" || key == L"res") {
        imageName = value;
    } else if (key == L"restype") {
        resType = value;
    } else if (key == L"dest") {
        dest = ScanClampedRect(value);
    } else if (key == L"source") {
        source = ScanClampedRect(value);
    } else if (key == L"corner") {
        corner = ScanClampedRect(value);
    } else if (key == L"padding") {
        padding = ScanClampedRect(value);
    } else if (key == L"mask") {
        const wchar_t* p = value;
        if (*p == L'#') ++p;
        mask = static_cast<DWORD>(std::wcstoul(p, nullptr, 16));
    } else if (key == L"fade") {
        const long level = std::wcstol(value, nullptr, 10);
        fade = static_cast<BYTE>(level < 0 ? 0 : (level > 255 ? 255 : level));
    } else if (key == L"hole") {
        hole = IsTrue(value);
    } else if (key == L"xtiled") {
        xTiled = IsTrue(value);
    } else if (key == L"ytiled") {
        yTiled = IsTrue(value);
    } else if (key == L"hsl") {
        hsl = IsTrue(value);
    } else if (key == L"size") {
        const UiSize scanned = ScanSize(value);
        size = UiSize(ClampValue(scanned.cx), ClampValue(scanned.cy));
    } else if (key == L"align") {
        align = value;
    }
}

UiString TImageSpec::VariantName(const wchar_t* baseName, int percent) {
    if (!baseName || percent <= 0) return UiString();
    const UiString base(baseName);
    int dot = -1;
    for (int i = base.GetLength() - 1; i >= 0; --i) {
        const wchar_t ch = base[i];
        if (ch == L'\\' || ch == L'/') break;
        if (ch == L'.') {
            dot = i;
            break;
        }
    }
    if (dot < 0) return UiString();

    // "@<scale>x" with the scale written like %g: 125 -> 1.25, 150 -> 1.5, 200 -> 2.
    UiString tag;
    const int whole = percent / 100;
    int fraction = percent % 100;
    if (fraction == 0) {
        tag.SmallFormat(L"@%dx", whole);
    } else if (fraction % 10 == 0) {
        tag.SmallFormat(L"@%d.%dx", whole, fraction / 10);
    } else {
        tag.SmallFormat(L"@%d.%02dx", whole, fraction);
    }
    return base.Left(dot) + tag + base.Mid(dot);
}

}  // namespace Veneer
