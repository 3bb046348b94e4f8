// An XM music module as an audio source: 16-bit mono at 22050 Hz, rendered by the module player
// as it is read. The song loops for ever, so the source never ends and has no size or position.
#pragma once

#include <memory>

#include "sound/AudioSource.h"
#include "sound/xm/ModulePlayer.h"
#include "sound/xm/ModuleSong.h"

namespace Vorn {

class AudioXM : public AudioSource {
public:
    // Loads the module at path. Null when it cannot be opened or is refused. Count 0.
    static AudioXM* Open(const NarrowString& path);
    // The same from an open file, which is not kept.
    static AudioXM* Load(File& file);
    ~AudioXM() override;

    // Renders bytes / 2 samples and answers bytes (an odd last byte is 0).
    u32 Read(void* buffer, u32 bytes) override;
    // A module has no start to go back to and no length: these do nothing and answer 0.
    void Rewind() override {}
    u32 GetSize() override { return 0; }
    void Seek(u32) override {}
    u32 Tell() override { return 0; }

    const ModulePlayer::CModuleSong& GetSong() const { return *m_song; }

private:
    explicit AudioXM(std::unique_ptr<ModulePlayer::CModuleSong> song);

    std::unique_ptr<ModulePlayer::CModuleSong> m_song;
    std::unique_ptr<ModulePlayer::ModulePlayer> m_player;
};

} // namespace Vorn
