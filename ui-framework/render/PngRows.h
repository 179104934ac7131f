#pragma once
// A PNG decoder that inflates one row at a time straight into the caller's
// pixels: no buffer of the image's size besides the caller's own is ever
// made, so a window-sized background costs its bitmap and two rows. It takes
// the PNGs a skin is made of (8 bits per channel, not interlaced: grey,
// grey and alpha, RGB, RGBA, palette with or without transparency); any
// other PNG is left to a general decoder. Portable: no Windows types.
#include <cstddef>

namespace Veneer {

enum class PngRowsResult {
    Decoded,      // every row written
    Unsupported,  // not a PNG this decoder takes: decode it another way
    Corrupt,      // a PNG this decoder takes, but broken: nothing usable
};

// Where the pixels go: called once, with the size the header names, after
// the chunks before the image data were read and found sound. Returns
// width * height * 4 bytes, or null to stop (Corrupt).
using PngRowsTarget = unsigned char* (*)(void* context, int width, int height);

// Decodes into the target's pixels: straight (not premultiplied) RGBA, rows
// top-down. On Corrupt after the target was asked for, the rows before the
// fault are written and the rest is unspecified.
PngRowsResult DecodePngRows(const unsigned char* bytes, size_t length, PngRowsTarget target, void* context);

}  // namespace Veneer
