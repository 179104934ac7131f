// The row-by-row PNG decoder: every colour type and filter back to the
// source pixels, across image data split over chunks; broken streams refused;
// PNGs it does not take left to the general decoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "render/PngRows.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::EncodePng;
using Veneer::Testing::PngChunk;
using Veneer::Testing::WithChunk;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr size_t kColourTypeAt = 8 + 8 + 9;  // signature, IHDR length and type, width, height, depth

Bytes Noise(size_t count, uint32_t seed) {
    Bytes bytes(count);
    for (unsigned char& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    return bytes;
}

uint32_t Read32(const Bytes& png, size_t at) {
    return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 | png[at + 3];
}

// The image data chunk cut in two at half its length, with a text chunk
// between the halves.
Bytes SplitImageData(const Bytes& png) {
    size_t at = 8;
    while (std::string(png.begin() + at + 4, png.begin() + at + 8) != "IDAT") at += 12 + Read32(png, at);
    const auto data = png.begin() + at + 8;
    const auto half = data + Read32(png, at) / 2;
    const auto end = data + Read32(png, at);
    Bytes out(png.begin(), png.begin() + at);
    for (const Bytes& piece : {PngChunk("IDAT", Bytes(data, half)), PngChunk("tEXt", Bytes(data, data + 3)),
                               PngChunk("IDAT", Bytes(half, end))}) {
        out.insert(out.end(), piece.begin(), piece.end());
    }
    out.insert(out.end(), end + 4, png.end());  // past the old CRC
    return out;
}

// A PNG of already filtered rows, as given.
Bytes RawPng(uint32_t width, uint32_t height, int depth, int colour, int interlace, const Bytes& rows) {
    Bytes header;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<unsigned char>(value >> shift));
    }
    header.insert(header.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(colour), 0, 0,
                                 static_cast<unsigned char>(interlace)});
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    Bytes packed(packedSize);
    compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()));
    packed.resize(packedSize);
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes& chunk : {PngChunk("IHDR", header), PngChunk("IDAT", packed), PngChunk("IEND", {})}) {
        png.insert(png.end(), chunk.begin(), chunk.end());
    }
    return png;
}

PngRowsResult DecodeAll(const Bytes& png, Bytes* rgba = nullptr) {
    Bytes pixels;
    const PngRowsResult result = DecodePngRows(
        png.data(), png.size(),
        [](void* target, int width, int height) {
            auto* out = static_cast<Bytes*>(target);
            out->assign(static_cast<size_t>(width) * height * 4, 0);
            return out->data();
        },
        &pixels);
    if (rgba) *rgba = pixels;
    return result;
}

}  // namespace

TEST(PngRows, EveryColourTypeAndFilterDecodesToTheSourcePixels) {
    constexpr int kWidth = 23, kHeight = 16, kPixels = kWidth * kHeight;  // enough samples for ties in Paeth
    // 200 palette entries, the first 100 with an alpha of their own: indices
    // past the palette come out transparent black.
    const Bytes palette = Noise(200 * 3, 7);
    const Bytes alphas = Noise(100, 8);
    for (int filter = 0; filter <= 4; ++filter) {
        for (int channels = 1; channels <= 5; ++channels) {  // 5: palette
            SCOPED_TRACE("filter " + std::to_string(filter) + ", channels " + std::to_string(channels));
            const bool indexed = channels == 5;
            const Bytes source = Noise(static_cast<size_t>(kPixels) * (indexed ? 1 : channels), 11 * channels + filter);
            Bytes png = EncodePng(kWidth, kHeight, source, indexed ? 1 : channels, filter);
            if (indexed) {
                png[kColourTypeAt] = 3;
                png = WithChunk(WithChunk(png, "tRNS", alphas), "PLTE", palette);
            }
            Bytes rgba;
            ASSERT_EQ(DecodeAll(SplitImageData(png), &rgba), PngRowsResult::Decoded);
            for (int i = 0; i < kPixels; ++i) {
                unsigned char want[4] = {0, 0, 0, 255};
                const unsigned char* in = &source[static_cast<size_t>(i) * (indexed ? 1 : channels)];
                switch (channels) {
                    case 1: want[0] = want[1] = want[2] = in[0]; break;
                    case 2: want[0] = want[1] = want[2] = in[0], want[3] = in[1]; break;
                    case 3: want[0] = in[0], want[1] = in[1], want[2] = in[2]; break;
                    case 4: want[0] = in[0], want[1] = in[1], want[2] = in[2], want[3] = in[3]; break;
                    default:
                        if (in[0] >= 200) {
                            want[3] = 0;
                            break;
                        }
                        for (int c = 0; c < 3; ++c) want[c] = palette[in[0] * 3 + c];
                        if (in[0] < 100) want[3] = alphas[in[0]];
                }
                ASSERT_EQ(Bytes(want, want + 4), Bytes(&rgba[i * 4], &rgba[i * 4] + 4)) << "pixel " << i;
            }
        }
    }
}

TEST(PngRows, BrokenPngsAreCorruptAndOthersAreLeftToTheGeneralDecoder) {
    const Bytes onePixel = RawPng(1, 1, 8, 0, 0, {0, 9});
    Bytes cutShort(onePixel.begin(), onePixel.end() - 13);  // the image data chunk runs past the end
    const struct {
        const char* name;
        Bytes png;
        PngRowsResult expected;
    } cases[] = {
        {"one grey pixel", onePixel, PngRowsResult::Decoded},
        {"unknown ancillary chunk", WithChunk(onePixel, "zzZz", {1, 2}), PngRowsResult::Decoded},
        {"unknown filter", RawPng(1, 1, 8, 0, 0, {5, 9}), PngRowsResult::Corrupt},
        {"a row missing", RawPng(1, 2, 8, 0, 0, {0, 9}), PngRowsResult::Corrupt},
        {"image data cut short", cutShort, PngRowsResult::Corrupt},
        {"palette image without a palette", RawPng(1, 1, 8, 3, 0, {0, 0}), PngRowsResult::Corrupt},
        {"more alphas than palette entries",
         WithChunk(WithChunk(RawPng(1, 1, 8, 3, 0, {0, 0}), "tRNS", {1, 2}), "PLTE", {1, 2, 3}),
         PngRowsResult::Corrupt},
        {"palette of 4 bytes", WithChunk(RawPng(1, 1, 8, 3, 0, {0, 0}), "PLTE", {1, 2, 3, 4}),
         PngRowsResult::Corrupt},
        {"unknown critical chunk", WithChunk(onePixel, "ZZZZ", {}), PngRowsResult::Corrupt},
        {"no width", RawPng(0, 1, 8, 0, 0, {0, 9}), PngRowsResult::Corrupt},
        {"colour type 7", RawPng(1, 1, 8, 7, 0, {0, 9}), PngRowsResult::Corrupt},
        {"16 bits", RawPng(1, 1, 16, 0, 0, {0, 9, 9}), PngRowsResult::Unsupported},
        {"interlaced", RawPng(1, 1, 8, 0, 1, {0, 9}), PngRowsResult::Unsupported},
        {"RGB with a colour key", WithChunk(RawPng(1, 1, 8, 2, 0, {0, 1, 2, 3}), "tRNS", {0, 1, 0, 2, 0, 3}),
         PngRowsResult::Unsupported},
        {"wider than 16384", RawPng(16385, 1, 8, 0, 0, Bytes(16386)), PngRowsResult::Unsupported},
        {"not a PNG", Bytes(40, 'x'), PngRowsResult::Unsupported},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeAll(c.png), c.expected) << c.name;
    }
}
