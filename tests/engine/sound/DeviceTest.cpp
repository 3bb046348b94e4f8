#include "sound/mixer/Mixer.h"
#include "application/AbstractApp.h"
#include "sound/playbook/PlaybookAudioDevice.h"

#include "standin/audio.h"
#include "standin/standin.h"
#include "support/SoundSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace Vorn;
using VornTest::PcmSource;
using VornTest::Ramp;

namespace {

const AudioFormat FORMAT(2, 44100);
const AudioBufferSpec SPEC(4096, 4);

// Counts what the mixer makes and drops, and plays nothing.
class CountingDevice : public AudioDevice {
public:
    explicit CountingDevice(const AudioFormat& format) : AudioDevice(format) { ++s_made; ++s_alive; }
    ~CountingDevice() override { --s_alive; }
    void Start(AudioStream* stream) override
    {
        ++s_started;
        s_lastStream = stream;
    }
    u32 Control(u32 code, u32 value) override { return code * 1000 + value; }

    static AudioDevice* Make(const AudioFormat& format, const AudioBufferSpec&) { return new CountingDevice(format); }
    static void Reset()
    {
        s_made = s_alive = s_started = 0;
        s_lastStream = nullptr;
    }

    static int s_made;
    static int s_alive;
    static int s_started;
    static AudioStream* s_lastStream;
};

int CountingDevice::s_made = 0;
int CountingDevice::s_alive = 0;
int CountingDevice::s_started = 0;
AudioStream* CountingDevice::s_lastStream = nullptr;

class MixerDevices : public ::testing::Test {
protected:
    void SetUp() override
    {
        CountingDevice::Reset();
        AudioDevice::SetFactory(&CountingDevice::Make);
    }
    void TearDown() override { AudioDevice::SetFactory(nullptr); }
};

// Waits until pred holds, for at most two seconds.
template <class Pred>
bool WaitFor(Pred pred)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class HeadlessOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        standin_audio_set_capture(1);
        standin_audio_clear_captured();
    }
    void TearDown() override
    {
        standin_audio_set_capture(0);
        standin_audio_clear_captured();
    }
};

} // namespace

TEST_F(MixerDevices, CreateStartsOneDeviceOnAHeldMixer)
{
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    EXPECT_EQ(CountingDevice::s_made, 1);
    EXPECT_EQ(CountingDevice::s_started, 1);
    EXPECT_EQ(CountingDevice::s_lastStream, mixer.Get());
    EXPECT_EQ(mixer->GetRefCount(), 1);
    EXPECT_EQ(mixer->DeviceControl(3, 4), 3004u);
    mixer = nullptr;
    EXPECT_EQ(CountingDevice::s_alive, 0);

    // A mixer made directly has no device until something starts it.
    SmartPtr<Mixer> plain(new Mixer(FORMAT, SPEC));
    EXPECT_EQ(CountingDevice::s_made, 1);
    EXPECT_EQ(plain->DeviceControl(3, 4), 0u);
}

TEST_F(MixerDevices, PauseMaskMakesAndDropsExactlyTheDevices)
{
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    ASSERT_EQ(CountingDevice::s_alive, 1);

    mixer->Pause(1, true);
    EXPECT_EQ(CountingDevice::s_alive, 0);
    mixer->Pause(2, true);
    EXPECT_EQ(CountingDevice::s_alive, 0);
    mixer->Pause(1, false);
    EXPECT_EQ(CountingDevice::s_alive, 0);
    EXPECT_EQ(CountingDevice::s_made, 1);
    mixer->Pause(2, false);
    EXPECT_EQ(CountingDevice::s_alive, 1);
    EXPECT_EQ(CountingDevice::s_made, 2);
    EXPECT_EQ(CountingDevice::s_started, 2);

    // Clearing bits that are not set, or setting none, changes nothing.
    mixer->Pause(4, false);
    mixer->Pause(0, true);
    EXPECT_EQ(CountingDevice::s_made, 2);

    mixer->Suspend(true);
    EXPECT_EQ(CountingDevice::s_alive, 0);
    mixer->Pause(1, true);
    mixer->Suspend(false);
    EXPECT_EQ(CountingDevice::s_alive, 0);
    mixer->Pause(1, false);
    EXPECT_EQ(CountingDevice::s_alive, 1);
    EXPECT_EQ(CountingDevice::s_made, 3);
    EXPECT_EQ(mixer->GetPauseMask(), 0u);
}

