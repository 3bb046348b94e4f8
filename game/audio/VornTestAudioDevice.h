// The game's sound device on the engine's mixer: sound names become shared, cached sources with
// handles; each play gets a mixer channel of its own over a private read position, so a sound can
// overlap itself; one music channel; one volume for all sounds and one for the music.
#pragma once

#include <map>
#include <vector>

#include "audio/AudioDevice.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"
#include "sound/AudioSource.h"
#include "sound/mixer/AudioChannel.h"
#include "sound/mixer/EffectVolume.h"
#include "sound/mixer/Mixer.h"

namespace Audio {

class VornTestAudioDevice : public AudioDevice {
public:
    VornTestAudioDevice();
    ~VornTestAudioDevice() override;

    // Creates the mixer (2 channels, 44100 Hz, 4096-byte blocks, 4 channels unforced) and
    // publishes it as Vorn::g_mixer; playback starts at once.
    void Init() override;
    // A new handle (from 1) for the named sound's source, found in the asset dictionary or loaded
    // by spec: "path", "path@cache" (an Ogg stream over a memory copy of the file) or
    // "path@buffer" (decoded whole into memory). A name that gives no source still gets a handle,
    // which plays nothing.
    Vorn::u32 CreateSource(const Vorn::NarrowString& name) override;
    // Stops the handle's last one-shot play, then plays it once, or looped (a handle loops at most
    // once). 1 when a channel plays; 0, with nothing started, for a handle that has no source or
    // a source the mixer cannot convert.
    Vorn::u32 Play(Vorn::u32 handle, bool loop) override;
    void ReleaseSource(Vorn::u32) override {}
    // Stops the most recent one-shot when it was this handle's.
    void Stop(Vorn::u32 handle) override;
    bool IsPlaying(Vorn::u32) override { return false; }
    // Replaces the music; a name that gives no source only stops the old music.
    void PlayMusic(const Vorn::NarrowString& name, bool loop) override;
    void StopMusic() override;
    void Update() override {}
    // Sets the volume of every sound (the handle is not used): 0.6 of volume.
    void SetVolume(Vorn::u32 handle, float volume) override;
    // Music plays at twice its decoded level times 0.6 of volume, applied as one gain.
    void SetMusicVolume(float volume) override;

    const Vorn::SmartPtr<Vorn::Mixer>& GetMixer() const { return m_mixer; }
    const Vorn::SmartPtr<Vorn::EffectVolume>& GetSoundVolume() const { return m_soundVolume; }
    const Vorn::SmartPtr<Vorn::EffectVolume>& GetMusicVolume() const { return m_musicVolume; }
    Vorn::SmartPtr<Vorn::AudioChannel> GetMusicChannel() const { return m_musicChannel.Lock(); }
    // The source of handle, null for 0, an unknown handle, or a name that gave none.
    Vorn::SmartPtr<Vorn::AudioSource> GetSource(Vorn::u32 handle) const;

    static constexpr Vorn::u32 CHANNELS = 2;
    static constexpr Vorn::u32 SAMPLE_RATE = 44100;
    static constexpr Vorn::u32 BLOCK_BYTES = 4096;
    static constexpr Vorn::u32 CHANNEL_LIMIT = 4;

private:
    Vorn::SmartPtr<Vorn::AudioSource> FindSource(const Vorn::NarrowString& name) const;
    Vorn::SmartPtr<Vorn::AudioChannel> StartChannel(const Vorn::SmartPtr<Vorn::AudioSource>& source, float gain,
                                                    const Vorn::SmartPtr<Vorn::EffectVolume>& volume, bool loop);

    Vorn::SmartPtr<Vorn::Mixer> m_mixer;
    Vorn::WeakPtr<Vorn::AudioChannel> m_musicChannel;
    Vorn::SmartPtr<Vorn::EffectVolume> m_musicVolume;
    Vorn::SmartPtr<Vorn::EffectVolume> m_soundVolume;
    Vorn::SmartPtr<Vorn::AudioChannel> m_lastChannel;
    Vorn::u32 m_lastHandle;
    // Indexed by handle - 1; entries are never removed.
    std::vector<Vorn::SmartPtr<Vorn::AudioSource> > m_sources;
    // Handles whose looping channel was started; only the keys are consulted.
    std::map<Vorn::u32, Vorn::WeakPtr<Vorn::AudioChannel> > m_looping;
};

} // namespace Audio
