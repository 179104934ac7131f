#include "render/TImageSpec.h"

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

// dest is a rectangle: position and size scale apart so the size survives.
// corner and padding are four widths: each scales alone (the rectangle rule
// would turn corner 20,0,1,0 into 30,0,1,0 at 150 %).
UiRect ScaleWidths(const CDpiScaler& scaler, const UiRect& widths) {
    return UiRect(scaler.Scale(static_cast<int>(widths.left)), scaler.Scale(static_cast<int>(widths.top)),
                  scaler.Scale(static_cast<int>(widths.right)), scaler.Scale(static_cast<int>(widths.bottom)));
}

}  // namespace

void TImageSpec::Parse(const wchar_t* descriptorText, const wchar_t* modifierText, const CDpiScaler* scaler) {
    *this = TImageSpec();
    descriptor = descriptorText ? descriptorText : L"";
    modifier = modifierText ? modifierText : L"";
    imageName = descriptor;
    ReadText(descriptor);
    ReadText(modifier);
    if (scaler) {
        dest = UiRect(scaler->Scale(dest));
        corner = ScaleWidths(*scaler, corner);
        padding = ScaleWidths(*scaler, padding);
        drawScale = scaler->GetScale() / 100.0;
        if (scaler->GetScale() != 100) FindDpiVariant(scaler->GetScale());
    }
    // The source counts pixels of the image actually used: the variant's
    // scale, not the screen's (a 1x image at 150 % keeps its source).
    if (scale != 1.0) source = ScaleRectByPercent(source, static_cast<int>(scale * 100.0 + 0.5));
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
