// The pull mixer: sums its channels into fixed-size blocks, runs mixer-wide effects, follows the
// global time skew, and is the stream the output device's playback thread reads.
#pragma once

#include <list>
#include <mutex>
#include <vector>

#include "base/SmartPtr.h"
#include "base/WeakPtr.h"
#include "sound/AudioDevice.h"
#include "sound/AudioFormat.h"
#include "sound/AudioSource.h"
#include "sound/AudioStream.h"
#include "sound/mixer/AudioChannel.h"
#include "sound/mixer/AudioEffect.h"
#include "sound/mixer/EffectScale.h"

namespace Vorn {

class Mixer : public AudioStream {
public:
    // Pause mask bits.
    static constexpr u32 PAUSE_FOCUS = 1;    // the application lost focus
    static constexpr u32 PAUSE_CONSOLE = 2;  // debug console open, or a script failed
    static constexpr u32 PAUSE_SUSPEND = 4;  // suspension

    // A mixer with no output device: nothing reads it until Create's start (tests pull Read
    // themselves).
    Mixer(const AudioFormat& format, const AudioBufferSpec& spec);
    // Releases the device first (its thread joined), then the channels and effects.
    ~Mixer() override;

    // A mixer that is already playing: made, held, then given its output device. The device's
    // thread locks the mixer for every block, so it may only start once an owner holds the mixer;
    // otherwise its first lock and release would delete it.
    static SmartPtr<Mixer> Create(const AudioFormat& format, const AudioBufferSpec& spec);

    // Always fills bytes: silence where no channel produced data. Playback thread only.
    u32 Read(void* buffer, u32 bytes) override;

    // A new paused channel for source in the mixer's format, appended to the list; the caller adds
    // effects and unpauses it. Null when source is null or cannot be converted, and, unless
    // forced, when the channel limit is reached.
    WeakPtr<AudioChannel> Play(const SmartPtr<AudioSource>& source, bool force);
    // Play, then unpauses.
    WeakPtr<AudioChannel> PlayNow(const SmartPtr<AudioSource>& source, bool force);
    void RemoveChannel(AudioChannel* channel);
    void StopAll();
    void StopGroup(u32 mask);
    void PauseGroup(u32 mask, bool paused);

    void AddEffect(const SmartPtr<AudioEffect>& effect);
    bool RemoveEffect(AudioEffect* effect);

    // Sets or clears pause bits. While any bit is set the mixer keeps no output device (no
    // thread, PCM closed); when the mask returns to 0 a new device starts. Main thread only.
    void Pause(u32 bits, bool on);
    void Suspend(bool on) { Pause(PAUSE_SUSPEND, on); }
    // Releases the output device for good, joining the playback thread on the calling (main)
    // thread; later pause changes make no new device. The application calls this before the
    // platform shuts down.
    void Shutdown();
    u32 DeviceControl(u32 code, u32 value);

    u32 GetPauseMask() const { return m_pauseMask; }
    bool HasDevice() const { return static_cast<bool>(m_device); }
    const AudioFormat& GetFormat() const { return m_format; }
    const AudioBufferSpec& GetSpec() const { return m_spec; }
    u32 GetChannelCount();
    // Bytes of the current block already handed out.
    u32 GetBlockPosition() const { return m_blockPosition; }

private:
    void ApplyPauseMask();
    void RenderBlock(float skew);

    AudioFormat m_format;
    AudioBufferSpec m_spec;
    SmartPtr<AudioDevice> m_device;
    std::list<SmartPtr<AudioChannel> > m_channels;
    std::list<SmartPtr<AudioEffect> > m_effects;
    std::mutex m_channelMutex;
    std::mutex m_effectMutex;
    u32 m_pauseMask;
    bool m_shutDown;
    std::vector<u8> m_block;
    u32 m_blockPosition;
    std::vector<u8> m_work;  // input of a block when the skew or an effect needs more than a block
    EffectScale m_skew;
};

// The system's one mixer, made by the game's audio device; the application releases it.
extern SmartPtr<Mixer> g_mixer;

} // namespace Vorn
