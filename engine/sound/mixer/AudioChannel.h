// One sound playing in the mixer: pulls PCM from its source, converts it to the mixer's rate and
// channel count, runs its own effects and adds the result, saturated, into the mix block.
#pragma once

#include <atomic>
#include <list>
#include <mutex>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"
#include "sound/AudioFormat.h"
#include "sound/AudioSource.h"
#include "sound/mixer/AudioEffect.h"

namespace Vorn {

class AudioChannel : public RefCounter, public WeakRefCounter {
public:
    // Rates are converted between 11025, 22050 and 44100 Hz (each to each), channel counts between
    // mono and stereo; other combinations leave the channel unable to play (IsPlayable false), and
    // the mixer refuses it.
    AudioChannel(const AudioFormat& mixerFormat, const SmartPtr<AudioSource>& source);
    ~AudioChannel() override;

    bool IsPlayable() const { return m_convert != nullptr || m_direct; }

    void AddEffect(const SmartPtr<AudioEffect>& effect);
    bool RemoveEffect(AudioEffect* effect);

    // Adds up to bytes of this channel into block and returns the bytes it covered; less than
    // asked means the channel has ended. A paused channel answers bytes and adds nothing. Playback
    // thread only.
    u32 Mix(s16* block, u32 bytes);
    // Reads the source and converts it to the mixer's format: bytes at most, whole output frames.
    u32 ReadConverted(u8* destination, u32 bytes);

    // Flags the owner sets from the main thread while the playback thread mixes.
    void SetLoop(bool loop) { m_loop.store(loop, std::memory_order_relaxed); }
    bool GetLoop() const { return m_loop.load(std::memory_order_relaxed); }
    void SetPaused(bool paused) { m_paused.store(paused, std::memory_order_relaxed); }
    bool GetPaused() const { return m_paused.load(std::memory_order_relaxed); }
    void SetGroupMask(u32 mask) { m_groupMask.store(mask, std::memory_order_relaxed); }
    u32 GetGroupMask() const { return m_groupMask.load(std::memory_order_relaxed); }

    const SmartPtr<AudioSource>& GetSource() const { return m_source; }
    // Output bytes per source byte as a power of two: positive when the output is larger.
    int GetShift() const { return m_shift; }

    // Converts count groups of source frames into output frames. A group is down source frames
    // and gives up output frames.
    typedef void (*Converter)(const s16* source, s16* output, u32 groups);

private:
    // Reads bytes of the source, rewinding it as often as needed when looping.
    u32 ReadSource(u8* destination, u32 bytes);

    SmartPtr<AudioSource> m_source;
    AudioFormat m_format;
    Converter m_convert;
    bool m_direct;  // same rate and channel count: the source is read straight through
    int m_shift;
    u32 m_sourceFrameBytes;
    u32 m_inGroupBytes;   // source bytes of one conversion group
    u32 m_outGroupBytes;  // output bytes of one conversion group

    std::list<SmartPtr<AudioEffect> > m_effects;
    std::mutex m_mutex;  // guards m_effects
    std::atomic<bool> m_loop;
    std::atomic<bool> m_paused;
    std::atomic<u32> m_groupMask;

    // Output of the last group that did not fit the previous request (a doubled sample whose
    // second frame belongs to the next block); at most one group.
    u8 m_carry[16];
    u32 m_carryBytes;
};

} // namespace Vorn
