// One sound effect of the game: its file, whether it stays loaded, its volume, and what the device
// answered when it was last played.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "system/Types.h"

namespace Audio {

class Sound : public Vorn::RefCounter {
public:
    enum Type {
        RESIDENT = 0,   // loaded when registered, stays loaded
        ON_DEMAND = 1,  // loaded when played, unloaded once finished
    };

    Sound(const Vorn::NarrowString& name, Vorn::u8 type);
    // A copy has the name, type, volume and loop flag, and no source of its own yet.
    Sound(const Sound& other);

    // Asks the device for a source, only while the sound has none.
    void Load();
    // Gives the source back; loop and playing are cleared in any case.
    void Unload();
    // Plays on the device and, when it began, sets the device volume. No loading here.
    void Play(bool loop);
    // Stops on the device; the playing byte keeps its value, so later tidy-ups still ask the device.
    void Stop();
    // Clamped to [0, 1]; reaches the device while the sound is playing.
    void SetVolume(float volume);
    // False for a sound without a source, without asking the device; a true answer clears started.
    bool IsPlaying();

    Vorn::u32 GetHandle() const { return m_handle; }
    const Vorn::NarrowString& GetName() const { return m_name; }
    Vorn::u8 GetType() const { return m_type; }
    Vorn::u8 GetPlaying() const { return m_playing; }
    float GetVolume() const { return m_volume; }
    Vorn::u8 GetStarted() const { return m_started; }
    void SetStarted(Vorn::u8 started) { m_started = started; }
    Vorn::u8 GetLoop() const { return m_loop; }

private:
    Sound& operator=(const Sound&) = delete;

    Vorn::u32 m_handle;  // device source handle; 0 while not loaded
    Vorn::NarrowString m_name;
    Vorn::u8 m_type;
    Vorn::u8 m_playing;  // what the device answered for the last Play
    float m_volume;
    Vorn::u8 m_started;  // set from outside: reported as playing while set
    Vorn::u8 m_loop;
};

} // namespace Audio
