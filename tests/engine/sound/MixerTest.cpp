#include "sound/mixer/Mixer.h"

#include "application/AbstractApp.h"
#include "sound/mixer/AudioPosition.h"
#include "sound/mixer/EffectVolume.h"
#include "support/SoundSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace Vorn;
using VornTest::PcmSource;
using VornTest::Ramp;

namespace {

const AudioFormat FORMAT(2, 44100);
const AudioBufferSpec SPEC(4096, 4);

SmartPtr<AudioSource> Source(std::vector<s16> samples, u32 channels = 2, u32 rate = 44100)
{
    return SmartPtr<AudioSource>(new PcmSource(std::move(samples), channels, rate));
}

std::vector<s16> Pull(Mixer& mixer, u32 bytes)
{
    std::vector<u8> out(bytes, 0xAB);
    EXPECT_EQ(mixer.Read(out.data(), bytes), bytes);
    return VornTest::Samples(out);
}

// A mixer without an output device: the test is the playback thread.
class MixerPull : public ::testing::Test {
protected:
    void SetUp() override { mixer = new Mixer(FORMAT, SPEC); }
    void TearDown() override { g_timeSkew.store(1.0f); }

    SmartPtr<AudioChannel> Start(const SmartPtr<AudioSource>& source, bool loop = false)
    {
        SmartPtr<AudioChannel> channel = mixer->Play(source, true).Lock();
        EXPECT_TRUE(channel);
        if (channel) {
            channel->SetLoop(loop);
            channel->SetPaused(false);
        }
        return channel;
    }

    SmartPtr<Mixer> mixer;
};

} // namespace

TEST_F(MixerPull, SilenceWithoutChannels)
{
    EXPECT_EQ(Pull(*mixer, 10000), std::vector<s16>(5000, 0));
    EXPECT_FALSE(mixer->HasDevice());
}

TEST_F(MixerPull, ReadsSpanBlocksAndKeepTheirPlace)
{
    Start(Source(Ramp(8192)));
    const std::vector<s16> first = Pull(*mixer, 6000);
    EXPECT_EQ(mixer->GetBlockPosition(), 1904u);
    const std::vector<s16> second = Pull(*mixer, 2192);
    EXPECT_EQ(mixer->GetBlockPosition(), 4096u);
    std::vector<s16> all = first;
    all.insert(all.end(), second.begin(), second.end());
    EXPECT_EQ(all, Ramp(4096));
}

TEST_F(MixerPull, ChannelEndingMidBlockIsGoneBeforeTheNext)
{
    SmartPtr<AudioChannel> channel = Start(Source(Ramp(1000)));
    WeakPtr<AudioChannel> weak(channel);
    channel = nullptr;
    ASSERT_EQ(mixer->GetChannelCount(), 1u);

    const std::vector<s16> block = Pull(*mixer, 4096);
    EXPECT_EQ(std::vector<s16>(block.begin(), block.begin() + 1000), Ramp(1000));
    EXPECT_EQ(std::vector<s16>(block.begin() + 1000, block.end()), std::vector<s16>(1048, 0));
    EXPECT_EQ(mixer->GetChannelCount(), 0u);
    EXPECT_FALSE(weak.Lock());
    EXPECT_EQ(Pull(*mixer, 4096), std::vector<s16>(2048, 0));
}

TEST_F(MixerPull, SumsSaturateAt16Bits)
{
    Start(Source(std::vector<s16>(2048, 30000)));
    Start(Source(std::vector<s16>(2048, 10000)));
    Start(Source(std::vector<s16>(2048, -30000)));
    Start(Source(std::vector<s16>(2048, -10000)));
    // The first two saturate at 32767 before the negative ones come in, as a channel adds into
    // the block one after another.
    EXPECT_EQ(Pull(*mixer, 4096), std::vector<s16>(2048, 32767 - 40000));

    SmartPtr<Mixer> other(new Mixer(FORMAT, SPEC));
    other->PlayNow(Source(std::vector<s16>(2048, -30000)), true);
    other->PlayNow(Source(std::vector<s16>(2048, -10000)), true);
    EXPECT_EQ(Pull(*other, 4096), std::vector<s16>(2048, -32768));
}

