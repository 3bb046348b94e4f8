#include "sound/mixer/AudioPosition.h"

namespace Vorn {

AudioPosition::AudioPosition(const SmartPtr<AudioSource>& shared) : m_shared(shared), m_position(0)
{
    if (m_shared) {
        m_channels = m_shared->GetChannels();
        m_sampleRate = m_shared->GetSampleRate();
    }
}

u32 AudioPosition::Read(void* buffer, u32 bytes)
{
    if (!m_shared)
        return 0;
    if (m_shared->Tell() != m_position)
        m_shared->Seek(m_position);
    const u32 n = m_shared->Read(buffer, bytes);
    m_position += n;
    return n;
}

} // namespace Vorn
