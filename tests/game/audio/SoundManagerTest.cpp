#include "audio/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace Audio;
using Vorn::NarrowString;
using Vorn::SmartPtr;
using Vorn::u32;

namespace {

// Records what the sound layer asks of its device.
class RecordingDevice : public AudioDevice {
public:
    void Init() override { calls.push_back("Init"); }
    u32 CreateSource(const NarrowString& name) override
    {
        calls.push_back("CreateSource " + name);
        return nextHandle++;
    }
    u32 Play(u32 handle, bool loop) override
    {
        calls.push_back("Play " + std::to_string(handle) + (loop ? " loop" : ""));
        return playAnswer;
    }
    void ReleaseSource(u32 handle) override { calls.push_back("ReleaseSource " + std::to_string(handle)); }
    void Stop(u32 handle) override { calls.push_back("Stop " + std::to_string(handle)); }
    bool IsPlaying(u32 handle) override
    {
        calls.push_back("IsPlaying " + std::to_string(handle));
        return playing.count(handle) != 0;
    }
    void PlayMusic(const NarrowString& name, bool loop) override
    {
        calls.push_back("PlayMusic " + name + (loop ? " loop" : ""));
    }
    void StopMusic() override { calls.push_back("StopMusic"); }
    void Update() override { calls.push_back("Update"); }
    void SetVolume(u32 handle, float volume) override
    {
        calls.push_back("SetVolume " + std::to_string(handle) + " " + std::to_string(volume).substr(0, 4));
    }
    void SetMusicVolume(float volume) override { calls.push_back("SetMusicVolume " + std::to_string(volume).substr(0, 4)); }

    // The calls since the last Take.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(calls);
        return taken;
    }

    std::vector<std::string> calls;
    u32 nextHandle = 1;
    u32 playAnswer = 1;
    std::set<u32> playing;
};

class SoundLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = new RecordingDevice;
        SoundManager::InstallForTests(device);
        manager = SoundManager::GetInstance();
    }
    void TearDown() override
    {
        manager = nullptr;
        SoundManager::InstallForTests(SmartPtr<AudioDevice>());
    }

    typedef std::vector<std::string> Calls;
    SmartPtr<RecordingDevice> device;
    SmartPtr<SoundManager> manager;
};

} // namespace

TEST_F(SoundLayer, RegisteringAnIdTwiceKeepsTheFirstSound)
{
    manager->AddAndLoadSound(1, "a.ogg");
    manager->AddSound(1, "b.ogg");
    manager->AddAndLoadSound(1, "c.ogg");
    manager->AddSound(2, "d.ogg");
    EXPECT_EQ(device->Take(), (Calls{"CreateSource a.ogg"}));
    EXPECT_EQ(manager->GetSound(1)->GetName(), "a.ogg");
    EXPECT_EQ(manager->GetSound(1)->GetType(), Sound::RESIDENT);
    EXPECT_EQ(manager->GetSound(2)->GetType(), Sound::ON_DEMAND);
    EXPECT_EQ(manager->GetSound(2)->GetHandle(), 0u);
}

// Handles start at 1: the first sound loaded counts as loaded like any other.
TEST_F(SoundLayer, TheFirstSoundLoadedIsLoaded)
{
    manager->AddAndLoadSound(1, "a.ogg");
    SmartPtr<Sound> sound = manager->GetSound(1);
    EXPECT_EQ(sound->GetHandle(), 1u);
    device->Take();
    device->playing.insert(1);
    EXPECT_TRUE(manager->IsPlaying(1));
    sound->Unload();
    EXPECT_EQ(device->Take(), (Calls{"IsPlaying 1", "ReleaseSource 1"}));
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_TRUE(device->Take().empty());
}

TEST_F(SoundLayer, PlayLoadsOnlyOnDemandSoundsWithoutASource)
{
    manager->AddAndLoadSound(1, "resident.ogg");
    manager->AddSound(2, "demand.ogg");
    device->Take();
    // The sound sets its own volume when it starts, then the manager's.
    manager->Play(1, false);
    EXPECT_EQ(device->Take(), (Calls{"Play 1", "SetVolume 1 1.00", "SetVolume 1 1.00"}));
    manager->Play(2, true);
    EXPECT_EQ(device->Take(), (Calls{"CreateSource demand.ogg", "Play 2 loop", "SetVolume 2 1.00", "SetVolume 2 1.00"}));
    manager->Play(2, false);
    EXPECT_EQ(device->Take(), (Calls{"Play 2", "SetVolume 2 1.00", "SetVolume 2 1.00"}));
    EXPECT_EQ(manager->GetSound(2)->GetLoop(), 0);
    // A device that does not start the sound gets no volume, and the sound is not playing.
    device->playAnswer = 0;
    manager->Play(1, false);
    EXPECT_EQ(device->Take(), (Calls{"Play 1"}));
    EXPECT_EQ(manager->GetSound(1)->GetPlaying(), 0);
}

TEST_F(SoundLayer, UnregisteredIdsAreIgnored)
{
    manager->Play(7, true);
    manager->Stop(7);
    manager->SetVolume(7, 0.5f);
    manager->MarkStarted(7);
    EXPECT_FALSE(manager->IsPlaying(7));
    EXPECT_FALSE(manager->PlayInstance(7, false));
    EXPECT_TRUE(device->Take().empty());
}

