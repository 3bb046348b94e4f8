#include "audio/SoundManager.h"
#include "audio/VornTestAudioDevice.h"

#include "base/AssetDict.h"
#include "sound/AudioBuffer.h"
#include "sound/AudioOgg.h"
#include "sound/mixer/AudioPosition.h"
#include "standin/audio.h"
#include "standin/standin.h"
#include "support/Sandbox.h"
#include "support/SoundSupport.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

using namespace Vorn;
using Audio::VornTestAudioDevice;

namespace {

// The mixer gets an output device that does not pull: the test pulls the blocks.
class SilentDevice : public AudioDevice {
public:
    explicit SilentDevice(const AudioFormat& format) : AudioDevice(format) {}
    void Start(AudioStream*) override {}
    u32 Control(u32, u32) override { return 0; }
    static AudioDevice* Make(const AudioFormat& format, const AudioBufferSpec&) { return new SilentDevice(format); }
};

s16 Q15(s16 sample, float volume)
{
    const s64 v = (static_cast<s64>(sample) * EffectVolume::ToGain(volume)) >> 15;
    return static_cast<s16>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

s16 Boost(s16 sample, float volume)
{
    float v = volume * sample;
    v = v < -32768.0f ? -32768.0f : (v > 32767.0f ? 32767.0f : v);
    return static_cast<s16>(v);
}

s16 Add(s16 a, s16 b)
{
    const int v = a + b;
    return static_cast<s16>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

class GameAudio : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_sandbox = new VornTest::Sandbox;
        const std::string dir = s_sandbox->Path() + "/" + VornTest::Sandbox::Native("sounds");
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(VornTest::MakeOggTone(dir + "/drop.ogg", "--seconds 0.2 --freq 660 --amplitude 0.9"));
        ASSERT_TRUE(VornTest::MakeOggTone(dir + "/music.ogg", "--seconds 0.5 --freq 220 --amplitude 0.9"));
        ASSERT_TRUE(VornTest::MakeOggTone(dir + "/mono.ogg", "--seconds 0.2 --channels 1 --rate 22050"));
    }
    static void TearDownTestSuite()
    {
        delete s_sandbox;
        s_sandbox = nullptr;
    }

    void SetUp() override
    {
        Vfs::Init();
        ASSERT_TRUE(Vfs::MountNative("sounds/", "sounds/", 0));
        g_assetDict = new AssetDict;
        AudioDevice::SetFactory(&SilentDevice::Make);
        device = new VornTestAudioDevice;
        device->Init();
        mixer = device->GetMixer();
    }
    void TearDown() override
    {
        device = nullptr;
        mixer = nullptr;
        g_mixer = nullptr;
        g_assetDict = nullptr;
        AudioDevice::SetFactory(nullptr);
        Vfs::Shutdown();
    }

    // The decoded samples of a file, as the mixer's channels read them.
    static std::vector<s16> Decoded(const char* path)
    {
        SmartPtr<AudioSource> buffer(AudioSource::Create(path, true));
        return buffer ? VornTest::ReadAll(*buffer) : std::vector<s16>();
    }

    std::vector<s16> Pull(u32 bytes)
    {
        std::vector<u8> out(bytes);
        mixer->Read(out.data(), bytes);
        return VornTest::Samples(out);
    }

    SmartPtr<VornTestAudioDevice> device;
    SmartPtr<Mixer> mixer;
    static VornTest::Sandbox* s_sandbox;
};

VornTest::Sandbox* GameAudio::s_sandbox = nullptr;

} // namespace

// Until a volume is set, the shared volumes are 1.0; the sound layer sets them (0.6 of the
// player's setting) on every play.
TEST_F(GameAudio, InitMakesThePlayingMixer)
{
    EXPECT_EQ(g_mixer, mixer);
    EXPECT_TRUE(mixer->HasDevice());
    EXPECT_EQ(mixer->GetFormat(), AudioFormat(2, 44100));
    EXPECT_EQ(mixer->GetSpec().blockBytes, 4096u);
    EXPECT_EQ(mixer->GetSpec().channelLimit, 4u);
    EXPECT_FLOAT_EQ(device->GetSoundVolume()->GetVolume(), 1.0f);
    EXPECT_FLOAT_EQ(device->GetMusicVolume()->GetVolume(), 1.0f);
}

