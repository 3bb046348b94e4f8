// A source of 16-bit PCM: a decoder over a file, a sound held in memory, or a private read
// position over a shared source. A mixer channel reads from exactly one.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/WeakPtr.h"
#include "system/Types.h"

namespace Vorn {

// Positions and sizes are bytes of the decoded PCM (signed 16-bit, channels interleaved), never
// samples or frames.
class AudioSource : public RefCounter, public WeakRefCounter {
public:
    AudioSource() : m_channels(0), m_sampleRate(0) {}

    // Copies up to bytes of PCM into buffer and advances; a result below bytes means the end was
    // reached during this call, 0 that it had been reached before.
    virtual u32 Read(void* buffer, u32 bytes) = 0;
    virtual void Rewind() = 0;
    // Total bytes of PCM.
    virtual u32 GetSize() = 0;
    virtual void Seek(u32 position) = 0;
    virtual u32 Tell() = 0;

    u32 GetChannels() const { return m_channels; }
    u32 GetSampleRate() const { return m_sampleRate; }
    u32 GetFrameBytes() const { return m_channels * 2; }

    // The decoder for path, chosen by its ending (".wav", ".ogg", ".xm", ".rtac", exactly as
    // written); with inMemory the whole sound is decoded at once into an AudioBuffer and the
    // decoder and its file are closed before this returns. Null for an unknown ending, a file that
    // is missing or not of its format, and for an XM module with inMemory (a module never ends, so
    // there is no whole sound to hold). The new source's count is 0.
    static AudioSource* Create(const NarrowString& path, bool inMemory);
    // An Ogg Vorbis source decoding from a memory copy of the file (read whole once); null for any
    // other ending and for a missing or invalid file.
    static AudioSource* CreateStream(const NarrowString& path);

protected:
    u32 m_channels;
    u32 m_sampleRate;
};

} // namespace Vorn