TEST_F(MixerDevices, PausedMixerKeepsItsChannelsWhereTheyStood)
{
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    mixer->PlayNow(SmartPtr<AudioSource>(new PcmSource(Ramp(4096), 2, 44100)), true);
    std::vector<u8> block(4096);
    mixer->Read(block.data(), 4096);
    mixer->Pause(1, true);
    mixer->Pause(1, false);
    mixer->Read(block.data(), 4096);
    EXPECT_EQ(VornTest::Samples(block), Ramp(2048, 2049));
}

TEST_F(MixerDevices, ShutdownDropsTheDeviceForGood)
{
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    mixer->Shutdown();
    EXPECT_EQ(CountingDevice::s_alive, 0);
    mixer->Pause(1, true);
    mixer->Pause(1, false);
    EXPECT_EQ(CountingDevice::s_alive, 0);
    EXPECT_EQ(CountingDevice::s_made, 1);
}

// The real device on the headless capture output: what the playback thread writes is what the
// mixer renders, in 4096-byte blocks.
TEST_F(HeadlessOutput, PlaybackThreadWritesTheMixerBlocks)
{
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    ASSERT_TRUE(mixer->HasDevice());
    EXPECT_EQ(standin_audio_last_sink(), STANDIN_AUDIO_SINK_CAPTURE);
    mixer->PlayNow(SmartPtr<AudioSource>(new PcmSource(Ramp(6000, 1, 3), 2, 44100)), true);
    // The channel ends (and leaves the list) in the block that holds its last sample; the block
    // after that one is written once that one is.
    ASSERT_TRUE(WaitFor([&mixer] { return mixer->GetChannelCount() == 0; }));
    const size_t ended = standin_audio_captured_size();
    ASSERT_TRUE(WaitFor([ended] { return standin_audio_captured_size() >= ended + 2 * 4096; }));
    mixer->Shutdown();
    EXPECT_FALSE(mixer->HasDevice());

    const size_t size = standin_audio_captured_size();
    EXPECT_EQ(size % 4096, 0u);
    std::vector<u8> bytes(size);
    standin_audio_take_captured(bytes.data(), size);
    const std::vector<s16> got = VornTest::Samples(bytes);
    // The channel may have started in the first block or a later one: find its first sample.
    size_t start = 0;
    while (start < got.size() && got[start] == 0)
        ++start;
    ASSERT_EQ(start % 2048, 0u);
    ASSERT_LE(start + 6000, got.size());
    for (size_t i = 0; i < 6000; ++i)
        ASSERT_EQ(got[start + i], static_cast<s16>(1 + 3 * i)) << i;
    for (size_t i = start + 6000; i < got.size(); ++i)
        ASSERT_EQ(got[i], 0) << i;
}

TEST_F(HeadlessOutput, PauseEndsOneThreadAndResumeStartsAnotherOnTheSameMixer)
{
    const unsigned opened = standin_audio_open_count();
    const unsigned closed = standin_audio_close_count();
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    EXPECT_EQ(standin_audio_open_count(), opened + 1);
    EXPECT_EQ(g_audioStream.Lock(), mixer);

    mixer->Pause(Mixer::PAUSE_FOCUS, true);
    EXPECT_EQ(standin_audio_close_count(), closed + 1);
    standin_audio_clear_captured();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(standin_audio_captured_size(), 0u);  // no thread writes while paused

    mixer->Pause(Mixer::PAUSE_FOCUS, false);
    EXPECT_EQ(standin_audio_open_count(), opened + 2);
    EXPECT_EQ(g_audioStream.Lock(), mixer);
    EXPECT_TRUE(WaitFor([] { return standin_audio_captured_size() > 0; }));
    // Shut down first, as the application does: released while the thread holds it for a block,
    // the mixer would otherwise go (and close its output) on the playback thread, a little later.
    mixer->Shutdown();
    EXPECT_EQ(standin_audio_close_count(), closed + 2);
    mixer = nullptr;
    EXPECT_FALSE(g_audioStream.Lock());
}

TEST_F(HeadlessOutput, DeviceNeverStartedClosesWithoutJoining)
{
    const unsigned closed = standin_audio_close_count();
    {
        SmartPtr<AudioDevice> device(AudioDevice::Create(FORMAT, SPEC));
        EXPECT_EQ(device->GetFormat(), FORMAT);
    }
    EXPECT_EQ(standin_audio_close_count(), closed + 1);
}

namespace {

// A stream that owns the device pulling it, and holds its first Read until the test lets it go:
// the test drops its own reference meanwhile, so the playback thread's release is the last one
// and the device is destroyed on its own thread.
class SelfOwningStream : public AudioStream {
public:
    ~SelfOwningStream() override { s_destroyed = true; }

