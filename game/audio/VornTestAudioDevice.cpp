#include "audio/VornTestAudioDevice.h"

#include "base/AssetDict.h"
#include "sound/mixer/AudioPosition.h"

namespace Audio {

using namespace Vorn;

namespace {
// Sounds play at 0.6 of the volume set, music at twice its level, then at 0.6 of its volume.
const float VOLUME_SCALE = 0.6f;
const float MUSIC_BOOST = 2.0f;
}

VornTestAudioDevice::VornTestAudioDevice() : m_lastHandle(0) {}

VornTestAudioDevice::~VornTestAudioDevice() {}

void VornTestAudioDevice::Init()
{
    m_mixer = Mixer::Create(AudioFormat(CHANNELS, SAMPLE_RATE), AudioBufferSpec(BLOCK_BYTES, CHANNEL_LIMIT));
    g_mixer = m_mixer;
    m_musicVolume = new EffectVolume(m_mixer->GetFormat(), 1.0f);
    m_soundVolume = new EffectVolume(m_mixer->GetFormat(), 1.0f);
}

SmartPtr<AudioSource> VornTestAudioDevice::FindSource(const NarrowString& name) const
{
    if (g_assetDict)
        return g_assetDict->GetAudioSource(name);
    return SmartPtr<AudioSource>(AssetDict::LoadAudioSource(name));
}

u32 VornTestAudioDevice::CreateSource(const NarrowString& name)
{
    m_sources.push_back(FindSource(name));
    return static_cast<u32>(m_sources.size());
}

SmartPtr<AudioSource> VornTestAudioDevice::GetSource(u32 handle) const
{
    if (handle == 0 || handle > m_sources.size())
        return SmartPtr<AudioSource>();
    return m_sources[handle - 1];
}

SmartPtr<AudioChannel> VornTestAudioDevice::StartChannel(const SmartPtr<AudioSource>& source, float gain,
                                                         const SmartPtr<EffectVolume>& volume, bool loop)
{
    if (!m_mixer || !source)
        return SmartPtr<AudioChannel>();
    SmartPtr<AudioChannel> channel = m_mixer->Play(source, true).Lock();
    if (!channel)
        return channel;
    channel->AddEffect(SmartPtr<AudioEffect>(new EffectVolume(m_mixer->GetFormat(), gain, volume)));
    channel->SetLoop(loop);
    channel->SetPaused(false);
    return channel;
}

u32 VornTestAudioDevice::Play(u32 handle, bool loop)
{
    Stop(handle);
    const SmartPtr<AudioSource> source = GetSource(handle);
    if (!source)
        return 0;
    if (loop && m_looping.count(handle))
        return 1;
    SmartPtr<AudioChannel> channel =
        StartChannel(SmartPtr<AudioSource>(new AudioPosition(source)), 1.0f, m_soundVolume, loop);
    if (!channel)
        return 0;
    if (loop) {
        m_looping[handle] = channel;
    } else {
        m_lastChannel = channel;
        m_lastHandle = handle;
    }
    return 1;
}

void VornTestAudioDevice::Stop(u32 handle)
{
    if (!m_lastChannel || m_lastHandle != handle)
        return;
    if (m_mixer)
        m_mixer->RemoveChannel(m_lastChannel.Get());
    m_lastChannel = nullptr;
}

void VornTestAudioDevice::PlayMusic(const NarrowString& name, bool loop)
{
    StopMusic();
    m_musicChannel = StartChannel(FindSource(name), MUSIC_BOOST, m_musicVolume, loop);
}

void VornTestAudioDevice::StopMusic()
{
    if (SmartPtr<AudioChannel> channel = m_musicChannel.Lock()) {
        if (m_mixer)
            m_mixer->RemoveChannel(channel.Get());
    }
    m_musicChannel = nullptr;
}

void VornTestAudioDevice::SetVolume(u32, float volume)
{
    if (m_soundVolume)
        m_soundVolume->SetVolume(volume * VOLUME_SCALE);
}

void VornTestAudioDevice::SetMusicVolume(float volume)
{
    if (m_musicVolume)
        m_musicVolume->SetVolume(volume * VOLUME_SCALE);
}

} // namespace Audio
