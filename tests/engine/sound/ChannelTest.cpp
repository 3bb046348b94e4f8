#include "sound/mixer/AudioChannel.h"
#include "sound/mixer/AudioPosition.h"
#include "sound/mixer/EffectVolume.h"
#include "support/SoundSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace Vorn;
using VornTest::PcmSource;
using VornTest::Ramp;

namespace {

SmartPtr<AudioChannel> MakeChannel(const AudioFormat& mixer, const SmartPtr<AudioSource>& source, bool loop = false)
{
    SmartPtr<AudioChannel> channel(new AudioChannel(mixer, source));
    channel->SetLoop(loop);
    channel->SetPaused(false);
    return channel;
}

SmartPtr<AudioSource> Source(std::vector<s16> samples, u32 channels, u32 rate)
{
    return SmartPtr<AudioSource>(new PcmSource(std::move(samples), channels, rate));
}

// What the channel converts, pulled in pieces of piece bytes (whole output frames).
std::vector<s16> Convert(AudioChannel& channel, u32 piece, u32 total)
{
    std::vector<s16> out;
    std::vector<u8> buffer(piece);
    while (out.size() * 2 < total) {
        const u32 n = channel.ReadConverted(buffer.data(), piece);
        const std::vector<s16> s = VornTest::Samples(std::vector<u8>(buffer.begin(), buffer.begin() + n));
        out.insert(out.end(), s.begin(), s.end());
        if (n < piece)
            break;
    }
    return out;
}

// The conversion written out plainly: each output frame from the source frames it covers.
std::vector<s16> Reference(const std::vector<s16>& in, u32 sc, u32 sr, u32 dc, u32 dr)
{
    std::vector<s16> out;
    const size_t frames = in.size() / sc;
    if (sr >= dr) {
        const u32 down = sr / dr;
        for (size_t f = 0; f + down <= frames; f += down) {
            if (sc == dc) {
                for (u32 c = 0; c < dc; ++c) {
                    int sum = 0;
                    for (u32 k = 0; k < down; ++k)
                        sum += in[(f + k) * sc + c];
                    out.push_back(static_cast<s16>(sum / static_cast<int>(down)));
                }
            } else {
                int sum = 0;
                for (u32 k = 0; k < down; ++k)
                    for (u32 c = 0; c < sc; ++c)
                        sum += in[(f + k) * sc + c];
                const s16 v = static_cast<s16>(sum / static_cast<int>(down * sc));
                for (u32 c = 0; c < dc; ++c)
                    out.push_back(v);
            }
        }
    } else {
        const u32 up = dr / sr;
        for (size_t f = 0; f < frames; ++f) {
            std::vector<s16> frame;
            if (sc == dc) {
                frame.assign(in.begin() + f * sc, in.begin() + (f + 1) * sc);
            } else if (sc == 2) {
                frame.push_back(static_cast<s16>((in[2 * f] + in[2 * f + 1]) / 2));
            } else {
                frame.assign(dc, in[f]);
            }
            for (u32 u = 0; u < up; ++u)
                out.insert(out.end(), frame.begin(), frame.end());
        }
    }
    return out;
}

} // namespace

TEST(AudioChannel, MonoHalfRateOnStereoMixerMakesTwoEqualFramesPerSample)
{
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), Source({100, -200, 300}, 1, 22050));
    EXPECT_EQ(channel->GetShift(), 2);
    EXPECT_EQ(Convert(*channel, 48, 48),
              (std::vector<s16>{100, 100, 100, 100, -200, -200, -200, -200, 300, 300, 300, 300}));
}

// Stereo stays in whole frames: doubling repeats frames (L R L R), halving averages each channel
// over two frames; left never mixes into right.
TEST(AudioChannel, StereoRateChangesKeepChannelsApart)
{
    SmartPtr<AudioChannel> up = MakeChannel(AudioFormat(2, 44100), Source({1, -1, 2, -2}, 2, 22050));
    EXPECT_EQ(Convert(*up, 64, 16), (std::vector<s16>{1, -1, 1, -1, 2, -2, 2, -2}));

    SmartPtr<AudioChannel> down = MakeChannel(AudioFormat(2, 22050), Source({10, -10, 20, -30, 7, 8, 9, 11}, 2, 44100));
    EXPECT_EQ(Convert(*down, 64, 8), (std::vector<s16>{15, -20, 8, 9}));

    SmartPtr<AudioChannel> quarter = MakeChannel(AudioFormat(2, 11025), Source({1, 100, 2, 200, 3, 300, 5, 400}, 2, 44100));
    EXPECT_EQ(Convert(*quarter, 64, 4), (std::vector<s16>{2, 250}));
}

