#include "audio/SoundManager.h"

#include "audio/VornTestAudioDevice.h"

namespace Audio {

using namespace Vorn;

SmartPtr<SoundManager> SoundManager::s_instance;

SoundManager::SoundManager(const SmartPtr<AudioDevice>& device)
    : m_device(device), m_musicVolume(1.0f), m_soundVolume(1.0f), m_flag(0)
{
}

SmartPtr<SoundManager> SoundManager::GetInstance()
{
    if (!s_instance) {
        s_instance = new SoundManager(SmartPtr<AudioDevice>(new VornTestAudioDevice));
        s_instance->m_device->Init();
    }
    return s_instance;
}

void SoundManager::InstallForTests(const SmartPtr<AudioDevice>& device)
{
    s_instance = device ? new SoundManager(device) : nullptr;
}

SmartPtr<Sound> SoundManager::GetSound(int id) const
{
    const auto found = m_sounds.find(id);
    return found == m_sounds.end() ? SmartPtr<Sound>() : found->second;
}

void SoundManager::AddSound(int id, const NarrowString& path)
{
    if (!m_sounds.count(id))
        m_sounds[id] = new Sound(path, Sound::ON_DEMAND);
}

void SoundManager::AddAndLoadSound(int id, const NarrowString& path)
{
    if (m_sounds.count(id))
        return;
    SmartPtr<Sound> sound(new Sound(path, Sound::RESIDENT));
    m_sounds[id] = sound;
    sound->Load();
}

void SoundManager::Play(int id, bool loop)
{
    SmartPtr<Sound> sound = GetSound(id);
    if (!sound)
        return;
    if (sound->GetType() != Sound::RESIDENT)
        sound->Load();
    sound->Play(loop);
    sound->SetVolume(m_soundVolume);
}

void SoundManager::Stop(int id)
{
    if (SmartPtr<Sound> sound = GetSound(id))
        sound->Stop();
}

void SoundManager::SetVolume(int id, float volume)
{
    if (SmartPtr<Sound> sound = GetSound(id))
        sound->SetVolume(volume);
}

void SoundManager::MarkStarted(int id)
{
    if (SmartPtr<Sound> sound = GetSound(id))
        sound->SetStarted(1);
}

bool SoundManager::IsPlaying(int id)
{
    SmartPtr<Sound> sound = GetSound(id);
    if (!sound)
        return false;
    return sound->GetStarted() || sound->IsPlaying();
}

SmartPtr<Sound> SoundManager::PlayInstance(int id, bool loop)
{
    SmartPtr<Sound> sound = GetSound(id);
    if (!sound)
        return SmartPtr<Sound>();
    SmartPtr<Sound> copy(new Sound(*sound));
    m_instances.push_back(copy);
    // A copy starts without a source, resident or not: it gets its own before it plays.
    copy->Load();
    copy->Play(loop);
    return copy;
}

void SoundManager::PlayMusic(const NarrowString& path, bool loop)
{
    m_device->PlayMusic(path, loop);
    m_musicName = loop ? path : NarrowString();
}

void SoundManager::StopMusic()
{
    m_device->StopMusic();
    m_musicName.clear();
}

void SoundManager::SetMusicVolume(float volume)
{
    m_musicVolume = volume;
    m_device->SetMusicVolume(volume);
}

void SoundManager::SetSoundVolume(float volume)
{
    m_soundVolume = volume;
    for (auto& entry : m_sounds)
        entry.second->SetVolume(volume);
}

void SoundManager::StopSounds()
{
    for (auto& entry : m_sounds) {
        if (entry.second->GetPlaying() && entry.second->IsPlaying())
            entry.second->Stop();
    }
    for (const SmartPtr<Sound>& instance : m_instances)
        instance->Stop();
}

void SoundManager::Update()
{
    for (auto& entry : m_sounds) {
        Sound& sound = *entry.second;
        if (sound.GetType() != Sound::RESIDENT && sound.GetPlaying() && !sound.IsPlaying())
            sound.Unload();
    }
    for (size_t i = 0; i < m_instances.size();) {
        if (m_instances[i]->GetPlaying() && !m_instances[i]->IsPlaying())
            m_instances.erase(m_instances.begin() + static_cast<long>(i));
        else
            ++i;
    }
    m_device->Update();
}

void SoundManager::Pause()
{
    for (auto& entry : m_sounds) {
        if (entry.second->GetLoop() && entry.second->IsPlaying())
            m_resumeList.push_back(entry.second);
    }
    for (auto& entry : m_sounds) {
        if (entry.second->GetPlaying() && entry.second->IsPlaying())
            entry.second->Stop();
    }
    for (const SmartPtr<Sound>& instance : m_instances)
        instance->Stop();
    m_instances.clear();
    for (auto& entry : m_sounds)
        entry.second->Unload();
}

void SoundManager::Resume()
{
    if (!m_musicName.empty()) {
        m_device->PlayMusic(m_musicName, true);
        m_musicName.clear();
    }
    for (auto& entry : m_sounds) {
        if (entry.second->GetType() == Sound::RESIDENT)
            entry.second->Load();
    }
    // Pause unloaded every sound and reloaded only resident ones: an on-demand sound taken back
    // here gets its source again before it plays.
    for (const SmartPtr<Sound>& sound : m_resumeList) {
        sound->Load();
        sound->Play(true);
    }
    m_resumeList.clear();
}

void SoundManager::RemoveAllSounds()
{
    StopSounds();
    m_sounds.clear();
    m_instances.clear();
}

} // namespace Audio
