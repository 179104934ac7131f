#include "render/PngRows.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <zlib.h>

namespace Veneer {

namespace {

// The largest side taken, as the general decoder: a forged header cannot ask
// for more than 1 GiB of pixels.
constexpr uint32_t kMaxSide = 1u << 14;
constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const unsigned char* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

constexpr uint32_t ChunkType(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
           uint32_t(uint8_t(name[3]));
}

// Colour types, as the header's byte holds them.
constexpr int kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6;

struct Chunk {
    uint32_t type = 0;
    const unsigned char* data = nullptr;
    uint32_t length = 0;
};

// Walks the chunks; every chunk it yields lies wholly inside the bytes.
class ChunkReader {
public:
    ChunkReader(const unsigned char* bytes, size_t length) : m_at(bytes), m_end(bytes + length) {}

    // False at the end of the bytes, or at a chunk that runs past them.
    bool Next(Chunk* chunk) {
        const size_t left = static_cast<size_t>(m_end - m_at);
        if (left < 12) return false;
        const uint32_t length = BigEndian32(m_at);
        if (length > left - 12) return false;
        chunk->length = length;
        chunk->type = BigEndian32(m_at + 4);
        chunk->data = m_at + 8;
        m_at += 12 + static_cast<size_t>(length);
        return true;
    }

private:
    const unsigned char* m_at;
    const unsigned char* m_end;
};

// What the chunks before the image data say.
struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    int colour = 0;
    int channels = 0;                // bytes per pixel in the filtered rows
    uint8_t palette[256][4] = {};    // RGBA; entries past the palette stay transparent black
    int paletteEntries = 0;
};

PngRowsResult ReadHeader(const unsigned char* bytes, size_t length, Header* header, ChunkReader* reader) {
    if (!bytes || length < sizeof(kSignature) || std::memcmp(bytes, kSignature, sizeof(kSignature)) != 0) {
        return PngRowsResult::Unsupported;
    }
    *reader = ChunkReader(bytes + sizeof(kSignature), length - sizeof(kSignature));
    Chunk chunk;
    if (!reader->Next(&chunk) || chunk.type != ChunkType("IHDR") || chunk.length != 13) return PngRowsResult::Corrupt;
    const unsigned char* h = chunk.data;
    header->width = BigEndian32(h);
    header->height = BigEndian32(h + 4);
    const int depth = h[8];
    header->colour = h[9];
    const bool standard = h[10] == 0 && h[11] == 0;  // deflate, adaptive filtering
    const bool interlaced = h[12] != 0;
    if (header->width == 0 || header->height == 0 || !standard) return PngRowsResult::Corrupt;
    if (header->width > kMaxSide || header->height > kMaxSide || depth != 8 || interlaced) {
        return PngRowsResult::Unsupported;
    }
    switch (header->colour) {
        case kGrey: header->channels = 1; break;
        case kGreyAlpha: header->channels = 2; break;
        case kRgb: header->channels = 3; break;
        case kRgba: header->channels = 4; break;
        case kPalette: header->channels = 1; break;
        default: return PngRowsResult::Corrupt;
    }
    // Up to the first image data chunk, which the reader is left before.
    ChunkReader before = *reader;
    while (reader->Next(&chunk)) {
        if (chunk.type == ChunkType("IDAT")) {
            if (header->colour == kPalette && header->paletteEntries == 0) return PngRowsResult::Corrupt;
            *reader = before;
            return PngRowsResult::Decoded;
        }
        if (chunk.type == ChunkType("PLTE")) {
            if (chunk.length == 0 || chunk.length % 3 != 0 || chunk.length > 3 * 256) return PngRowsResult::Corrupt;
            header->paletteEntries = static_cast<int>(chunk.length / 3);
            for (int i = 0; i < header->paletteEntries; ++i) {
                std::memcpy(header->palette[i], chunk.data + 3 * i, 3);
                header->palette[i][3] = 255;
            }
        } else if (chunk.type == ChunkType("tRNS")) {
            // A colour key on grey or RGB is left to the general decoder.
            if (header->colour != kPalette) return PngRowsResult::Unsupported;
            if (header->paletteEntries == 0 || chunk.length > static_cast<uint32_t>(header->paletteEntries)) {
                return PngRowsResult::Corrupt;
            }
            for (uint32_t i = 0; i < chunk.length; ++i) header->palette[i][3] = chunk.data[i];
        } else if (chunk.type == ChunkType("IEND")) {
            break;
        } else if ((chunk.type & 0x20000000u) == 0) {
            return PngRowsResult::Corrupt;  // a critical chunk this decoder does not know
        }
        before = *reader;
    }
    return PngRowsResult::Corrupt;  // no image data
}

uint8_t Paeth(int left, int up, int upLeft) {
    const int p = left + up - upLeft;
    const int pa = p > left ? p - left : left - p;
    const int pb = p > up ? p - up : up - p;
    const int pc = p > upLeft ? p - upLeft : upLeft - p;
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(pb <= pc ? up : upLeft);
}

// Undoes one row's filter in place; `row[0]` is the filter type and `prior`
// the previous row, unfiltered (zeros above the first row).
bool Unfilter(unsigned char* row, const unsigned char* prior, size_t bytes, int bpp) {
    unsigned char* x = row + 1;
    const unsigned char* up = prior + 1;
    switch (row[0]) {
        case 0: return true;
        case 1:
            for (size_t i = static_cast<size_t>(bpp); i < bytes; ++i) x[i] = uint8_t(x[i] + x[i - bpp]);
            return true;
        case 2:
            for (size_t i = 0; i < bytes; ++i) x[i] = uint8_t(x[i] + up[i]);
            return true;
        case 3:
            for (size_t i = 0; i < bytes; ++i) {
                const int left = i >= static_cast<size_t>(bpp) ? x[i - bpp] : 0;
                x[i] = uint8_t(x[i] + ((left + up[i]) >> 1));
            }
            return true;
        case 4:
            for (size_t i = 0; i < bytes; ++i) {
                const bool first = i < static_cast<size_t>(bpp);
                x[i] = uint8_t(x[i] + Paeth(first ? 0 : x[i - bpp], up[i], first ? 0 : up[i - bpp]));
            }
            return true;
        default: return false;
    }
}

void EmitRow(const Header& header, const unsigned char* in, unsigned char* out) {
    const uint32_t width = header.width;
    switch (header.colour) {
        case kRgba: std::memcpy(out, in, size_t{width} * 4); break;
        case kRgb:
            for (uint32_t i = 0; i < width; ++i, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
            break;
        case kPalette:
            for (uint32_t i = 0; i < width; ++i, out += 4) std::memcpy(out, header.palette[in[i]], 4);
            break;
        case kGreyAlpha:
            for (uint32_t i = 0; i < width; ++i, in += 2, out += 4) {
                out[0] = out[1] = out[2] = in[0];
                out[3] = in[1];
            }
            break;
        default:  // grey
            for (uint32_t i = 0; i < width; ++i, out += 4) {
                out[0] = out[1] = out[2] = in[i];
                out[3] = 255;
            }
            break;
    }
}

// Owns an inflater for the length of a decode.
class Inflater {
public:
    Inflater() { m_ready = inflateInit(&m_stream) == Z_OK; }
    ~Inflater() {
        if (m_ready) inflateEnd(&m_stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool Ready() const { return m_ready; }
    z_stream& Stream() { return m_stream; }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

}  // namespace

PngRowsResult DecodePngRows(const unsigned char* bytes, size_t length, PngRowsTarget target, void* context) {
    Header header;
    ChunkReader reader(nullptr, 0);
    const PngRowsResult read = ReadHeader(bytes, length, &header, &reader);
    if (read != PngRowsResult::Decoded) return read;
    unsigned char* rgba = target(context, static_cast<int>(header.width), static_cast<int>(header.height));
    if (!rgba) return PngRowsResult::Corrupt;

    // Two filtered rows, each with its filter byte: the one being inflated
    // and the one above it.
    const size_t rowBytes = size_t{header.width} * static_cast<size_t>(header.channels);
    std::vector<unsigned char> rows(2 * (rowBytes + 1), 0);
    unsigned char* current = rows.data();
    unsigned char* prior = rows.data() + rowBytes + 1;
    size_t filled = 0;
    uint32_t done = 0;

    Inflater inflater;
    if (!inflater.Ready()) return PngRowsResult::Corrupt;
    z_stream& stream = inflater.Stream();
    bool ended = false;
    Chunk chunk;
    while (done < header.height && !ended && reader.Next(&chunk)) {
        if (chunk.type == ChunkType("IEND")) break;
        if (chunk.type != ChunkType("IDAT")) continue;  // ancillary chunks between image data
        stream.next_in = const_cast<Bytef*>(chunk.data);
        stream.avail_in = chunk.length;
        while (stream.avail_in > 0 && done < header.height) {
            stream.next_out = current + filled;
            stream.avail_out = static_cast<uInt>(rowBytes + 1 - filled);
            const int result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return PngRowsResult::Corrupt;
            filled = rowBytes + 1 - stream.avail_out;
            if (filled == rowBytes + 1) {
                if (!Unfilter(current, prior, rowBytes, header.channels)) return PngRowsResult::Corrupt;
                EmitRow(header, current + 1, rgba + size_t{done} * header.width * 4);
                std::swap(current, prior);
                filled = 0;
                ++done;
            }
            if (result == Z_STREAM_END) {
                ended = true;
                break;
            }
            if (result == Z_BUF_ERROR) break;  // no progress possible: needs the next chunk
        }
    }
    return done == header.height ? PngRowsResult::Decoded : PngRowsResult::Corrupt;
}

}  // namespace Veneer
