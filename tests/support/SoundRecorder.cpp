#include "support/SoundRecorder.h"

#include <algorithm>

#include "Sounds.h"
#include "audio/SoundManager.h"

namespace VornTest {

Vorn::u32 SoundRecorder::CreateSource(const Vorn::NarrowString& name)
{
    sources.push_back(name);
    return static_cast<Vorn::u32>(sources.size());
}

Vorn::u32 SoundRecorder::Play(Vorn::u32 handle, bool)
{
    if (handle == 0 || handle > sources.size())
        return 0;
    played.push_back(sources[handle - 1]);
    return 1;
}

void SoundRecorder::PlayMusic(const Vorn::NarrowString& name, bool)
{
    music.push_back(name);
}

int SoundRecorder::Plays(const std::string& path) const
{
    return static_cast<int>(std::count(played.begin(), played.end(), path));
}

SoundRecorder* InstallSoundRecorder()
{
    SoundRecorder* recorder = new SoundRecorder();
    Audio::SoundManager::InstallForTests(Vorn::SmartPtr<Audio::AudioDevice>(recorder));
    Sounds::StopMusic();
    Sounds::LoadAll();
    return recorder;
}

void RemoveSoundRecorder()
{
    Sounds::StopMusic();
    Audio::SoundManager::InstallForTests(Vorn::SmartPtr<Audio::AudioDevice>());
}

} // namespace VornTest
