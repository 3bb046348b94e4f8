// A sound device for game tests: it plays nothing and keeps what the game asked of it, by file
// name, so that tests can see which sounds and which music the game started.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"

namespace VornTest {

class SoundRecorder : public Audio::AudioDevice {
public:
    void Init() override {}
    Vorn::u32 CreateSource(const Vorn::NarrowString& name) override;
    Vorn::u32 Play(Vorn::u32 handle, bool loop) override;
    void ReleaseSource(Vorn::u32) override {}
    void Stop(Vorn::u32) override {}
    bool IsPlaying(Vorn::u32) override { return false; }
    void PlayMusic(const Vorn::NarrowString& name, bool loop) override;
    void StopMusic() override { ++musicStops; }
    void Update() override {}
    void SetVolume(Vorn::u32, float) override {}
    void SetMusicVolume(float volume) override { musicVolume = volume; }

    // Plays of the sound loaded from this path so far.
    int Plays(const std::string& path) const;

    std::vector<std::string> sources;   // by handle - 1
    std::vector<std::string> played;    // paths, in order
    std::vector<std::string> music;     // music started, in order
    int musicStops = 0;
    float musicVolume = -1.0f;
};

// Installs a new recorder as the sound manager's device, with the game's sounds registered.
SoundRecorder* InstallSoundRecorder();
void RemoveSoundRecorder();

} // namespace VornTest
