#include "sound/AudioXM.h"

namespace Vorn {

AudioXM::AudioXM(std::unique_ptr<ModulePlayer::CModuleSong> song)
    : m_song(std::move(song)), m_player(new ModulePlayer::ModulePlayer)
{
    m_channels = 1;
    m_sampleRate = ModulePlayer::ModulePlayer::RATE;
    m_player->Init(m_song.get());
    m_player->SetPosition(-1, -1);
}

AudioXM::~AudioXM()
{
    // The player refers to the song: it goes first.
    m_player.reset();
}

AudioXM* AudioXM::Open(const NarrowString& path)
{
    std::unique_ptr<ModulePlayer::CModuleSong> song(new ModulePlayer::CModuleSong);
    if (!song->Load(path.c_str()))
        return nullptr;
    return new AudioXM(std::move(song));
}

AudioXM* AudioXM::Load(File& file)
{
    std::unique_ptr<ModulePlayer::CModuleSong> song(new ModulePlayer::CModuleSong);
    if (!song->Load(file))
        return nullptr;
    return new AudioXM(std::move(song));
}

u32 AudioXM::Read(void* buffer, u32 bytes)
{
    if (!m_player->Render(static_cast<s16*>(buffer), bytes / 2))
        return 0;
    if (bytes % 2)
        static_cast<u8*>(buffer)[bytes - 1] = 0;
    return bytes;
}

} // namespace Vorn
