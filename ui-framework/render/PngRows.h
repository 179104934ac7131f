#pragma once
// A PNG decoder that inflates one row at a time straight into the caller's
// pixels: no buffer of the image's size besides the caller's own is ever
// made, so a window-sized background costs its bitmap and two rows. It takes
// the PNGs a skin is made of (8 bits per channel, not interlaced: grey,
// grey and alpha, RGB, RGBA, palette with or without transparency); any
// other PNG is left to a general decoder. Portable: no Windows types.
#include <cstddef>

namespace Veneer {

struct PngRowsLayout {
    int width = 0;   // pixels
    int height = 0;  // pixels
};

enum class PngRowsResult {
    Decoded,      // every row written
    Unsupported,  // not a PNG this decoder takes: decode it another way
    Corrupt,      // a PNG this decoder takes, but broken: nothing usable
};

// Whether `bytes` is a PNG this decoder takes, and its size. Reads the chunks
// before the image data only; false too when those are broken.
bool ReadPngRowsLayout(const unsigned char* bytes, size_t length, PngRowsLayout* layout);

// Decodes into `rgba`, `rgbaBytes` = width * height * 4: straight (not
// premultiplied) RGBA, rows top-down. On Corrupt the rows before the fault
// are written and the rest is unspecified.
PngRowsResult DecodePngRows(const unsigned char* bytes, size_t length, unsigned char* rgba, size_t rgbaBytes);

}  // namespace Veneer
