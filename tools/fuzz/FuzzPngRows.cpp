// PNG rows: whatever the bytes, the decoder either refuses them or writes
// rows into a buffer of exactly the size its header named, and reads and
// writes nothing outside the input and that buffer (the sanitizers watch).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/PngRows.h"
#include "tools/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Veneer::PngRowsLayout layout;
    const bool taken = Veneer::ReadPngRowsLayout(data, size, &layout);
    if (!taken) {
        Fuzz::Check(Veneer::DecodePngRows(data, size, nullptr, 0) != Veneer::PngRowsResult::Decoded,
                    "a PNG refused by its header decoded");
        return 0;
    }
    Fuzz::Check(layout.width >= 1 && layout.height >= 1 && layout.width <= 16384 && layout.height <= 16384,
                "size outside 1..16384");
    const std::size_t bytes = static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height) * 4;
    if (bytes > (std::size_t{64} << 20)) return 0;  // within the fuzzer's memory limit
    std::vector<unsigned char> rgba(bytes);
    Veneer::DecodePngRows(data, size, rgba.data(), rgba.size());
    Fuzz::Check(Veneer::DecodePngRows(data, size, rgba.data(), rgba.size() - 1) == Veneer::PngRowsResult::Unsupported,
                "decoded into a buffer of the wrong size");
    return 0;
}
