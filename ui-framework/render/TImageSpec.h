#pragma once
// One parsed image descriptor: the small key='value' language inside image
// attributes ("file='btn.png' corner='4,4,4,4' fade='128'"). A descriptor
// without "=" is a plain file name, blanks included.
#include <windows.h>

#include "core/UiRect.h"
#include "core/UiString.h"

namespace Veneer {

class CDpiScaler;

struct TImageSpec {
    UiString descriptor;  // the descriptor text as given
    UiString modifier;    // second text whose keys override the first
    UiString imageName;   // file name, possibly rewritten to a DPI variant
    UiString resType;     // empty: the image comes from the skin storage
    UiRect dest;          // relative to the control's top-left; all zero = whole control
    UiRect source;        // image pixels; all zero = whole image
    UiRect corner;        // widths of the borders that are not stretched (pixels)
    DWORD mask = 0;       // BGRA pixel value made transparent at load time
    BYTE fade = 255;      // constant opacity when drawing
    bool hole = false;    // the middle part is not drawn
    bool xTiled = false;  // the middle part repeats across instead of stretching
    bool yTiled = false;  // the middle part repeats down instead of stretching
    bool hsl = false;     // stored only
    UiSize size;          // explicit draw size for alignment (pixels, not scaled)
    UiString align;       // alignment words ("left", "center", "vcenter", ...)
    UiRect padding;       // offsets applied after alignment
    double scale = 1.0;   // scale of the DPI variant in use (1.0 = plain file)
    double drawScale = 0.0;  // the window's scale when parsed; 0: the process's

    // Clears the record, reads `descriptor` and then `modifier` (either may be
    // null). With a scaler, "dest", "corner" and "padding" are scaled to
    // window pixels and, at a scale other than 100 %, the best DPI variant of
    // the image file that is present ("name@1.5x.png", ...) replaces the plain
    // name; "source" is then scaled by the variant's own scale.
    void Parse(const wchar_t* descriptorText, const wchar_t* modifierText, const CDpiScaler* scaler);

    // The variant name of `baseName` for `percent` (150 -> "name@1.5x.png"):
    // the last "." of the file part becomes "@<percent/100>x."; empty when the
    // name has no extension.
    static UiString VariantName(const wchar_t* baseName, int percent);

    // The descriptor language alone (TImageSpecText.cpp, portable): reads the
    // key='value' pairs of `text` over the fields, in design units, nothing
    // scaled and no variant looked for. Numbers are cut to
    // +-kMaxDescriptorValue. Any fault ends the text and keeps what was read
    // before it; a text without "=" sets nothing.
    void ReadText(const wchar_t* text);

    // Descriptor numbers are cut to this many design units, so that after a
    // scale of up to 1000 % every sum and difference of the nine-part
    // geometry still fits an int with room to spare.
    static constexpr LONG kMaxDescriptorValue = 1000000;

private:
    void ApplyKey(const UiString& key, const UiString& value);
    void FindDpiVariant(int percent);
};

}  // namespace Veneer
