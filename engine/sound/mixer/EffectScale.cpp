#include "sound/mixer/EffectScale.h"

#include <cmath>
#include <cstring>

namespace Vorn {

EffectScale::EffectScale(const AudioFormat& format, float ratio)
    : AudioEffect(format), m_ratio(ratio), m_phase(1.0f), m_outputBytes(0), m_lastValue(0)
{
}

u32 EffectScale::RequiredInput(u32 output)
{
    m_outputBytes = output;
    const u32 frameBytes = m_format.FrameBytes();
    if (frameBytes == 0)
        return 0;
    const float frames = std::ceil(m_phase - 1.0f + static_cast<float>(output / frameBytes) * m_ratio);
    // A phase of 0 with a ratio of 0 asks for -1 frames; nothing is the answer.
    if (!(frames > 0.0f))
        return 0;
    return static_cast<u32>(frames) * frameBytes;
}

u32 EffectScale::Process(s16* buffer, u32 input, u32)
{
    if (m_ratio == 1.0f)
        return input;
    const u32 frameBytes = m_format.FrameBytes();
    if (frameBytes == 0 || frameBytes > sizeof(m_lastValue))
        return input;
    const u32 inputFrames = input / frameBytes;
    if (m_copy.size() < input)
        m_copy.resize(input);
    if (input)
        std::memcpy(m_copy.data(), buffer, input);

    u8* out = reinterpret_cast<u8*>(buffer);
    const u32 outputFrames = m_outputBytes / frameBytes;
    u32 p = 0;
    for (u32 i = 0; i < outputFrames; ++i) {
        if (m_phase >= 1.0f) {
            // The float phase can drift a frame past what RequiredInput granted: hold the last
            // frame rather than read beyond the input.
            if (p < inputFrames)
                std::memcpy(&m_lastValue, m_copy.data() + static_cast<size_t>(p) * frameBytes, frameBytes);
            const float step = std::floor(m_phase);
            p += static_cast<u32>(step);
            m_phase -= step;
        }
        std::memcpy(out + static_cast<size_t>(i) * frameBytes, &m_lastValue, frameBytes);
        m_phase += m_ratio;
    }
    return input;
}

} // namespace Vorn
