// Feeds arbitrary bytes to the XM module loader and renders the song for a while, alone and
// through a mixer channel, as the factory's source plays it.
#include <cstdint>
#include <vector>

#include "sound/AudioXM.h"
#include "sound/mixer/Mixer.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    CachedFile file(data, static_cast<u32>(size), false);
    SmartPtr<AudioSource> xm(AudioXM::Load(file));
    if (!xm)
        return 0;
    // Enough to pass several rows at the slowest tempo a row can have.
    std::vector<u8> buffer(8192);
    for (int i = 0; i < 12; ++i)
        xm->Read(buffer.data(), static_cast<u32>(buffer.size()) - (i & 1));
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
    if (SmartPtr<AudioChannel> channel = mixer->Play(xm, true).Lock()) {
        channel->SetPaused(false);
        for (int block = 0; block < 4; ++block)
            mixer->Read(buffer.data(), 4096);
    }
    return 0;
}