TEST_F(MixerPull, LoopingSourceFillsEveryBlock)
{
    Start(Source(Ramp(300)), true);
    for (int block = 0; block < 3; ++block) {
        const std::vector<s16> got = Pull(*mixer, 4096);
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], static_cast<s16>((block * 2048 + i) % 300 + 1)) << block << " " << i;
    }
    EXPECT_EQ(mixer->GetChannelCount(), 1u);
}

TEST_F(MixerPull, EmptyLoopingSourceEndsTheBlockWithSilence)
{
    Start(Source({}), true);
    Start(Source(std::vector<s16>(2048, 5)));
    EXPECT_EQ(Pull(*mixer, 4096), std::vector<s16>(2048, 5));
    EXPECT_EQ(mixer->GetChannelCount(), 1u);  // the empty one is gone, the other has not ended yet
}

TEST_F(MixerPull, RateConversionsMixAtTheMixerRate)
{
    // A 11025 Hz mono ramp and a 22050 Hz stereo pair on a 44100 Hz stereo mixer.
    Start(Source({100, 200}, 1, 11025));
    Start(Source({1, -1, 2, -2}, 2, 22050));
    const std::vector<s16> got = Pull(*mixer, 64);
    EXPECT_EQ(got, (std::vector<s16>{101, 99, 101, 99, 102, 98, 102, 98, 200, 200, 200, 200, 200, 200, 200, 200,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(MixerPull, TwoPositionsOverOneSourceMixIndependently)
{
    SmartPtr<AudioSource> shared = Source(Ramp(4096), 2);
    Start(SmartPtr<AudioSource>(new AudioPosition(shared)));
    Pull(*mixer, 4096);  // the first position is half way through when the second starts
    Start(SmartPtr<AudioSource>(new AudioPosition(shared)));
    const std::vector<s16> both = Pull(*mixer, 4096);
    for (size_t i = 0; i < both.size(); ++i)
        ASSERT_EQ(both[i], static_cast<s16>((2049 + i) + (1 + i))) << i;
    const std::vector<s16> second = Pull(*mixer, 4096);
    EXPECT_EQ(second, Ramp(2048, 2049));
    EXPECT_EQ(mixer->GetChannelCount(), 1u);
}

TEST_F(MixerPull, VolumeEffectsInQ15AndAboveUnity)
{
    SmartPtr<AudioChannel> quiet = Start(Source({1000, -1001, 20000, -20000}));
    quiet->AddEffect(SmartPtr<AudioEffect>(new EffectVolume(FORMAT, 0.5f)));
    std::vector<s16> got = Pull(*mixer, 8);
    EXPECT_EQ(got, (std::vector<s16>{500, -501, 10000, -10000}));

    SmartPtr<Mixer> loud(new Mixer(FORMAT, SPEC));
    SmartPtr<AudioChannel> channel = loud->Play(Source({1000, -1001, 20000, -20000}), true).Lock();
    channel->AddEffect(SmartPtr<AudioEffect>(new EffectVolume(FORMAT, 2.0f)));
    channel->SetPaused(false);
    EXPECT_EQ(Pull(*loud, 8), (std::vector<s16>{2000, -2002, 32767, -32768}));
}

TEST_F(MixerPull, MixerEffectsRunOnTheWholeBlock)
{
    Start(Source(std::vector<s16>(2048, 1000)));
    Start(Source(std::vector<s16>(2048, 3000)));
    SmartPtr<AudioEffect> half(new EffectVolume(FORMAT, 0.5f));
    mixer->AddEffect(half);
    EXPECT_EQ(Pull(*mixer, 4096), std::vector<s16>(2048, 2000));
    EXPECT_TRUE(mixer->RemoveEffect(half.Get()));
    EXPECT_FALSE(mixer->RemoveEffect(half.Get()));
}

TEST_F(MixerPull, TimeSkewTwoTakesEveryOtherFrame)
{
    Start(Source(Ramp(2 * 8192)), false);
    g_timeSkew.store(2.0f);
    const std::vector<s16> got = Pull(*mixer, 4096);
    // Frames 0, 1, 3, 5, ... of the source: nearest-frame resampling from a phase of 1.0.
    ASSERT_EQ(got.size(), 2048u);
    EXPECT_EQ(got[0], 1);
    EXPECT_EQ(got[1], 2);
    for (size_t frame = 1; frame < 1024; ++frame) {
        ASSERT_EQ(got[2 * frame], static_cast<s16>(2 * (2 * frame - 1) + 1)) << frame;
        ASSERT_EQ(got[2 * frame + 1], static_cast<s16>(2 * (2 * frame - 1) + 2)) << frame;
    }
}

TEST_F(MixerPull, TimeSkewHalfRepeatsEveryFrame)
{
    Start(Source(Ramp(8192)), false);
    g_timeSkew.store(0.5f);
    const std::vector<s16> first = Pull(*mixer, 4096);
    const std::vector<s16> second = Pull(*mixer, 4096);
    for (size_t frame = 0; frame < 1024; ++frame) {
        const size_t source = frame / 2;
        ASSERT_EQ(first[2 * frame], static_cast<s16>(2 * source + 1)) << frame;
        ASSERT_EQ(first[2 * frame + 1], static_cast<s16>(2 * source + 2)) << frame;
        ASSERT_EQ(second[2 * frame], static_cast<s16>(2 * (source + 512) + 1)) << frame;
    }
}

TEST_F(MixerPull, SkewOutsideItsRangeStaysSafe)
{
    Start(Source(Ramp(8192)), true);
    for (float skew : {-1.0f, 0.0f, 1e9f, std::numeric_limits<float>::quiet_NaN()}) {
        g_timeSkew.store(skew);
        EXPECT_EQ(Pull(*mixer, 4096).size(), 2048u);
    }
}

TEST_F(MixerPull, UnforcedPlayStopsAtTheChannelLimit)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(mixer->Play(Source(Ramp(10)), false).IsEmpty());
    EXPECT_TRUE(mixer->Play(Source(Ramp(10)), false).IsEmpty());
    EXPECT_EQ(mixer->GetChannelCount(), 4u);
    EXPECT_FALSE(mixer->Play(Source(Ramp(10)), true).IsEmpty());
    EXPECT_EQ(mixer->GetChannelCount(), 5u);

    // New channels start paused until their owner lets them go.
    EXPECT_EQ(Pull(*mixer, 4096), std::vector<s16>(2048, 0));
    EXPECT_EQ(mixer->GetChannelCount(), 5u);
}

TEST_F(MixerPull, NullAndUnplayableSourcesGiveNoChannel)
{
    EXPECT_TRUE(mixer->Play(SmartPtr<AudioSource>(), true).IsEmpty());
    EXPECT_TRUE(mixer->Play(Source(Ramp(10), 2, 48000), true).IsEmpty());
    EXPECT_EQ(mixer->GetChannelCount(), 0u);
}

TEST_F(MixerPull, StopRemoveAndGroups)
{
    SmartPtr<AudioChannel> a = Start(Source(std::vector<s16>(8192, 1)), true);
    SmartPtr<AudioChannel> b = Start(Source(std::vector<s16>(8192, 10)), true);
    SmartPtr<AudioChannel> c = Start(Source(std::vector<s16>(8192, 100)), true);
    a->SetGroupMask(1);
    b->SetGroupMask(2);
    c->SetGroupMask(3);
    EXPECT_EQ(Pull(*mixer, 4)[0], 111);
    mixer->PauseGroup(2, true);  // b and c
    mixer->Read(std::vector<u8>(4096 - 4).data(), 4096 - 4);
    EXPECT_EQ(Pull(*mixer, 4)[0], 1);
    mixer->PauseGroup(1, false);  // a and c
    mixer->Read(std::vector<u8>(4096 - 4).data(), 4096 - 4);
    EXPECT_EQ(Pull(*mixer, 4)[0], 101);
    mixer->StopGroup(1);
    EXPECT_EQ(mixer->GetChannelCount(), 1u);
    mixer->RemoveChannel(b.Get());
    mixer->RemoveChannel(b.Get());
    EXPECT_EQ(mixer->GetChannelCount(), 0u);
    Start(Source(Ramp(10)));
    Start(Source(Ramp(10)));
    mixer->StopAll();
    EXPECT_EQ(mixer->GetChannelCount(), 0u);
}
