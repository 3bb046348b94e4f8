// Feeds arbitrary bytes to the Ogg Vorbis source as a cached stream plays them: open over a memory
// copy, read, seek and rewind; decode it whole into a memory buffer; and play it on a looping
// mixer channel, which also converts its rate and channels; and through the page walk.
#include <cstdint>
#include <vector>

#include "sound/AudioBuffer.h"
#include "sound/AudioOgg.h"
#include "sound/mixer/Mixer.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

namespace {

// Decoded bytes read per input at most, to keep every run short.
const u32 READ_LIMIT = 1u << 20;

SmartPtr<AudioSource> Open(const uint8_t* data, size_t size)
{
    return SmartPtr<AudioSource>(AudioOgg::Open(SmartPtr<File>(new CachedFile(data, static_cast<u32>(size), false))));
}

} // namespace

// The integer decoder loses a 4-byte serial-number list when its opening fails after the first
// page (the failure path never frees it, and ov_clear cannot reach it). That leak is the
// library's; leaks of the engine's own are still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libvorbisidec.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    std::string why;
    AudioOgg::CheckPages(data, size, why);
    SmartPtr<AudioSource> ogg = Open(data, size);
    if (!ogg)
        return 0;

    std::vector<u8> buffer(4099);
    const u32 total = ogg->GetSize();
    u32 read = 0;
    u32 n;
    while (read < READ_LIMIT && (n = ogg->Read(buffer.data(), static_cast<u32>(buffer.size()))) > 0)
        read += n;
    ogg->Seek(total / 3);
    ogg->Read(buffer.data(), 7);
    ogg->Tell();
    ogg->Seek(0xfffffff0u);
    ogg->Read(buffer.data(), 64);
    ogg->Rewind();
    ogg->Read(buffer.data(), 3);

    if (total <= READ_LIMIT) {
        SmartPtr<AudioSource> memory(AudioBuffer::Create(Open(data, size)));
        if (memory)
            memory->Read(buffer.data(), static_cast<u32>(buffer.size()));
    }

    SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
    if (SmartPtr<AudioChannel> channel = mixer->Play(ogg, true).Lock()) {
        channel->SetLoop(true);
        channel->SetPaused(false);
        for (int block = 0; block < 8; ++block)
            mixer->Read(buffer.data(), 4096);
    }
    return 0;
}
