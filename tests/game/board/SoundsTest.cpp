// The game's sound names, file paths, music sets and stored volumes.
#include <gtest/gtest.h>

#include "Sounds.h"

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
