// The game's sound names, file paths, music sets and stored volumes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Sounds.h"
#include "audio/SoundManager.h"
#include "support/BoardWorld.h"

TEST(Sounds, NamesPathsAndMusicSets)
{
    Sounds::InitNames();
    EXPECT_EQ(Sounds::NameOf(Sounds::DROP), "drop");
    EXPECT_EQ(Sounds::NameOf(Sounds::MUSIC_HELLOWEEN), "musichelloween");
    EXPECT_EQ(Sounds::NameOf(Sounds::SINGLE_VALENTINES), "singlevalentines");
    EXPECT_EQ(Sounds::NameOf(8), "");
    EXPECT_EQ(Sounds::NameOf(-1), "");
    EXPECT_EQ(Sounds::PathOf("drop"), "common/sounds/drop.ogg");
    EXPECT_EQ(Sounds::PathOf("drop.wav"), "common/sounds/drop.wav");
    EXPECT_EQ(Sounds::GetMusicSet(0), 0);
    EXPECT_EQ(Sounds::GetMusicSet(4), 0);
    EXPECT_EQ(Sounds::GetMusicSet(5), 1);
    EXPECT_EQ(Sounds::GetMusicSet(7), 1);
    EXPECT_EQ(Sounds::GetMusicSet(9), 9);
    EXPECT_EQ(Sounds::GetMusicSet(-2), -2);
}

TEST(Sounds, MusicStartsOnceAndVolumesAreKept)
{
    Sounds::StopMusic();
    EXPECT_FALSE(Sounds::IsMusicPlaying());
    Sounds::PlayMusic();
    Sounds::PlayMusic();
    EXPECT_TRUE(Sounds::IsMusicPlaying());
    Sounds::ResetMusic(3);
    EXPECT_FALSE(Sounds::IsMusicPlaying());
    Sounds::SetMusicVolume(55);
    Sounds::SetSoundVolume(20);
    EXPECT_EQ(Sounds::GetMusicVolume(), 55);
    EXPECT_EQ(Sounds::GetSoundVolume(), 20);
}

TEST(Sounds, TheGameRegistersItsSoundsAndPlaysTheThemesMusic)
{
    VornTest::BoardWorld world(480, 800);
    VornTest::SoundRecorder& recorder = world.sounds();
    for (const char* path : {"common/sounds/music.ogg", "common/sounds/musichelloween.ogg",
                             "common/sounds/single.ogg", "common/sounds/eraser.ogg",
                             "common/sounds/whole.ogg", "common/sounds/drop.ogg"})
        EXPECT_EQ(std::count(recorder.sources.begin(), recorder.sources.end(), path), 1) << path;
    EXPECT_EQ(std::count(recorder.sources.begin(), recorder.sources.end(),
                         "common/sounds/musicvalentines.ogg"),
              0);

    world.game().loadedTheme = 4;
    Sounds::PlayMusic();
    Sounds::PlayMusic();
    ASSERT_EQ(recorder.music.size(), 1u);
    EXPECT_EQ(recorder.music[0], "common/sounds/music.ogg");
    Sounds::StopMusic();
    world.game().loadedTheme = 5;
    Sounds::PlayMusic();
    ASSERT_EQ(recorder.music.size(), 2u);
    EXPECT_EQ(recorder.music[1], "common/sounds/musichelloween.ogg");

    Sounds::SetMusicVolume(55);
    EXPECT_FLOAT_EQ(recorder.musicVolume, 0.55f);
    EXPECT_FLOAT_EQ(Audio::SoundManager::GetInstance()->GetMusicVolume(), 0.55f);
    Sounds::SetSoundVolume(30);
    EXPECT_FLOAT_EQ(Audio::SoundManager::GetInstance()->GetSoundVolume(), 0.3f);

    Sounds::PlayClick();
    Sounds::PlayDrop();
    Sounds::PlayWhole();
    Sounds::PlayEraser();
    EXPECT_EQ(recorder.played, (std::vector<std::string>{
                                   "common/sounds/single.ogg", "common/sounds/drop.ogg",
                                   "common/sounds/whole.ogg", "common/sounds/eraser.ogg"}));
}