TEST_F(SoundLayer, VolumesAreStoredAsGivenAndClampedPerSound)
{
    manager->AddAndLoadSound(1, "a.ogg");
    manager->AddSound(2, "b.ogg");
    manager->Play(1, false);
    device->Take();
    manager->SetSoundVolume(1.5f);
    EXPECT_FLOAT_EQ(manager->GetSoundVolume(), 1.5f);
    EXPECT_FLOAT_EQ(manager->GetSound(1)->GetVolume(), 1.0f);
    EXPECT_FLOAT_EQ(manager->GetSound(2)->GetVolume(), 1.0f);
    // Only the playing sound reaches the device.
    EXPECT_EQ(device->Take(), (Calls{"SetVolume 1 1.00"}));
    manager->SetVolume(2, -3.0f);
    EXPECT_FLOAT_EQ(manager->GetSound(2)->GetVolume(), 0.0f);
    manager->SetMusicVolume(2.5f);
    EXPECT_FLOAT_EQ(manager->GetMusicVolume(), 2.5f);
    EXPECT_EQ(device->Take(), (Calls{"SetMusicVolume 2.50"}));
}

TEST_F(SoundLayer, StopKeepsThePlayingByteAndStartedReportsPlaying)
{
    manager->AddAndLoadSound(1, "a.ogg");
    manager->Play(1, true);
    device->Take();
    manager->Stop(1);
    SmartPtr<Sound> sound = manager->GetSound(1);
    EXPECT_EQ(sound->GetPlaying(), 1);
    EXPECT_EQ(sound->GetLoop(), 0);
    EXPECT_EQ(device->Take(), (Calls{"Stop 1"}));
    manager->StopSounds();
    EXPECT_EQ(device->Take(), (Calls{"IsPlaying 1"}));

    manager->MarkStarted(1);
    EXPECT_TRUE(manager->IsPlaying(1));
    EXPECT_TRUE(device->Take().empty());
    device->playing.insert(1);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_EQ(sound->GetStarted(), 0);
}

TEST_F(SoundLayer, MusicIsRememberedOnlyWhenLooped)
{
    manager->PlayMusic("music/a.ogg", false);
    EXPECT_EQ(manager->GetMusicName(), "");
    manager->Resume();
    EXPECT_EQ(device->Take(), (Calls{"PlayMusic music/a.ogg"}));

    manager->PlayMusic("music/b.ogg", true);
    EXPECT_EQ(manager->GetMusicName(), "music/b.ogg");
    manager->Pause();
    EXPECT_EQ(device->Take(), (Calls{"PlayMusic music/b.ogg loop"}));
    manager->Resume();
    EXPECT_EQ(device->Take(), (Calls{"PlayMusic music/b.ogg loop"}));
    EXPECT_EQ(manager->GetMusicName(), "");
    manager->PlayMusic("music/c.ogg", true);
    manager->StopMusic();
    EXPECT_EQ(manager->GetMusicName(), "");
}

TEST_F(SoundLayer, UpdateUnloadsFinishedOnDemandSoundsAndDropsFinishedCopies)
{
    manager->AddAndLoadSound(1, "resident.ogg");
    manager->AddSound(2, "demand.ogg");
    manager->Play(1, false);
    manager->Play(2, false);
    SmartPtr<Sound> copy = manager->PlayInstance(1, false);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->GetHandle(), 0u);
    EXPECT_NE(copy->GetHandle(), manager->GetSound(1)->GetHandle());
    EXPECT_EQ(manager->GetInstances().size(), 1u);
    const u32 demandHandle = manager->GetSound(2)->GetHandle();
    device->playing.insert(demandHandle);
    device->Take();

    manager->Update();
    EXPECT_EQ(manager->GetSound(2)->GetHandle(), demandHandle);  // still playing
    EXPECT_EQ(manager->GetSound(1)->GetHandle(), 1u);            // resident
    EXPECT_TRUE(manager->GetInstances().empty());                // the copy finished
    device->playing.clear();
    device->Take();
    manager->Update();
    EXPECT_EQ(manager->GetSound(2)->GetHandle(), 0u);
    // Resident sounds are not asked about.
    EXPECT_EQ(device->Take(), (Calls{"IsPlaying " + std::to_string(demandHandle),
                                     "ReleaseSource " + std::to_string(demandHandle), "Update"}));
}

// Pause stops and unloads every sound and remembers looped ones; Resume reloads resident sounds
// and plays the remembered ones again, with a source of their own first.
TEST_F(SoundLayer, PauseAndResume)
{
    manager->AddAndLoadSound(1, "loop-resident.ogg");
    manager->AddSound(2, "loop-demand.ogg");
    manager->AddAndLoadSound(3, "once.ogg");
    manager->Play(1, true);
    manager->Play(2, true);
    manager->Play(3, false);
    manager->PlayInstance(3, false);
    device->playing = {1, 2, manager->GetSound(2)->GetHandle()};
    device->Take();

    manager->Pause();
    for (int id = 1; id <= 3; ++id)
        EXPECT_EQ(manager->GetSound(id)->GetHandle(), 0u) << id;
    EXPECT_TRUE(manager->GetInstances().empty());
    device->playing.clear();
    device->Take();

    manager->Resume();
    const Calls calls = device->Take();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateSource loop-resident.ogg"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateSource once.ogg"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateSource loop-demand.ogg"), 1);
    EXPECT_EQ(manager->GetSound(1)->GetLoop(), 1);
    EXPECT_EQ(manager->GetSound(2)->GetLoop(), 1);
    EXPECT_NE(manager->GetSound(2)->GetHandle(), 0u);
    EXPECT_EQ(manager->GetSound(3)->GetPlaying(), 0);
    EXPECT_EQ(manager->GetFlag(), 0);
}

TEST_F(SoundLayer, RemoveAllSoundsStopsAndForgetsThem)
{
    manager->AddAndLoadSound(1, "a.ogg");
    manager->Play(1, false);
    manager->PlayInstance(1, false);
    manager->RemoveAllSounds();
    EXPECT_FALSE(manager->GetSound(1));
    EXPECT_TRUE(manager->GetInstances().empty());
}
