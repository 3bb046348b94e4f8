// Nearest-frame resampling by a ratio: the mixer follows the global time skew with it, so a game
// running at half speed also plays its sound at half speed and lower pitch.
#pragma once

#include <vector>

#include "sound/mixer/AudioEffect.h"

namespace Vorn {

class EffectScale : public AudioEffect {
public:
    // ratio: source frames consumed per output frame.
    EffectScale(const AudioFormat& format, float ratio);

    void SetRatio(float ratio) { m_ratio = ratio; }
    float GetRatio() const { return m_ratio; }
    float GetPhase() const { return m_phase; }

    // Remembers output as the size Process writes, and returns the input that produces it:
    // ceil(phase - 1 + outputFrames x ratio) frames.
    u32 RequiredInput(u32 output) override;
    // Resamples input bytes at buffer into the output size last given to RequiredInput, written
    // from the start of buffer (which must hold the larger of the two). The phase carries over, so
    // consecutive blocks continue seamlessly. Returns input.
    u32 Process(s16* buffer, u32 input, u32 ignored) override;

private:
    float m_ratio;
    float m_phase;
    u32 m_outputBytes;
    u32 m_lastValue;  // the last frame written, one sample or one stereo pair as one word
    std::vector<u8> m_copy;
};

} // namespace Vorn
