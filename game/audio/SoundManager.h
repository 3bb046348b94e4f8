// The game's sound service: sound effects registered and played by integer id, one music stream by
// file name, and separate volumes for both. Every operation ends in a call on the sound device.
#pragma once

#include <map>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/Sound.h"
#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Audio {

class SoundManager : public Vorn::RefCounter {
public:
    // The one manager, made on first use with a VornTestAudioDevice (initialised at once).
    static Vorn::SmartPtr<SoundManager> GetInstance();
    // Tests: a manager over device, installed as the one instance (null removes the instance, and
    // the next GetInstance makes the real one).
    static void InstallForTests(const Vorn::SmartPtr<AudioDevice>& device);

    // Registers a sound loaded when played (an id already registered keeps its sound).
    void AddSound(int id, const Vorn::NarrowString& path);
    // Registers a sound and loads it at once (an id already registered keeps its sound, and
    // nothing is loaded).
    void AddAndLoadSound(int id, const Vorn::NarrowString& path);

    // By id; an id that is not registered is ignored (false or null where a result is due).
    void Play(int id, bool loop);
    void Stop(int id);
    void SetVolume(int id, float volume);
    void MarkStarted(int id);
    bool IsPlaying(int id);
    // A copy of the sound, which can overlap the sound itself; loaded before it plays.
    Vorn::SmartPtr<Sound> PlayInstance(int id, bool loop);

    // Remembers path for Resume when loop is set.
    void PlayMusic(const Vorn::NarrowString& path, bool loop);
    void StopMusic();
    // Stored as given; sounds clamp their own copy to [0, 1].
    void SetMusicVolume(float volume);
    void SetSoundVolume(float volume);

    void StopSounds();
    // Unloads on-demand sounds that finished, drops finished copies, updates the device.
    void Update();
    // Stops every sound (remembering looped ones) and unloads them all; music is not touched.
    void Pause();
    // Restarts remembered music and looped sounds and reloads resident sounds.
    void Resume();
    void RemoveAllSounds();

    const Vorn::SmartPtr<AudioDevice>& GetDevice() const { return m_device; }
    Vorn::SmartPtr<Sound> GetSound(int id) const;
    const std::vector<Vorn::SmartPtr<Sound> >& GetInstances() const { return m_instances; }
    const Vorn::NarrowString& GetMusicName() const { return m_musicName; }
    float GetMusicVolume() const { return m_musicVolume; }
    float GetSoundVolume() const { return m_soundVolume; }
    Vorn::u8 GetFlag() const { return m_flag; }

private:
    explicit SoundManager(const Vorn::SmartPtr<AudioDevice>& device);

    std::map<int, Vorn::SmartPtr<Sound> > m_sounds;
    std::vector<Vorn::SmartPtr<Sound> > m_instances;
    Vorn::NarrowString m_musicName;
    std::vector<Vorn::SmartPtr<Sound> > m_resumeList;
    Vorn::SmartPtr<AudioDevice> m_device;
    float m_musicVolume;
    float m_soundVolume;
    Vorn::u8 m_flag;

    static Vorn::SmartPtr<SoundManager> s_instance;
};

} // namespace Audio
