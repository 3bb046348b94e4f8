// A gain.
#pragma once

#include <atomic>

#include "base/SmartPtr.h"
#include "sound/mixer/AudioEffect.h"

namespace Vorn {

class EffectVolume : public AudioEffect {
public:
    EffectVolume(const AudioFormat& format, float volume);
    // The gain applied is volume times the master's current volume, in one step with one clamp, so
    // that a boost followed by a cut (music: x2.0 then the player's setting) never saturates in
    // between. Many channels can share one master and follow its SetVolume at once.
    EffectVolume(const AudioFormat& format, float volume, const SmartPtr<EffectVolume>& master);

    // Safe while the playback thread processes: the volume is one atomic value.
    void SetVolume(float volume) { m_volume.store(volume, std::memory_order_relaxed); }
    float GetVolume() const { return m_volume.load(std::memory_order_relaxed); }
    // The volume in Q15 (volume x 32768, truncated), as the path below 1.0 multiplies by it.
    s32 GetGain() const { return ToGain(GetVolume()); }
    // This effect's volume times its master's.
    float GetEffectiveVolume() const;

    u32 Process(s16* buffer, u32 requested, u32 available) override;

    // Scales count samples: 1.0 leaves them bit for bit; below 1.0 each becomes
    // (sample x gain) >> 15 (arithmetic, so it rounds toward minus infinity); above 1.0 the float
    // product truncated toward zero; both saturate at the 16-bit limits.
    static void Apply(s16* samples, u32 count, float volume);
    static s32 ToGain(float volume);

private:
    std::atomic<float> m_volume;
    SmartPtr<EffectVolume> m_master;
};

} // namespace Vorn