TEST(AudioChannel, FoldingToMonoAveragesTruncatingTowardZero)
{
    SmartPtr<AudioChannel> fold = MakeChannel(AudioFormat(1, 44100), Source({3, 4, -3, -4, 32767, 32767}, 2, 44100));
    EXPECT_EQ(Convert(*fold, 64, 6), (std::vector<s16>{3, -3, 32767}));
}

// Every pair of mono/stereo formats at 11025, 22050 and 44100 Hz against the plain reference.
TEST(AudioChannel, EveryRecognisedConversionMatchesTheReference)
{
    const u32 rates[] = {11025, 22050, 44100};
    const std::vector<s16> ramp = Ramp(64 * 8, -3000, 13);
    for (u32 sc = 1; sc <= 2; ++sc)
        for (u32 dc = 1; dc <= 2; ++dc)
            for (u32 sr : rates)
                for (u32 dr : rates) {
                    SCOPED_TRACE(testing::Message() << sc << "ch " << sr << " Hz -> " << dc << "ch " << dr << " Hz");
                    const std::vector<s16> expected = Reference(ramp, sc, sr, dc, dr);
                    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(dc, dr), Source(ramp, sc, sr));
                    ASSERT_TRUE(channel->IsPlayable());
                    EXPECT_EQ(Convert(*channel, 1 << 16, static_cast<u32>(expected.size() * 2)), expected);
                }
}

// Requests that end inside a group of output frames (a doubled sample cut between two blocks)
// continue exactly where the last one stopped.
TEST(AudioChannel, OddRequestsContinueSeamlessly)
{
    const std::vector<s16> ramp = Ramp(301, 1, 1);
    const std::vector<s16> expected = Reference(ramp, 1, 11025, 2, 44100);
    for (u32 piece : {4u, 12u, 20u, 36u, 1028u}) {
        SCOPED_TRACE(piece);
        SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), Source(ramp, 1, 11025));
        EXPECT_EQ(Convert(*channel, piece, static_cast<u32>(expected.size() * 2)), expected);
    }
}

TEST(AudioChannel, UnknownRatesAndChannelCountsCannotPlay)
{
    EXPECT_FALSE(MakeChannel(AudioFormat(2, 44100), Source({1, 2}, 2, 48000))->IsPlayable());
    EXPECT_FALSE(MakeChannel(AudioFormat(2, 44100), Source({1, 2}, 2, 0))->IsPlayable());
    EXPECT_FALSE(MakeChannel(AudioFormat(2, 44100), Source({1, 2, 3}, 3, 44100))->IsPlayable());
    EXPECT_FALSE(MakeChannel(AudioFormat(2, 44100), SmartPtr<AudioSource>())->IsPlayable());
    SmartPtr<AudioChannel> none = MakeChannel(AudioFormat(2, 44100), Source({1, 2}, 2, 48000));
    std::vector<s16> block(8, 5);
    EXPECT_EQ(none->Mix(block.data(), 16), 0u);
    EXPECT_EQ(block, std::vector<s16>(8, 5));
}

TEST(AudioChannel, PausedChannelAnswersTheRequestAndAddsNothing)
{
    SmartPtr<PcmSource> pcm(new PcmSource(Ramp(4096), 2, 44100));
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), pcm);
    channel->SetPaused(true);
    std::vector<s16> block(2048, 7);
    EXPECT_EQ(channel->Mix(block.data(), 4096), 4096u);
    EXPECT_EQ(block, std::vector<s16>(2048, 7));
    EXPECT_EQ(pcm->GetReadCount(), 0);
    EXPECT_EQ(pcm->Tell(), 0u);
}

TEST(AudioChannel, MixSaturatesTheSum)
{
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), Source({30000, -30000, 100, -100}, 2, 44100));
    std::vector<s16> block = {10000, -10000, 32767, -32768};
    EXPECT_EQ(channel->Mix(block.data(), 8), 8u);
    EXPECT_EQ(block, (std::vector<s16>{32767, -32768, 32767, -32768}));
}

// Blocks long enough for the sum to run eight samples at a time, with a tail: every sample is the
// clamped sum.
TEST(AudioChannel, LongBlocksSaturateEverySample)
{
    std::vector<s16> source, block;
    for (int i = 0; i < 1003; ++i) {
        source.push_back(static_cast<s16>((i * 7919) % 65536 - 32768));
        block.push_back(static_cast<s16>((i * 104729) % 65536 - 32768));
    }
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(1, 44100), Source(source, 1, 44100));
    std::vector<s16> mixed = block;
    ASSERT_EQ(channel->Mix(mixed.data(), 2006), 2006u);
    for (size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(mixed[i], std::max(-32768, std::min(32767, block[i] + source[i]))) << i;
}

