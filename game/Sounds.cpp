#include "Sounds.h"

#include "Consts.h"
#include "Game.h"

#include "audio/SoundManager.h"

namespace {

const char* const NAMES[Sounds::COUNT] = {"music",  "musichelloween", "musicvalentines",
                                          "drop",   "eraser",         "single",
                                          "whole",  "singlevalentines"};

// Theme -> music and click sounds. The later themes share the second music piece.
const int MUSIC_BY_THEME[Consts::MAX_THEMES] = {Sounds::MUSIC, Sounds::MUSIC, Sounds::MUSIC,
                                                Sounds::MUSIC, Sounds::MUSIC, Sounds::MUSIC_HELLOWEEN,
                                                Sounds::MUSIC_HELLOWEEN, Sounds::MUSIC_HELLOWEEN};
const int CLICK_BY_THEME = Sounds::SINGLE;

int ThemeCount()
{
    return Consts::THEMES_COUNT > 0 && Consts::THEMES_COUNT <= Consts::MAX_THEMES
               ? Consts::THEMES_COUNT
               : Consts::MAX_THEMES;
}

} // namespace

const char* const Sounds::SOUND_DIRECTORY = "common/sounds/";
const char* const Sounds::DEFAULT_EXTENSION = ".ogg";

Vorn::NarrowString Sounds::s_names[COUNT];
int Sounds::s_musicTable[Consts::MAX_THEMES] = {MUSIC, MUSIC, MUSIC, MUSIC, MUSIC, MUSIC_HELLOWEEN,
                                                MUSIC_HELLOWEEN, MUSIC_HELLOWEEN};
int Sounds::s_clickTable[Consts::MAX_THEMES] = {SINGLE, SINGLE, SINGLE, SINGLE,
                                                SINGLE, SINGLE, SINGLE, SINGLE};
int Sounds::s_musicVolume = 0;
int Sounds::s_soundVolume = 0;
bool Sounds::s_musicPlaying = false;

void Sounds::InitNames()
{
    for (int id = 0; id < COUNT; ++id)
        s_names[id] = NAMES[id];
    for (int theme = 0; theme < Consts::MAX_THEMES; ++theme) {
        s_musicTable[theme] = MUSIC_BY_THEME[theme];
        s_clickTable[theme] = CLICK_BY_THEME;
    }
}

Vorn::NarrowString Sounds::NameOf(int id)
{
    return id >= 0 && id < COUNT ? s_names[id] : Vorn::NarrowString();
}

Vorn::NarrowString Sounds::PathOf(const Vorn::NarrowString& name)
{
    Vorn::NarrowString path = Vorn::NarrowString(SOUND_DIRECTORY) + name;
    if (name.find('.') == Vorn::NarrowString::npos)
        path += DEFAULT_EXTENSION;
    return path;
}

void Sounds::LoadAll()
{
    InitNames();
    const int themes = ThemeCount();
    for (int theme = 0; theme < themes; ++theme)
        LoadSound(s_musicTable[theme], s_names[s_musicTable[theme]]);
    for (int theme = 0; theme < themes; ++theme)
        LoadEffect(s_clickTable[theme], s_names[s_clickTable[theme]]);
    LoadEffect(ERASER, s_names[ERASER]);
    LoadEffect(WHOLE, s_names[WHOLE]);
    LoadEffect(DROP, s_names[DROP]);
}

void Sounds::LoadSound(int id, const Vorn::NarrowString& name)
{
    LoadSoundEx(id, name, false);
}

void Sounds::LoadEffect(int id, const Vorn::NarrowString& name)
{
    LoadSoundEx(id, name, false);
}

void Sounds::LoadSoundEx(int id, const Vorn::NarrowString& name, bool deferred)
{
    if (deferred)
        Audio::SoundManager::GetInstance()->AddSound(id, PathOf(name));
    else
        Audio::SoundManager::GetInstance()->AddAndLoadSound(id, PathOf(name));
}

void Sounds::Play(int id)
{
    Audio::SoundManager::GetInstance()->Play(id, false);
}

void Sounds::PlayDrop()
{
    Play(DROP);
}

void Sounds::PlayWhole()
{
    Play(WHOLE);
}

void Sounds::PlayEraser()
{
    Play(ERASER);
}

void Sounds::PlayClick()
{
    Play(s_clickTable[Game::ThemeIndex()]);
}

void Sounds::PlayMusic()
{
    if (s_musicPlaying)
        return;
    const int theme = Game::instance ? Game::instance->loadedTheme : 0;
    const char* name = GetMusicSet(theme) == 1 ? NAMES[MUSIC_HELLOWEEN] : NAMES[MUSIC];
    Audio::SoundManager::GetInstance()->PlayMusic(PathOf(name), true);
    s_musicPlaying = true;
}

void Sounds::StopMusic()
{
    s_musicPlaying = false;
    Audio::SoundManager::GetInstance()->StopMusic();
}

void Sounds::ResetMusic(int)
{
    StopMusic();
}

int Sounds::GetMusicSet(int theme)
{
    if (theme >= 0 && theme <= 4)
        return 0;
    if (theme >= 5 && theme <= 7)
        return 1;
    return theme;
}

void Sounds::SetMusicVolume(int volume)
{
    s_musicVolume = volume;
    Audio::SoundManager::GetInstance()->SetMusicVolume(static_cast<float>(volume) * 0.01f);
}

void Sounds::SetSoundVolume(int volume)
{
    s_soundVolume = volume;
    Audio::SoundManager::GetInstance()->SetSoundVolume(static_cast<float>(volume) * 0.01f);
}
