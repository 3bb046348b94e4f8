// Opens arbitrary bytes as a block-compressed file and reads it the ways the pak mount does:
// sequentially in chunks of varying size, then at positions inside different blocks, backwards and
// forwards.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzFile.h"
#include "vfs/CompressedFile.h"

namespace {

// Blocks may be up to 16 MiB: reads stay near block starts so that one input decodes a bounded
// amount.
const uint32_t SEQUENTIAL_LIMIT = 256 * 1024;
const uint32_t PROBE_SPAN = 8192;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::Steering steer;
    steer.Take(data, size);
    const std::string& path = FuzzSupport::FilePathFor(data, size);

    Vorn::CompressedFile file;
    if (!file.OpenNative(path.c_str()))
        return 0;
    const uint32_t total = file.GetSize();
    const uint32_t blockSize = file.GetBlockSize();
    if (total == 0 || blockSize == 0 || total % blockSize != 0)
        std::abort();

    static std::vector<uint8_t> buffer(SEQUENTIAL_LIMIT + 1);
    uint32_t chunk = 1 + steer.values[0] % 5000;
    uint32_t read = 0;
    while (read < std::min(total, SEQUENTIAL_LIMIT)) {
        int32_t got = file.Read(buffer.data(), std::min(chunk, SEQUENTIAL_LIMIT - read));
        if (got < 0 || static_cast<uint32_t>(got) > chunk)
            std::abort();
        if (got == 0)
            break;
        read += static_cast<uint32_t>(got);
    }

    for (int probe = 0; probe < 6; ++probe) {
        uint32_t v = steer.values[1 + probe % 3] >> (probe * 3);
        uint32_t block = v % file.GetBlockCount();
        uint32_t position = block * blockSize + (v >> 8) % std::min(blockSize, PROBE_SPAN);
        file.Seek(static_cast<int>(position), Vorn::SeekableStream::FROM_START);
        int32_t got = file.Read(buffer.data(), 1 + (v >> 4) % PROBE_SPAN);
        if (got < 0 || file.Tell() > total)
            std::abort();
    }
    file.Seek(-1, Vorn::SeekableStream::FROM_END);
    file.Read(buffer.data(), 16);
    return 0;
}