// Handles start at 1; two handles for one name share one source and play it from their own
// positions, at 0.6 of its level.
TEST_F(GameAudio, HandlesShareTheSourceAndPlayFromTheirOwnPositions)
{
    const u32 a = device->CreateSource("sounds/drop.ogg");
    const u32 b = device->CreateSource("sounds/drop.ogg");
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    ASSERT_TRUE(device->GetSource(a));
    EXPECT_EQ(device->GetSource(a), device->GetSource(b));
    EXPECT_FALSE(device->GetSource(0));
    EXPECT_FALSE(device->GetSource(3));

    const std::vector<s16> drop = Decoded("sounds/drop.ogg");
    ASSERT_GT(drop.size(), 4096u);
    device->SetVolume(a, 1.0f);  // as the sound layer does on every play
    EXPECT_EQ(device->Play(a, false), 1u);
    const std::vector<s16> first = Pull(2048);  // a is 1024 samples ahead
    EXPECT_EQ(device->Play(b, false), 1u);
    const std::vector<s16> both = Pull(8192);
    EXPECT_EQ(mixer->GetChannelCount(), 2u);
    for (size_t i = 0; i < first.size(); ++i)
        ASSERT_EQ(first[i], Q15(drop[i], 0.6f)) << i;
    // The rest of the first block holds a alone; b starts with the next block.
    for (size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(both[i], Q15(drop[1024 + i], 0.6f)) << i;
    for (size_t i = 1024; i < both.size(); ++i)
        ASSERT_EQ(both[i], Add(Q15(drop[1024 + i], 0.6f), Q15(drop[i - 1024], 0.6f))) << i;
}

TEST_F(GameAudio, PlayingAgainStopsOnlyTheLastOneShotOfTheSameHandle)
{
    const u32 a = device->CreateSource("sounds/drop.ogg");
    const u32 b = device->CreateSource("sounds/mono.ogg");
    device->Play(a, false);
    device->Play(a, false);
    EXPECT_EQ(mixer->GetChannelCount(), 1u);
    device->Play(b, false);
    device->Stop(a);  // the last one-shot is b's: nothing stops
    EXPECT_EQ(mixer->GetChannelCount(), 2u);
    device->Stop(b);
    EXPECT_EQ(mixer->GetChannelCount(), 1u);

    device->Play(a, true);
    device->Play(a, true);
    EXPECT_EQ(mixer->GetChannelCount(), 2u);  // the one-shot of a and one looping channel
}

TEST_F(GameAudio, SoundVolumeIsSharedByAllSoundsAlreadyPlaying)
{
    const u32 a = device->CreateSource("sounds/drop.ogg");
    const std::vector<s16> drop = Decoded("sounds/drop.ogg");
    device->Play(a, false);
    Pull(4096);
    device->SetVolume(99, 0.5f);
    EXPECT_FLOAT_EQ(device->GetSoundVolume()->GetVolume(), 0.3f);
    const std::vector<s16> quieter = Pull(4096);
    for (size_t i = 0; i < quieter.size(); ++i)
        ASSERT_EQ(quieter[i], Q15(drop[2048 + i], 0.3f)) << i;
}

// Music plays at 2.0 x 0.6 of its level in one gain: loud parts saturate once, nothing is
// clipped at 16 bits between the boost and the player's volume.
TEST_F(GameAudio, MusicGainIsOneStepWithOneClamp)
{
    const std::vector<s16> music = Decoded("sounds/music.ogg");
    ASSERT_GT(music.size(), 8192u);
    device->SetMusicVolume(1.0f);
    device->PlayMusic("sounds/music.ogg", false);
    ASSERT_TRUE(device->GetMusicChannel());
    const std::vector<s16> full = Pull(8192);
    bool loudPart = false;
    for (size_t i = 0; i < full.size(); ++i) {
        ASSERT_EQ(full[i], Boost(music[i], 2.0f * 0.6f)) << i;
        loudPart = loudPart || std::abs(music[i]) > 16384;
    }
    EXPECT_TRUE(loudPart) << "the tone should reach above half scale to show the single clamp";

    device->SetMusicVolume(0.5f);
    const std::vector<s16> half = Pull(8192);
    for (size_t i = 0; i < half.size(); ++i)
        ASSERT_EQ(half[i], Q15(music[4096 + i], 2.0f * 0.3f)) << i;
}

TEST_F(GameAudio, MusicReplacesMusicAndMissingMusicOnlyStops)
{
    device->PlayMusic("sounds/music.ogg", true);
    device->PlayMusic("sounds/drop.ogg", true);
    EXPECT_EQ(mixer->GetChannelCount(), 1u);
    SmartPtr<AudioChannel> music = device->GetMusicChannel();
    ASSERT_TRUE(music);
    EXPECT_TRUE(music->GetLoop());
    music = nullptr;
    device->PlayMusic("sounds/missing.ogg", true);
    EXPECT_EQ(mixer->GetChannelCount(), 0u);
    EXPECT_FALSE(device->GetMusicChannel());
    device->StopMusic();
}

// A handle without a source (a missing file, 0, an unknown number) plays nothing and says so.
TEST_F(GameAudio, HandlesWithoutASourcePlayNothing)
{
    const u32 missing = device->CreateSource("sounds/missing.ogg");
    EXPECT_NE(missing, 0u);
    EXPECT_FALSE(device->GetSource(missing));
    EXPECT_EQ(device->Play(missing, false), 0u);
    EXPECT_EQ(device->Play(missing, true), 0u);
    EXPECT_EQ(device->Play(0, false), 0u);
    EXPECT_EQ(device->Play(1000, false), 0u);
    EXPECT_EQ(mixer->GetChannelCount(), 0u);
}

TEST_F(GameAudio, SpecOptionsChooseHowTheSoundIsHeld)
{
    SmartPtr<AudioSource> streamed = g_assetDict->GetAudioSource("sounds/drop.ogg");
    SmartPtr<AudioSource> cached = g_assetDict->GetAudioSource("sounds/drop.ogg@cache");
    SmartPtr<AudioSource> buffered = g_assetDict->GetAudioSource("sounds/drop.ogg@buffer");
    SmartPtr<AudioSource> other = g_assetDict->GetAudioSource("sounds/drop.ogg@loud");
    ASSERT_TRUE(streamed && cached && buffered && other);
    EXPECT_NE(dynamic_cast<AudioOgg*>(streamed.Get()), nullptr);
    EXPECT_NE(dynamic_cast<AudioOgg*>(cached.Get()), nullptr);
    EXPECT_NE(dynamic_cast<AudioBuffer*>(buffered.Get()), nullptr);
    EXPECT_NE(dynamic_cast<AudioOgg*>(other.Get()), nullptr);
    EXPECT_FALSE(g_assetDict->GetAudioSource("sounds/drop.ogg@Cache").Get() == cached.Get());
    EXPECT_FALSE(g_assetDict->GetAudioSource("sounds/drop.wav@buffer"));
    EXPECT_FALSE(g_assetDict->GetAudioSource("sounds/music.ogg@cache@"));

    // A live source is shared by its spec; once nobody holds it, the next request loads anew.
    EXPECT_EQ(g_assetDict->GetAudioSource("sounds/drop.ogg"), streamed);
    WeakPtr<AudioSource> weak(streamed);
    streamed = nullptr;
    EXPECT_FALSE(weak.Lock());
    SmartPtr<AudioSource> again = g_assetDict->GetAudioSource("sounds/drop.ogg");
    ASSERT_TRUE(again);
    EXPECT_EQ(VornTest::ReadAll(*again), Decoded("sounds/drop.ogg"));
}

TEST_F(GameAudio, MonoHalfRateSoundsPlayOnTheStereoMixer)
{
    const u32 mono = device->CreateSource("sounds/mono.ogg");
    const std::vector<s16> samples = Decoded("sounds/mono.ogg");
    device->SetVolume(mono, 1.0f);
    ASSERT_EQ(device->Play(mono, false), 1u);
    const std::vector<s16> out = Pull(4096);
    for (size_t frame = 0; frame < 1024; ++frame) {
        const s16 expected = Q15(samples[frame / 2], 0.6f);
        ASSERT_EQ(out[2 * frame], expected) << frame;
        ASSERT_EQ(out[2 * frame + 1], expected) << frame;
    }
}

// The whole layer on the real output (the headless null device): the main thread plays, pauses,
// resumes and stops while the playback thread mixes. Under ThreadSanitizer this is the race check.
TEST_F(GameAudio, SoundLayerDrivesThePlaybackThread)
{
    AudioDevice::SetFactory(nullptr);
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    SmartPtr<Audio::SoundManager> manager = Audio::SoundManager::GetInstance();
    manager->AddAndLoadSound(1, "sounds/drop.ogg");
    manager->AddSound(2, "sounds/mono.ogg@buffer");
    manager->AddAndLoadSound(3, "sounds/drop.ogg@cache");
    ASSERT_TRUE(g_mixer);
    ASSERT_TRUE(g_mixer->HasDevice());
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
        manager->Play(1 + step % 3, step % 5 == 0);
        if (step % 4 == 0)
            manager->PlayInstance(1, false);
        if (step % 6 == 0)
            manager->PlayMusic("sounds/music.ogg", step % 12 == 0);
        if (step % 7 == 0)
            manager->Stop(1 + step % 3);
        if (step % 9 == 0) {
            manager->Pause();
            g_mixer->Pause(Mixer::PAUSE_FOCUS, true);
            g_mixer->Pause(Mixer::PAUSE_FOCUS, false);
            manager->Resume();
        }
        manager->SetSoundVolume(0.1f * (step % 11));
        manager->SetMusicVolume(0.1f * (step % 13));
        manager->Update();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    manager->StopSounds();
    manager->StopMusic();
    g_mixer->Shutdown();
    EXPECT_FALSE(g_mixer->HasDevice());
    manager = nullptr;
    Audio::SoundManager::InstallForTests(SmartPtr<Audio::AudioDevice>());
}
