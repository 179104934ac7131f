// PNG rows: whatever the bytes, the decoder either refuses them or asks for
// a buffer of a size within its limits and writes rows into it, reading and
// writing nothing outside the input and that buffer (the sanitizers watch).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/PngRows.h"
#include "tools/fuzz/FuzzInput.h"

namespace {

// Null past the fuzzer's memory limit: the decoder must then stop.
unsigned char* Allocate(void* context, int width, int height) {
    Fuzz::Check(width >= 1 && height >= 1 && width <= 16384 && height <= 16384, "size outside 1..16384");
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    if (bytes > (std::size_t{64} << 20)) return nullptr;
    auto* pixels = static_cast<std::vector<unsigned char>*>(context);
    pixels->assign(bytes, 0);
    return pixels->data();
}

unsigned char* Refuse(void*, int, int) { return nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> pixels;
    Veneer::DecodePngRows(data, size, Allocate, &pixels);
    Fuzz::Check(Veneer::DecodePngRows(data, size, Refuse, nullptr) != Veneer::PngRowsResult::Decoded,
                "decoded without pixels to write to");
    return 0;
}
