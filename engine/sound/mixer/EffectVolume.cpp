#include "sound/mixer/EffectVolume.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn {

EffectVolume::EffectVolume(const AudioFormat& format, float volume)
    : AudioEffect(format), m_volume(volume)
{
}

EffectVolume::EffectVolume(const AudioFormat& format, float volume, const SmartPtr<EffectVolume>& master)
    : AudioEffect(format), m_volume(volume), m_master(master)
{
}

float EffectVolume::GetEffectiveVolume() const
{
    float volume = GetVolume();
    if (m_master)
        volume *= m_master->GetVolume();
    return volume;
}

s32 EffectVolume::ToGain(float volume)
{
    const float gain = volume * 32768.0f;
    // Volumes come from option screens and scripts unchecked: keep the conversion defined for
    // any float (NaN is silence).
    if (std::isnan(gain))
        return 0;
    if (gain >= 2147483647.0f)
        return 2147483647;
    if (gain <= -2147483648.0f)
        return -2147483647 - 1;
    return static_cast<s32>(gain);
}

void EffectVolume::Apply(s16* samples, u32 count, float volume)
{
    if (volume == 1.0f)
        return;
    if (volume > 1.0f) {
        for (u32 i = 0; i < count; ++i) {
            float v = volume * static_cast<float>(samples[i]);
            // Clamping before the conversion gives the same result as converting first for every
            // product in range, and keeps the conversion defined for those that are not.
            v = v < -32768.0f ? -32768.0f : (v > 32767.0f ? 32767.0f : v);
            samples[i] = static_cast<s16>(v);
        }
        return;
    }
    // Below 1.0 (and for negative or NaN volumes) in Q15. For gains within one unit the product
    // fits 32 bits and the result 16 bits (the one exception, -32768 x -32768, is clamped);
    // 64-bit arithmetic covers the volumes beyond.
    const s64 gain = ToGain(volume);
    if (gain >= -32768 && gain <= 32768) {
        const s32 g = static_cast<s32>(gain);
        u32 i = 0;
#if defined(__SSE2__)
        // Every channel's gain passes here for every block: eight samples at a time, the 32-bit
        // products built from their halves, shifted, and packed back with saturation (which
        // clamps the one product beyond 16 bits as below).
        if (g <= 32767) {
            const __m128i gain16 = _mm_set1_epi16(static_cast<short>(g));
            for (; i + 8 <= count; i += 8) {
                const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
                const __m128i lo = _mm_mullo_epi16(s, gain16);
                const __m128i hi = _mm_mulhi_epi16(s, gain16);
                const __m128i first = _mm_srai_epi32(_mm_unpacklo_epi16(lo, hi), 15);
                const __m128i second = _mm_srai_epi32(_mm_unpackhi_epi16(lo, hi), 15);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(samples + i), _mm_packs_epi32(first, second));
            }
        }
#endif
        for (; i < count; ++i) {
            const s32 v = (static_cast<s32>(samples[i]) * g) >> 15;
            samples[i] = static_cast<s16>(v > 32767 ? 32767 : v);
        }
        return;
    }
    for (u32 i = 0; i < count; ++i) {
        s64 v = (static_cast<s64>(samples[i]) * gain) >> 15;
        v = v < -32768 ? -32768 : (v > 32767 ? 32767 : v);
        samples[i] = static_cast<s16>(v);
    }
}

u32 EffectVolume::Process(s16* buffer, u32, u32 available)
{
    Apply(buffer, available / 2, GetEffectiveVolume());
    return available;
}

} // namespace Vorn
