#include "standin/audio.h"
#include "standin/standin.h"
#include "sys/asoundlib.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

snd_pcm_channel_params_t PlaybackParams(int rate, int voices)
{
    snd_pcm_channel_params_t p;
    std::memset(&p, 0, sizeof(p));
    p.channel = SND_PCM_CHANNEL_PLAYBACK;
    p.mode = SND_PCM_MODE_BLOCK;
    p.start_mode = SND_PCM_START_FULL;
    p.stop_mode = SND_PCM_STOP_ROLLOVER;
    p.buf.block.frag_size = 4096;
    p.format.interleave = 1;
    p.format.format = SND_PCM_SFMT_S16_LE;
    p.format.rate = rate;
    p.format.voices = voices;
    return p;
}

// Opens, configures and prepares a playback handle the way the engine's device does.
snd_pcm_t* OpenPrepared(int rate = 44100, int voices = 2)
{
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open_name(&pcm, "pcmPreferred", SND_PCM_OPEN_PLAYBACK) != 0)
        return nullptr;
    snd_pcm_channel_params_t p = PlaybackParams(rate, voices);
    if (snd_pcm_plugin_params(pcm, &p) != 0 || snd_pcm_plugin_prepare(pcm, SND_PCM_CHANNEL_PLAYBACK) != 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

class HeadlessPcm : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        standin_audio_set_capture(0);
        standin_audio_clear_captured();
    }
    void TearDown() override
    {
        standin_audio_set_capture(0);
        standin_audio_clear_captured();
    }
};

}  // namespace

TEST_F(HeadlessPcm, RefusesWhatTheDeviceCannotPlay)
{
    snd_pcm_t* pcm = nullptr;
    EXPECT_NE(snd_pcm_open_name(&pcm, "pcmPreferred", SND_PCM_OPEN_CAPTURE), 0);
    EXPECT_EQ(pcm, nullptr);
    ASSERT_EQ(snd_pcm_open_name(&pcm, "pcmPreferred", SND_PCM_OPEN_PLAYBACK), 0);

    snd_pcm_channel_params_t p = PlaybackParams(44100, 2);
    p.format.format = SND_PCM_SFMT_U8;
    EXPECT_NE(snd_pcm_plugin_params(pcm, &p), 0);
    p = PlaybackParams(44100, 6);
    EXPECT_NE(snd_pcm_plugin_params(pcm, &p), 0);
    p = PlaybackParams(192000, 2);
    EXPECT_NE(snd_pcm_plugin_params(pcm, &p), 0);
    p = PlaybackParams(44100, 2);
    p.format.interleave = 0;
    EXPECT_NE(snd_pcm_plugin_params(pcm, &p), 0);

    // Nothing configured or prepared yet: writes are refused rather than dropped silently.
    short block[2048] = {};
    EXPECT_LT(snd_pcm_plugin_write(pcm, block, sizeof(block)), 0);
    p = PlaybackParams(44100, 2);
    ASSERT_EQ(snd_pcm_plugin_params(pcm, &p), 0);
    EXPECT_LT(snd_pcm_plugin_write(pcm, block, sizeof(block)), 0);
    ASSERT_EQ(snd_pcm_plugin_prepare(pcm, SND_PCM_CHANNEL_PLAYBACK), 0);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block, sizeof(block)), static_cast<ssize_t>(sizeof(block)));
    EXPECT_EQ(snd_pcm_close(pcm), 0);
}

TEST_F(HeadlessPcm, SetupReportsTheGrantedFormat)
{
    snd_pcm_t* pcm = OpenPrepared(22050, 1);
    ASSERT_NE(pcm, nullptr);
    snd_pcm_channel_info_t info;
    std::memset(&info, 0, sizeof(info));
    info.channel = SND_PCM_CHANNEL_PLAYBACK;
    ASSERT_EQ(snd_pcm_plugin_info(pcm, &info), 0);
    EXPECT_EQ(info.max_fragment_size, 4096);
    EXPECT_TRUE(info.formats & (1u << SND_PCM_SFMT_S16_LE));

    snd_pcm_channel_setup_t setup;
    std::memset(&setup, 0, sizeof(setup));
    setup.channel = SND_PCM_CHANNEL_PLAYBACK;
    ASSERT_EQ(snd_pcm_plugin_setup(pcm, &setup), 0);
    EXPECT_EQ(setup.format.rate, 22050);
    EXPECT_EQ(setup.format.voices, 1);
    EXPECT_EQ(setup.format.format, SND_PCM_SFMT_S16_LE);
    EXPECT_EQ(setup.buf.block.frag_size, 4096);
    EXPECT_EQ(setup.status, SND_PCM_STATUS_PREPARED);
    snd_pcm_close(pcm);
}

