#include "sound/AudioSource.h"

#include <cstring>

#include "sound/AudioBuffer.h"
#include "sound/AudioOgg.h"
#include "sound/AudioRTAC.h"
#include "sound/AudioWave.h"
#include "sound/AudioXM.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

AudioSource* OpenOgg(const NarrowString& path)
{
    return AudioOgg::Open(SmartPtr<File>(Vfs::Open(path.c_str())));
}

AudioSource* OpenWave(const NarrowString& path)
{
    return AudioWave::Open(path);
}

AudioSource* OpenXM(const NarrowString& path)
{
    return AudioXM::Open(path);
}

AudioSource* OpenRTAC(const NarrowString& path)
{
    return AudioRTAC::Open(path);
}

// Decoders by the exact, case-sensitive ending of the path, in the order they are tried.
struct Decoder {
    const char* ending;
    AudioSource* (*open)(const NarrowString& path);
    // The source never ends (a module loops for ever): it has no whole sound to hold in memory.
    bool endless;
};

const Decoder DECODERS[] = {
    {".wav", &OpenWave, false},
    {".ogg", &OpenOgg, false},
    {".xm", &OpenXM, true},
    {".rtac", &OpenRTAC, false},
};

bool EndsWith(const NarrowString& path, const char* ending)
{
    const size_t n = std::strlen(ending);
    return path.size() >= n && path.compare(path.size() - n, n, ending) == 0;
}

} // namespace

AudioSource* AudioSource::Create(const NarrowString& path, bool inMemory)
{
    for (const Decoder& decoder : DECODERS) {
        if (!EndsWith(path, decoder.ending))
            continue;
        if (inMemory && decoder.endless) {
            // Its size is 0, so the sound in memory would be empty (which a buffer refuses);
            // reading it to its end instead would fill the buffer's whole limit with music.
            return nullptr;
        }
        AudioSource* source = decoder.open(path);
        if (!source || !inMemory)
            return source;
        // The decoder's last reference is the temporary: it and its file are closed as soon as
        // the buffer has read it.
        return AudioBuffer::Create(SmartPtr<AudioSource>(source));
    }
    return nullptr;
}

AudioSource* AudioSource::CreateStream(const NarrowString& path)
{
    if (!EndsWith(path, ".ogg"))
        return nullptr;
    return AudioOgg::Open(SmartPtr<File>(Vfs::OpenCached(path.c_str())));
}

} // namespace Vorn
