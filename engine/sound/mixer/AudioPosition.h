// A read position of its own over a shared source, so that one decoded sound can play on several
// channels at once, each at its own place.
#pragma once

#include "base/SmartPtr.h"
#include "sound/AudioSource.h"

namespace Vorn {

// Serialises nothing itself: positions over one source are safe because every channel mixes on
// the one playback thread.
class AudioPosition : public AudioSource {
public:
    explicit AudioPosition(const SmartPtr<AudioSource>& shared);

    // Moves the shared source to this position first when another reader moved it.
    u32 Read(void* buffer, u32 bytes) override;
    void Rewind() override { m_position = 0; }
    u32 GetSize() override { return m_shared ? m_shared->GetSize() : 0; }
    void Seek(u32 position) override { m_position = position; }
    u32 Tell() override { return m_position; }

    const SmartPtr<AudioSource>& GetShared() const { return m_shared; }

private:
    SmartPtr<AudioSource> m_shared;
    u32 m_position;
};

} // namespace Vorn
