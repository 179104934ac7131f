#include "render/TImageSpec.h"

#include <cwchar>

#include "core/UiValueScan.h"
#include "core/CDpiScaler.h"
#include "render/CUiRender.h"

namespace Veneer {

namespace {

// The rectangle rule of the DPI scaler for an arbitrary percentage: position
// and size scale apart, halves rounding away from zero.
UiRect ScaleRectByPercent(const UiRect& rect, int percent) {
    const int width = ::MulDiv(rect.right - rect.left, percent, 100);
    const int height = ::MulDiv(rect.bottom - rect.top, percent, 100);
    const int left = ::MulDiv(rect.left, percent, 100);
    const int top = ::MulDiv(rect.top, percent, 100);
    return UiRect(left, top, left + width, top + height);
}

bool IsTrue(const UiString& value) { return value.CompareNoCase(L"true") == 0; }

// Descriptor numbers are cut to +-kMaxDescriptorValue design units, so that
// after a scale of up to 1000 % every sum and difference of the nine-part
// geometry still fits an int with room to spare.
constexpr LONG kMaxDescriptorValue = 1000000;

LONG ClampValue(LONG value) {
    return value < -kMaxDescriptorValue ? -kMaxDescriptorValue
                                        : (value > kMaxDescriptorValue ? kMaxDescriptorValue : value);
}

UiRect ScanClampedRect(const wchar_t* text) {
    const UiRect rect = ScanRect(text);
    return UiRect(ClampValue(rect.left), ClampValue(rect.top), ClampValue(rect.right), ClampValue(rect.bottom));
}

}  // namespace

void TImageSpec::Parse(const wchar_t* descriptorText, const wchar_t* modifierText, const CDpiScaler* scaler) {
    *this = TImageSpec();
    descriptor = descriptorText ? descriptorText : L"";
    modifier = modifierText ? modifierText : L"";
    imageName = descriptor;
    ReadText(descriptor, scaler);
    ReadText(modifier, scaler);
    if (scaler && scaler->GetScale() != 100) FindDpiVariant(scaler->GetScale());
    // The source counts pixels of the image actually used: the variant's
    // scale, not the screen's (a 1x image at 150 % keeps its source).
    if (scale != 1.0) source = ScaleRectByPercent(source, static_cast<int>(scale * 100.0 + 0.5));
}

// key='value' pairs separated by blanks. Any fault ends the text and keeps
// what was read before it; a text without "=" is a file name and sets
// nothing here.
void TImageSpec::ReadText(const wchar_t* text, const CDpiScaler* scaler) {
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
        if (!value.IsEmpty()) ApplyKey(key, value, scaler);

        if (!IsBlankChar(*p)) return;
        ++p;
    }
}

void TImageSpec::ApplyKey(const UiString& key, const UiString& value, const CDpiScaler* scaler) {
    // dest is a rectangle: position and size scale apart so the size survives. corner and padding are four widths: each scales alone
    // (the rectangle rule would turn corner 20,0,1,0 into 30,0,1,0 at 150 %).
    auto scaledRect = [scaler](const UiRect& rect) { return scaler ? UiRect(scaler->Scale(rect)) : rect; };
    auto scaledWidths = [scaler](const UiRect& widths) {
        if (!scaler) return widths;
        return UiRect(scaler->Scale(static_cast<int>(widths.left)), scaler->Scale(static_cast<int>(widths.top)),
                      scaler->Scale(static_cast<int>(widths.right)), scaler->Scale(static_cast<int>(widths.bottom)));
    };
    if (key == L"file" || key == L"res") {
        imageName = value;
    } else if (key == L"restype") {
        resType = value;
    } else if (key == L"dest") {
        dest = scaledRect(ScanClampedRect(value));
    } else if (key == L"source") {
        source = ScanClampedRect(value);  // image pixels: scaled once the variant is known
    } else if (key == L"corner") {
        corner = scaledWidths(ScanClampedRect(value));
    } else if (key == L"padding") {
        padding = scaledWidths(ScanClampedRect(value));
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
    wchar_t tag[32];
    const int whole = percent / 100;
    int fraction = percent % 100;
    if (fraction == 0) {
        std::swprintf(tag, 32, L"@%dx", whole);
    } else if (fraction % 10 == 0) {
        std::swprintf(tag, 32, L"@%d.%dx", whole, fraction / 10);
    } else {
        std::swprintf(tag, 32, L"@%d.%02dx", whole, fraction);
    }
    return base.Left(dot) + tag + base.Mid(dot);
}

// Tries the variants from the current scale down in steps of 25 % while above
// 100 %; the first one present wins. Presence is asked of the storage (a
// directory or archive entry, a resource), so no candidate is read or
// decoded here: the image table decodes the chosen file once, on first use.
void TImageSpec::FindDpiVariant(int percent) {
    const UiString base = imageName;
    const wchar_t* type = resType.IsEmpty() ? nullptr : resType.GetData();
    for (int candidate = percent; candidate > 100; candidate -= 25) {
        const UiString name = VariantName(base, candidate);
        if (name.IsEmpty()) return;
        if (CUiRender::HasImage(name, type, nullptr)) {
            imageName = name;
            scale = candidate / 100.0;
            return;
        }
    }
}

}  // namespace Veneer
