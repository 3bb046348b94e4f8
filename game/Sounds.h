// The game's sounds: the eight sound files by id, the looping music of the theme, the two volumes
// as percentages, and one call per sound event (a piece dropped, a level solved, a click). Every
// sound goes through the game's sound manager.
#pragma once

#include "base/NarrowString.h"

class Sounds {
public:
    static constexpr int MUSIC = 0;
    static constexpr int MUSIC_HELLOWEEN = 1;
    static constexpr int MUSIC_VALENTINES = 2; // named, never registered
    static constexpr int DROP = 3;
    static constexpr int ERASER = 4;
    static constexpr int SINGLE = 5;
    static constexpr int WHOLE = 6;
    static constexpr int SINGLE_VALENTINES = 7; // named, never registered
    static constexpr int COUNT = 8;

    static const char* const SOUND_DIRECTORY;
    static const char* const DEFAULT_EXTENSION;

    // Fills the names and the per-theme music and click tables.
    static void InitNames();
    // Registers and loads the themes' music and clicks, then the eraser, whole and drop sounds.
    static void LoadAll();
    static void LoadSound(int id, const Vorn::NarrowString& name);
    static void LoadEffect(int id, const Vorn::NarrowString& name);
    // With deferred set the sound is only registered, to be loaded when first played.
    static void LoadSoundEx(int id, const Vorn::NarrowString& name, bool deferred);

    static void PlayDrop();
    static void PlayWhole();
    static void PlayEraser();
    static void PlayClick();

    // Starts the music of Game::loadedTheme unless music is playing already.
    static void PlayMusic();
    static void StopMusic();
    static void ResetMusic(int theme);
    // 0 for themes 0..4, 1 for themes 5..7; other values unchanged.
    static int GetMusicSet(int theme);
    static bool IsMusicPlaying() { return s_musicPlaying; }

    // Percentages; the sound manager gets v * 0.01.
    static void SetMusicVolume(int volume);
    static void SetSoundVolume(int volume);
    static int GetMusicVolume() { return s_musicVolume; }
    static int GetSoundVolume() { return s_soundVolume; }

    // The sound directory + name, with the default extension when the name has no '.'.
    static Vorn::NarrowString PathOf(const Vorn::NarrowString& name);
    // The name of a sound id ("" outside 0..7 or before InitNames).
    static Vorn::NarrowString NameOf(int id);

private:
    static void Play(int id);

    static Vorn::NarrowString s_names[COUNT];
    static int s_musicTable[];
    static int s_clickTable[];
    static int s_musicVolume;
    static int s_soundVolume;
    static bool s_musicPlaying;
};