TEST_F(HeadlessPcm, CaptureKeepsEveryByteInOrder)
{
    standin_audio_set_capture(1);
    snd_pcm_t* pcm = OpenPrepared();
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(standin_audio_last_sink(), STANDIN_AUDIO_SINK_CAPTURE);

    std::vector<unsigned char> sent(3 * 4096);
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<unsigned char>(i * 7 + 3);
    for (size_t at = 0; at < sent.size(); at += 4096)
        ASSERT_EQ(snd_pcm_plugin_write(pcm, sent.data() + at, 4096), 4096);
    snd_pcm_close(pcm);

    ASSERT_EQ(standin_audio_captured_size(), sent.size());
    std::vector<unsigned char> got(sent.size());
    EXPECT_EQ(standin_audio_take_captured(got.data(), 1000), 1000u);
    EXPECT_EQ(standin_audio_take_captured(got.data() + 1000, got.size()), got.size() - 1000);
    EXPECT_EQ(got, sent);
    EXPECT_EQ(standin_audio_captured_size(), 0u);
    EXPECT_EQ(standin_audio_take_captured(got.data(), got.size()), 0u);
}

TEST_F(HeadlessPcm, NullDeviceDropsTheDataAndCountsHandles)
{
    const unsigned opened = standin_audio_open_count();
    const unsigned closed = standin_audio_close_count();
    snd_pcm_t* pcm = OpenPrepared();
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(standin_audio_last_sink(), STANDIN_AUDIO_SINK_NULL);
    short block[2048] = {1, 2, 3};
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block, sizeof(block)), static_cast<ssize_t>(sizeof(block)));
    snd_pcm_close(pcm);
    EXPECT_EQ(standin_audio_captured_size(), 0u);
    EXPECT_EQ(standin_audio_open_count(), opened + 1);
    EXPECT_EQ(standin_audio_close_count(), closed + 1);
}

// The write is what paces the playback thread: ten blocks of 4096 bytes are 232 ms of stereo at
// 44100 Hz, of which the device may hold two ahead.
TEST_F(HeadlessPcm, WritesArePacedByTheClock)
{
    snd_pcm_t* pcm = OpenPrepared();
    ASSERT_NE(pcm, nullptr);
    std::vector<char> block(4096);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(snd_pcm_plugin_write(pcm, block.data(), block.size()), 4096);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    snd_pcm_close(pcm);
    EXPECT_GE(ms, 8 * 4096 * 1000.0 / 176400 - 2);
    EXPECT_LT(ms, 2000);
}

// No sound card is needed: the sdl backend falls back to SDL's dummy driver or to the null
// device, and either way a write blocks for about the time the data plays.
TEST(SdlPcm, PlaysWithOrWithoutASoundCard)
{
    standin_set_backend(STANDIN_BACKEND_SDL);
    snd_pcm_t* pcm = OpenPrepared();
    ASSERT_NE(pcm, nullptr);
    const standin_audio_sink sink = standin_audio_last_sink();
    EXPECT_TRUE(sink == STANDIN_AUDIO_SINK_SDL || sink == STANDIN_AUDIO_SINK_SDL_DUMMY ||
                sink == STANDIN_AUDIO_SINK_NULL)
        << sink;
    std::vector<short> block(2048, 0);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(snd_pcm_plugin_write(pcm, block.data(), 4096), 4096);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(snd_pcm_close(pcm), 0);
    EXPECT_GE(ms, 100) << "sink " << sink;
    EXPECT_LT(ms, 3000);

    // A second device after the first is closed comes up the same way.
    pcm = OpenPrepared();
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), 4096), 4096);
    EXPECT_EQ(snd_pcm_close(pcm), 0);
}

// The sound library's reports are silenced only while the sink probes for a device: an error of
// the library afterwards is on stderr again.
TEST(SdlPcm, SoundLibraryReportsAgainAfterTheProbe)
{
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        GTEST_SKIP() << "no sound library";
    using Open = int (*)(void**, const char*, int, int);
    auto open = reinterpret_cast<Open>(dlsym(library, "snd_pcm_open"));
    ASSERT_NE(open, nullptr);
    standin_set_backend(STANDIN_BACKEND_SDL);
    snd_pcm_t* pcm = OpenPrepared();
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(snd_pcm_close(pcm), 0);

    void* handle = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_NE(open(&handle, "vorn_no_such_device", 0, 0), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("vorn_no_such_device"), std::string::npos) << said;
    dlclose(library);
}
