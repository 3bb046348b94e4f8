#include "sound/AudioSource.h"

#include <cstring>

#include "sound/AudioBuffer.h"
#include "sound/AudioOgg.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

AudioSource* OpenOgg(const NarrowString& path)
{
    return AudioOgg::Open(SmartPtr<File>(Vfs::Open(path.c_str())));
}

// Decoders by the exact, case-sensitive ending of the path, in the order they are tried. The
// WAV, XM and RTAC decoders are not part of the engine yet: their names give no source.
struct Decoder {
    const char* ending;
    AudioSource* (*open)(const NarrowString& path);
};

const Decoder DECODERS[] = {
    {".wav", nullptr},
    {".ogg", &OpenOgg},
    {".xm", nullptr},
    {".rtac", nullptr},
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
        if (!decoder.open)
            return nullptr;
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