TEST(AudioChannel, EffectsRunOnTheChannelsOwnDataBeforeTheSum)
{
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), Source({1000, -1000, 1000, -1000}, 2, 44100));
    SmartPtr<EffectVolume> half(new EffectVolume(AudioFormat(2, 44100), 0.5f));
    channel->AddEffect(half);
    std::vector<s16> block = {1, 1, 1, 1};
    EXPECT_EQ(channel->Mix(block.data(), 4), 4u);
    EXPECT_EQ(block, (std::vector<s16>{501, -499, 1, 1}));
    EXPECT_TRUE(channel->RemoveEffect(half.Get()));
    EXPECT_FALSE(channel->RemoveEffect(half.Get()));
    EXPECT_EQ(channel->Mix(block.data(), 4), 4u);
    EXPECT_EQ(block, (std::vector<s16>{1501, -1499, 1, 1}));
}

TEST(AudioChannel, EndingSourceGivesAShortMix)
{
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), Source(Ramp(100), 2, 44100));
    std::vector<s16> block(2048, 0);
    EXPECT_EQ(channel->Mix(block.data(), 4096), 200u);
    EXPECT_EQ(block[99], 100);
    EXPECT_EQ(block[100], 0);
    EXPECT_EQ(channel->Mix(block.data(), 4096), 0u);
}

TEST(AudioChannel, LoopingSourceFillsTheWholeRequest)
{
    // 1000 bytes asked for 4096: four passes and 96 bytes of a fifth.
    SmartPtr<PcmSource> pcm(new PcmSource(Ramp(500), 2, 44100));
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), pcm, true);
    std::vector<s16> block(2048, 0);
    EXPECT_EQ(channel->Mix(block.data(), 4096), 4096u);
    for (size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(block[i], static_cast<s16>(i % 500 + 1)) << i;
    EXPECT_EQ(pcm->GetRewindCount(), 4);
    EXPECT_EQ(pcm->Tell(), 96u);
}

TEST(AudioChannel, LoopingConvertedSourceWrapsInWholeFrames)
{
    // A stereo source of an odd byte count: after the wrap the left channel is still on the left.
    std::vector<s16> samples = {1, -1, 2, -2, 3};
    SmartPtr<AudioChannel> channel = MakeChannel(AudioFormat(2, 44100), Source(samples, 2, 22050), true);
    EXPECT_EQ(Convert(*channel, 48, 48),
              (std::vector<s16>{1, -1, 1, -1, 2, -2, 2, -2, 1, -1, 1, -1, 2, -2, 2, -2, 1, -1, 1, -1, 2, -2, 2, -2}));
}

// An empty source, or one with less than a frame, cannot be looped: the channel ends instead of
// reading for ever.
TEST(AudioChannel, EmptyLoopingSourceEnds)
{
    SmartPtr<AudioChannel> empty = MakeChannel(AudioFormat(2, 44100), Source({}, 2, 44100), true);
    std::vector<s16> block(2048, 3);
    EXPECT_EQ(empty->Mix(block.data(), 4096), 0u);
    EXPECT_EQ(block, std::vector<s16>(2048, 3));

    SmartPtr<AudioChannel> sliver = MakeChannel(AudioFormat(2, 44100), Source({9}, 2, 44100), true);
    EXPECT_LT(sliver->Mix(block.data(), 4096), 4096u);

    SmartPtr<AudioChannel> converted = MakeChannel(AudioFormat(2, 44100), Source({}, 1, 22050), true);
    EXPECT_EQ(converted->Mix(block.data(), 4096), 0u);
}

TEST(AudioPosition, TwoPositionsOverOneSourceReadIndependently)
{
    SmartPtr<AudioSource> shared = Source(Ramp(1000), 1, 44100);
    SmartPtr<AudioPosition> a(new AudioPosition(shared));
    SmartPtr<AudioPosition> b(new AudioPosition(shared));
    EXPECT_EQ(a->GetChannels(), 1u);
    EXPECT_EQ(a->GetSampleRate(), 44100u);
    EXPECT_EQ(a->GetSize(), 2000u);

    s16 buffer[10];
    ASSERT_EQ(a->Read(buffer, 20), 20u);
    EXPECT_EQ(buffer[0], 1);
    ASSERT_EQ(b->Read(buffer, 4), 4u);
    EXPECT_EQ(buffer[0], 1);
    ASSERT_EQ(a->Read(buffer, 4), 4u);
    EXPECT_EQ(buffer[0], 11);
    ASSERT_EQ(b->Read(buffer, 4), 4u);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(a->Tell(), 24u);
    EXPECT_EQ(b->Tell(), 8u);

    a->Rewind();
    ASSERT_EQ(a->Read(buffer, 2), 2u);
    EXPECT_EQ(buffer[0], 1);
    b->Seek(1998);
    EXPECT_EQ(b->Read(buffer, 20), 2u);
    EXPECT_EQ(buffer[0], 1000);
}
