// Feeds arbitrary bytes to the WAV source as the factory opens it: header and chunk walk, reads,
// seeks and rewinds, a whole copy in memory, and a looping mixer channel converting its rate and
// channels.
#include <cstdint>
#include <vector>

#include "sound/AudioBuffer.h"
#include "sound/AudioWave.h"
#include "sound/mixer/Mixer.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    SmartPtr<File> file(new CachedFile(data, static_cast<u32>(size), false));
    SmartPtr<AudioSource> wav(AudioWave::Open(file));
    if (!wav)
        return 0;
    std::vector<u8> buffer(4099);
    while (wav->Read(buffer.data(), static_cast<u32>(buffer.size())) > 0) {
    }
    wav->Seek(wav->GetSize() / 3);
    wav->Read(buffer.data(), 7);
    wav->Seek(0xfffffff0u);
    wav->Read(buffer.data(), 64);
    wav->Rewind();
    SmartPtr<AudioSource> memory(AudioBuffer::Create(wav));
    if (memory)
        memory->Read(buffer.data(), static_cast<u32>(buffer.size()));
    wav->Rewind();
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
    if (SmartPtr<AudioChannel> channel = mixer->Play(wav, true).Lock()) {
        channel->SetLoop(true);
        channel->SetPaused(false);
        for (int block = 0; block < 4; ++block)
            mixer->Read(buffer.data(), 4096);
    }
    return 0;
}
