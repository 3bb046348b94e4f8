// Mounts arbitrary bytes as a pak archive and reads every entry it lists, whole and in parts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzFile.h"
#include "base/SmartPtr.h"
#include "vfs/PakMount.h"

namespace {

const uint32_t ENTRY_LIMIT = 64;
const uint32_t READ_LIMIT = 256 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::Steering steer;
    steer.Take(data, size);
    const std::string& path = FuzzSupport::FilePathFor(data, size);

    Vorn::SmartPtr<Vorn::PakMount> pak(
        new Vorn::PakMount(path.c_str(), "", 0, Vorn::PakMount::NATIVE_PATH));
    if (!pak->IsValid()) {
        if (pak->GetEntryCount() != 0 || pak->Open("a") != nullptr)
            std::abort();
        return 0;
    }

    static std::vector<uint8_t> buffer(READ_LIMIT + 16);
    const uint32_t count = std::min(pak->GetEntryCount(), ENTRY_LIMIT);
    for (uint32_t i = 0; i < count; ++i) {
        const Vorn::PakMount::Entry* entry = pak->GetEntry(i);
        const char* name = pak->GetName(*entry);
        Vorn::SmartPtr<Vorn::File> file(pak->Open(name));
        if (!file)
            continue; // an earlier entry of the same name answers the lookup
        const uint32_t fileSize = file->GetSize();
        const uint32_t chunk = 1 + (steer.values[i % 4] >> (i % 8)) % 9000;
        uint32_t read = 0;
        while (read < std::min(fileSize, READ_LIMIT)) {
            int32_t got = file->Read(buffer.data(), std::min(chunk, READ_LIMIT - read));
            if (got <= 0)
                break;
            read += static_cast<uint32_t>(got);
        }
        if (file->Tell() > fileSize)
            std::abort();
        file->Seek(-3, Vorn::SeekableStream::FROM_END);
        if (file->Read(buffer.data(), 16) > 3)
            std::abort(); // an entry never delivers bytes of the next
        file->Seek(static_cast<int>(steer.values[(i + 1) % 4] % (fileSize + 1)),
                   Vorn::SeekableStream::FROM_START);
        file->Read(buffer.data(), 1000);
    }
    return 0;
}
