#include "sound/AudioBuffer.h"

#include <algorithm>
#include <cstring>

namespace Vorn {

namespace {
// Reads go in pieces of this size, so that a false size claim costs nothing.
const u32 READ_PIECE = 256u << 10;
}

AudioBuffer* AudioBuffer::Create(const SmartPtr<AudioSource>& source)
{
    if (!source)
        return nullptr;
    AudioBuffer* buffer = new AudioBuffer;
    buffer->m_channels = source->GetChannels();
    buffer->m_sampleRate = source->GetSampleRate();
    std::vector<u8>& data = buffer->m_data;
    data.reserve(std::min(source->GetSize(), READ_PIECE));
    for (;;) {
        const size_t have = data.size();
        const u32 piece = std::min<u32>(READ_PIECE, MAX_BYTES - static_cast<u32>(have));
        if (piece == 0)
            break;
        data.resize(have + piece);
        const u32 n = std::min(source->Read(data.data() + have, piece), piece);
        data.resize(have + n);
        if (n < piece)
            break;
    }
    if (data.empty()) {
        delete buffer;
        return nullptr;
    }
    data.shrink_to_fit();
    return buffer;
}

u32 AudioBuffer::Read(void* buffer, u32 bytes)
{
    const u32 size = GetSize();
    const u32 n = std::min(bytes, size - m_position);
    if (n)
        std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += n;
    return n;
}

void AudioBuffer::Seek(u32 position)
{
    m_position = std::min(position, GetSize());
}

} // namespace Vorn
