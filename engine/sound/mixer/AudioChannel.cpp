#include "sound/mixer/AudioChannel.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn {

namespace {

// Scratch space of the playback thread (the only thread that mixes; tests pull blocks on their
// own thread, and a second mixer would have its own thread): sized for the largest request seen,
// never shrunk, so steady mixing allocates nothing.
thread_local std::vector<s16> t_mixScratch;
thread_local std::vector<u8> t_sourceScratch;

template <class T>
T* Reserve(std::vector<T>& v, size_t count)
{
    if (v.size() < count)
        v.resize(count);
    return v.data();
}

// One group: DOWN source frames of SRC channels become UP output frames of DST channels. Several
// source frames are averaged (integer sum divided, truncated toward zero), per channel when the
// channel counts match, over both channels of each frame when folding stereo to mono; a mono
// value is written to both channels of a stereo frame. Frames stay whole, so stereo channels never
// mix with each other except when folding to mono.
template <int SRC, int DST, int UP, int DOWN>
void ConvertGroups(const s16* source, s16* output, u32 groups)
{
    for (u32 g = 0; g < groups; ++g) {
        s32 value[DST];
        if (SRC == DST) {
            for (int c = 0; c < DST; ++c) {
                s32 sum = 0;
                for (int k = 0; k < DOWN; ++k)
                    sum += source[k * SRC + c];
                value[c] = sum / DOWN;
            }
        } else if (SRC == 2) {
            s32 sum = 0;
            for (int k = 0; k < DOWN * 2; ++k)
                sum += source[k];
            value[0] = sum / (DOWN * 2);
        } else {
            s32 sum = 0;
            for (int k = 0; k < DOWN; ++k)
                sum += source[k];
            for (int c = 0; c < DST; ++c)
                value[c] = sum / DOWN;
        }
        for (int u = 0; u < UP; ++u)
            for (int c = 0; c < DST; ++c)
                output[u * DST + c] = static_cast<s16>(value[c]);
        source += SRC * DOWN;
        output += DST * UP;
    }
}

// Rate relations, source rate to mixer rate.
enum RateMode { RATE_QUARTER, RATE_HALVE, RATE_SAME, RATE_DOUBLE, RATE_QUADRUPLE, RATE_COUNT };

struct RateStep {
    u32 up;
    u32 down;
};
const RateStep RATE_STEPS[RATE_COUNT] = {{1, 4}, {1, 2}, {1, 1}, {2, 1}, {4, 1}};

// [source channels - 1][mixer channels - 1][rate mode]; the same-rate, same-count entries are
// never used (the source is read straight through).
const AudioChannel::Converter CONVERTERS[2][2][RATE_COUNT] = {
    {{ConvertGroups<1, 1, 1, 4>, ConvertGroups<1, 1, 1, 2>, ConvertGroups<1, 1, 1, 1>,
      ConvertGroups<1, 1, 2, 1>, ConvertGroups<1, 1, 4, 1>},
     {ConvertGroups<1, 2, 1, 4>, ConvertGroups<1, 2, 1, 2>, ConvertGroups<1, 2, 1, 1>,
      ConvertGroups<1, 2, 2, 1>, ConvertGroups<1, 2, 4, 1>}},
    {{ConvertGroups<2, 1, 1, 4>, ConvertGroups<2, 1, 1, 2>, ConvertGroups<2, 1, 1, 1>,
      ConvertGroups<2, 1, 2, 1>, ConvertGroups<2, 1, 4, 1>},
     {ConvertGroups<2, 2, 1, 4>, ConvertGroups<2, 2, 1, 2>, ConvertGroups<2, 2, 1, 1>,
      ConvertGroups<2, 2, 2, 1>, ConvertGroups<2, 2, 4, 1>}},
};

bool FindRateMode(u32 sourceRate, u32 mixerRate, RateMode& mode)
{
    if (sourceRate == 0 || mixerRate == 0)
        return false;
    const u64 s = sourceRate;
    const u64 m = mixerRate;
    if (s == 4 * m)
        mode = RATE_QUARTER;
    else if (s == 2 * m)
        mode = RATE_HALVE;
    else if (s == m)
        mode = RATE_SAME;
    else if (2 * s == m)
        mode = RATE_DOUBLE;
    else if (4 * s == m)
        mode = RATE_QUADRUPLE;
    else
        return false;
    return true;
}

s16 Saturate(s32 v)
{
    return static_cast<s16>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// block += add, saturated. This runs for every channel of every block, and the compiler does not
// vectorise the clamped sum at the engine's optimisation level: eight samples at a time where
// the processor has a saturating add.
void AddSaturated(s16* block, const s16* add, u32 count)
{
    u32 i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(block + i), _mm_adds_epi16(a, b));
    }
#endif
    for (; i < count; ++i)
        block[i] = Saturate(static_cast<s32>(block[i]) + add[i]);
}

int Log2(u32 v)
{
    int n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

} // namespace

