// A whole sound held in memory, made by reading another source to its end once.
#pragma once

#include <vector>

#include "base/SmartPtr.h"
#include "sound/AudioSource.h"

namespace Vorn {

class AudioBuffer : public AudioSource {
public:
    // The most a buffer keeps: six minutes of stereo at 44100 Hz and then some. A decoder's size
    // comes from its file, so the buffer grows with what is actually decoded, never by the claim.
    static constexpr u32 MAX_BYTES = 128u << 20;

    // Reads source to its end (at most MAX_BYTES) and keeps the bytes actually read; the source is
    // released before this returns. Null when source is null or gives no data. Count 0.
    static AudioBuffer* Create(const SmartPtr<AudioSource>& source);

    u32 Read(void* buffer, u32 bytes) override;
    void Rewind() override { m_position = 0; }
    u32 GetSize() override { return static_cast<u32>(m_data.size()); }
    // Positions past the end are clamped to the end.
    void Seek(u32 position) override;
    u32 Tell() override { return m_position; }

private:
    AudioBuffer() : m_position(0) {}

    std::vector<u8> m_data;
    u32 m_position;
};

} // namespace Vorn
