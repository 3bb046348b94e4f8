#include "audio/Sound.h"

#include "audio/AudioDevice.h"
#include "audio/SoundManager.h"

namespace Audio {

using namespace Vorn;

Sound::Sound(const NarrowString& name, u8 type)
    : m_handle(0), m_name(name), m_type(type), m_playing(0), m_volume(1.0f), m_started(0), m_loop(0)
{
}

Sound::Sound(const Sound& other)
    : RefCounter(),
      m_handle(0),
      m_name(other.m_name),
      m_type(other.m_type),
      m_playing(0),
      m_volume(other.m_volume),
      m_started(0),
      m_loop(other.m_loop)
{
}

void Sound::Load()
{
    if (m_handle != 0)
        return;
    SmartPtr<SoundManager> manager = SoundManager::GetInstance();
    SmartPtr<AudioDevice> device = manager->GetDevice();
    m_handle = device->CreateSource(m_name);
}

void Sound::Unload()
{
    if (m_handle != 0) {
        SmartPtr<SoundManager> manager = SoundManager::GetInstance();
        SmartPtr<AudioDevice> device = manager->GetDevice();
        device->ReleaseSource(m_handle);
        m_handle = 0;
    }
    m_loop = 0;
    m_playing = 0;
}

void Sound::Play(bool loop)
{
    SmartPtr<SoundManager> manager = SoundManager::GetInstance();
    SmartPtr<AudioDevice> device = manager->GetDevice();
    m_loop = loop;
    m_playing = device->Play(m_handle, loop) != 0;
    if (m_playing)
        device->SetVolume(m_handle, m_volume);
}

void Sound::Stop()
{
    SmartPtr<SoundManager> manager = SoundManager::GetInstance();
    SmartPtr<AudioDevice> device = manager->GetDevice();
    device->Stop(m_handle);
    m_loop = 0;
    m_started = 0;
}

void Sound::SetVolume(float volume)
{
    m_volume = volume < 0.0f ? 0.0f : (volume > 1.0f ? 1.0f : volume);
    if (!m_playing)
        return;
    SmartPtr<SoundManager> manager = SoundManager::GetInstance();
    SmartPtr<AudioDevice> device = manager->GetDevice();
    device->SetVolume(m_handle, m_volume);
}

bool Sound::IsPlaying()
{
    if (m_handle == 0)
        return false;
    SmartPtr<SoundManager> manager = SoundManager::GetInstance();
    SmartPtr<AudioDevice> device = manager->GetDevice();
    if (!device->IsPlaying(m_handle))
        return false;
    m_started = 0;
    return true;
}

} // namespace Audio
