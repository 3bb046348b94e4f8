// Feeds arbitrary bytes to the RTAC source as the factory opens it: header checks, decoding in
// pieces that end inside blocks and values, seeks into blocks, and encoding what it decoded again.
#include <cstdint>
#include <vector>

#include "sound/AudioBuffer.h"
#include "sound/AudioRTAC.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    CachedFile file(data, static_cast<u32>(size), false);
    SmartPtr<AudioSource> rtac(AudioRTAC::Load(file));
    if (!rtac)
        return 0;
    std::vector<u8> buffer(4099);
    while (rtac->Read(buffer.data(), 4099) > 0) {
    }
    const u32 total = rtac->GetSize();
    rtac->Seek(total / 3 + 1);
    rtac->Read(buffer.data(), 7);
    rtac->Seek(total - (total > 70 ? 70 : total));
    rtac->Read(buffer.data(), 4099);
    rtac->Seek(0xffffffffu);
    rtac->Read(buffer.data(), 64);
    rtac->Rewind();
    SmartPtr<AudioSource> again(AudioRTAC::Encode(SmartPtr<AudioSource>(AudioBuffer::Create(rtac))));
    if (again)
        again->Read(buffer.data(), 4099);
    return 0;
}