    u32 Read(void* buffer, u32 bytes) override
    {
        std::unique_lock<std::mutex> lock(s_mutex);
        s_inRead = true;
        s_changed.notify_all();
        s_changed.wait(lock, [] { return s_release; });
        std::memset(buffer, 0, bytes);
        return bytes;
    }

    SmartPtr<AudioDevice> device;

    static std::mutex s_mutex;
    static std::condition_variable s_changed;
    static bool s_inRead;
    static bool s_release;
    static std::atomic<bool> s_destroyed;
};

std::mutex SelfOwningStream::s_mutex;
std::condition_variable SelfOwningStream::s_changed;
bool SelfOwningStream::s_inRead = false;
bool SelfOwningStream::s_release = false;
std::atomic<bool> SelfOwningStream::s_destroyed{false};

} // namespace

TEST_F(HeadlessOutput, StreamDyingOnThePlaybackThreadNeverJoinsItself)
{
    const unsigned closed = standin_audio_close_count();
    {
        SmartPtr<SelfOwningStream> stream(new SelfOwningStream);
        stream->device = AudioDevice::Create(FORMAT, SPEC);
        stream->device->Start(stream.Get());
        std::unique_lock<std::mutex> lock(SelfOwningStream::s_mutex);
        SelfOwningStream::s_changed.wait(lock, [] { return SelfOwningStream::s_inRead; });
    }
    {
        std::lock_guard<std::mutex> lock(SelfOwningStream::s_mutex);
        SelfOwningStream::s_release = true;
    }
    SelfOwningStream::s_changed.notify_all();
    EXPECT_TRUE(WaitFor([] { return SelfOwningStream::s_destroyed.load(); }));
    EXPECT_TRUE(WaitFor([closed] { return standin_audio_close_count() == closed + 1; }));
}

namespace {
class BareApp : public AbstractApp {
public:
    BareApp() : AbstractApp(0) {}
};
} // namespace

// At exit the application stops the playback thread on the main thread, even while another
// holder (the game's sound layer) keeps the mixer alive beyond it.
TEST_F(HeadlessOutput, ApplicationStopsThePlaybackThreadAtExit)
{
    const unsigned closed = standin_audio_close_count();
    SmartPtr<Mixer> soundLayer;
    {
        SmartPtr<BareApp> app(new BareApp);
        g_mixer = Mixer::Create(FORMAT, SPEC);
        soundLayer = g_mixer;
        ASSERT_TRUE(WaitFor([] { return standin_audio_captured_size() > 0; }));
    }
    EXPECT_FALSE(g_mixer);
    EXPECT_FALSE(soundLayer->HasDevice());
    EXPECT_EQ(standin_audio_close_count(), closed + 1);
    standin_audio_clear_captured();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(standin_audio_captured_size(), 0u);
}

// As a new user would hear it: a generated tone through the desktop backend. With no sound card
// the backend falls back to SDL's dummy driver or the clock-paced null device; either way the
// playback thread runs at the device's pace and everything ends cleanly.
TEST(SdlOutput, PlaysAToneAndEndsCleanly)
{
    standin_set_backend(STANDIN_BACKEND_SDL);
    const unsigned closed = standin_audio_close_count();
    std::vector<s16> tone(2 * 44100 / 4);
    for (size_t frame = 0; frame < tone.size() / 2; ++frame) {
        const s16 v = static_cast<s16>(8000 * std::sin(2 * 3.14159265358979 * 440 * frame / 44100.0));
        tone[2 * frame] = v;
        tone[2 * frame + 1] = v;
    }
    SmartPtr<Mixer> mixer = Mixer::Create(FORMAT, SPEC);
    ASSERT_TRUE(mixer->HasDevice());
    const standin_audio_sink sink = standin_audio_last_sink();
    EXPECT_TRUE(sink == STANDIN_AUDIO_SINK_SDL || sink == STANDIN_AUDIO_SINK_SDL_DUMMY || sink == STANDIN_AUDIO_SINK_NULL)
        << sink;
    mixer->PlayNow(SmartPtr<AudioSource>(new PcmSource(tone, 2, 44100)), true);
    // A quarter of a second of tone: the channel ends once the device has taken it.
    EXPECT_TRUE(WaitFor([&mixer] { return mixer->GetChannelCount() == 0; }));
    mixer->Shutdown();
    mixer = nullptr;
    EXPECT_EQ(standin_audio_close_count(), closed + 1);
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
}
