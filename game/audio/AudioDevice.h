// What the game's sound layer asks of a sound device: sources by name, identified by handles,
// played once or looped, and one music stream.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "system/Types.h"

namespace Audio {

class AudioDevice : public Vorn::RefCounter {
public:
    virtual void Init() = 0;
    // A handle for the sound named name; handles start at 1, 0 means none.
    virtual Vorn::u32 CreateSource(const Vorn::NarrowString& name) = 0;
    // Non-zero when playback began.
    virtual Vorn::u32 Play(Vorn::u32 handle, bool loop) = 0;
    virtual void ReleaseSource(Vorn::u32 handle) = 0;
    virtual void Stop(Vorn::u32 handle) = 0;
    virtual bool IsPlaying(Vorn::u32 handle) = 0;
    virtual void PlayMusic(const Vorn::NarrowString& name, bool loop) = 0;
    virtual void StopMusic() = 0;
    virtual void Update() = 0;
    virtual void SetVolume(Vorn::u32 handle, float volume) = 0;
    virtual void SetMusicVolume(float volume) = 0;
};

} // namespace Audio