AudioChannel::AudioChannel(const AudioFormat& mixerFormat, const SmartPtr<AudioSource>& source)
    : m_source(source),
      m_format(mixerFormat),
      m_convert(nullptr),
      m_direct(false),
      m_shift(0),
      m_sourceFrameBytes(0),
      m_inGroupBytes(0),
      m_outGroupBytes(0),
      m_loop(false),
      m_paused(true),
      m_groupMask(0),
      m_carryBytes(0)
{
    if (!m_source)
        return;
    const u32 sc = m_source->GetChannels();
    const u32 dc = m_format.channels;
    RateMode mode;
    if (sc < 1 || sc > 2 || dc < 1 || dc > 2 || !FindRateMode(m_source->GetSampleRate(), m_format.sampleRate, mode))
        return;
    m_sourceFrameBytes = sc * 2;
    if (sc == dc && mode == RATE_SAME) {
        m_direct = true;
        return;
    }
    const RateStep& step = RATE_STEPS[mode];
    m_convert = CONVERTERS[sc - 1][dc - 1][mode];
    m_inGroupBytes = m_sourceFrameBytes * step.down;
    m_outGroupBytes = m_format.FrameBytes() * step.up;
    m_shift = Log2(dc) - Log2(sc) + Log2(step.up) - Log2(step.down);
}

AudioChannel::~AudioChannel() {}

void AudioChannel::AddEffect(const SmartPtr<AudioEffect>& effect)
{
    if (!effect)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_effects.push_back(effect);
}

bool AudioChannel::RemoveEffect(AudioEffect* effect)
{
    SmartPtr<AudioEffect> removed;  // released after the lock: an effect's destructor may be long
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_effects.begin(); it != m_effects.end(); ++it) {
            if (it->Get() == effect) {
                removed = *it;
                m_effects.erase(it);
                return true;
            }
        }
    }
    return false;
}

u32 AudioChannel::ReadSource(u8* destination, u32 bytes)
{
    u32 got = 0;
    u32 passStart = ~0u;
    for (;;) {
        got += std::min(m_source->Read(destination + got, bytes - got), bytes - got);
        if (got >= bytes || !GetLoop())
            return got;
        // Whole frames only before the wrap, so the data after it keeps its channel alignment.
        got -= got % m_sourceFrameBytes;
        // A whole pass since the last rewind gave nothing: an empty source cannot fill the block.
        if (got == passStart)
            return got;
        m_source->Rewind();
        passStart = got;
    }
}

u32 AudioChannel::ReadConverted(u8* destination, u32 bytes)
{
    if (!IsPlayable())
        return 0;
    if (m_direct)
        return ReadSource(destination, bytes);

    bytes -= bytes % m_format.FrameBytes();
    u32 produced = 0;
    if (m_carryBytes) {
        const u32 take = std::min(m_carryBytes, bytes);
        std::memcpy(destination, m_carry, take);
        std::memmove(m_carry, m_carry + take, m_carryBytes - take);
        m_carryBytes -= take;
        produced = take;
    }
    if (produced == bytes)
        return produced;

    const u32 missing = bytes - produced;
    const u32 groups = (missing + m_outGroupBytes - 1) / m_outGroupBytes;
    const u32 sourceBytes = groups * m_inGroupBytes;
    u8* source = Reserve(t_sourceScratch, sourceBytes);
    const u32 groupsRead = ReadSource(source, sourceBytes) / m_inGroupBytes;

    const u32 whole = std::min(groupsRead, missing / m_outGroupBytes);
    m_convert(reinterpret_cast<const s16*>(source), reinterpret_cast<s16*>(destination + produced), whole);
    produced += whole * m_outGroupBytes;
    if (groupsRead > whole) {
        // The last group reaches past the request: its first frames now, the rest next time.
        u8 group[sizeof(m_carry)];
        m_convert(reinterpret_cast<const s16*>(source + static_cast<size_t>(whole) * m_inGroupBytes),
                  reinterpret_cast<s16*>(group), 1);
        const u32 fit = bytes - produced;
        std::memcpy(destination + produced, group, fit);
        m_carryBytes = m_outGroupBytes - fit;
        std::memcpy(m_carry, group + fit, m_carryBytes);
        produced += fit;
    }
    return produced;
}

u32 AudioChannel::Mix(s16* block, u32 bytes)
{
    if (GetPaused())
        return bytes;
    s16* scratch = Reserve(t_mixScratch, (static_cast<size_t>(bytes) + 1) / 2);
    u32 n = ReadConverted(reinterpret_cast<u8*>(scratch), bytes);
    if (n == 0)
        return 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_effects.begin(); it != m_effects.end();) {
            n = std::min((*it)->Process(scratch, bytes, n), bytes);
            if ((*it)->IsFinished())
                it = m_effects.erase(it);
            else
                ++it;
        }
    }
    AddSaturated(block, scratch, n / 2);
    return n;
}

} // namespace Vorn
