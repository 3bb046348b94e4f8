#include "sound/mixer/EffectScale.h"
#include "sound/mixer/EffectVolume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace Vorn;

namespace {

const AudioFormat STEREO(2, 44100);
const AudioFormat MONO(1, 44100);

std::vector<s16> Processed(EffectVolume& effect, std::vector<s16> samples)
{
    const u32 bytes = static_cast<u32>(samples.size() * 2);
    EXPECT_EQ(effect.Process(samples.data(), bytes, bytes), bytes);
    return samples;
}

std::vector<s16> WithVolume(float volume, std::vector<s16> samples)
{
    SmartPtr<EffectVolume> effect(new EffectVolume(STEREO, volume));
    return Processed(*effect, samples);
}

} // namespace

TEST(EffectVolume, UnityLeavesEveryBitAndQ15RoundsDown)
{
    const std::vector<s16> in = {0, 1, -1, 1000, -1001, 32767, -32768, 12345};
    EXPECT_EQ(WithVolume(1.0f, in), in);
    EXPECT_EQ(WithVolume(0.5f, in), (std::vector<s16>{0, 0, -1, 500, -501, 16383, -16384, 6172}));
    EXPECT_EQ(WithVolume(0.0f, in), std::vector<s16>(in.size(), 0));
}

// Blocks long enough to run eight samples at a time, with a tail, across every kind of sample:
// each is (sample x gain) >> 15, clamped.
TEST(EffectVolume, LongBlocksScaleEverySampleAlike)
{
    std::vector<s16> in = {-32768, 32767, -1, 1, 0};
    for (int v = -32768; v < 32768; v += 37)
        in.push_back(static_cast<s16>(v));
    for (float volume : {0.5f, 0.6f, 0.999f, 0.001f, -0.3f, -1.0f}) {
        SCOPED_TRACE(volume);
        const s32 gain = static_cast<s32>(volume * 32768.0f);
        const std::vector<s16> out = WithVolume(volume, in);
        for (size_t i = 0; i < in.size(); ++i)
            ASSERT_EQ(out[i], std::min(32767, (in[i] * gain) >> 15)) << i;
    }
}

TEST(EffectVolume, GainIsTheTruncatedQ15Volume)
{
    SmartPtr<EffectVolume> effect(new EffectVolume(STEREO, 1.0f));
    effect->SetVolume(0.6f);
    EXPECT_EQ(effect->GetGain(), 19660);
    EXPECT_EQ(WithVolume(0.6f, {10000, -10000}), (std::vector<s16>{5999, -6000}));
}

TEST(EffectVolume, AboveUnityTruncatesTowardZeroAndSaturates)
{
    EXPECT_EQ(WithVolume(2.0f, {20000, -20000, 100, -100}), (std::vector<s16>{32767, -32768, 200, -200}));
    // 1.5 x 3 = 4.5 and 1.5 x -3 = -4.5: toward zero, not down.
    EXPECT_EQ(WithVolume(1.5f, {3, -3}), (std::vector<s16>{4, -4}));
}

TEST(EffectVolume, VolumesOutsideTheRangeStayDefined)
{
    const std::vector<s16> in = {32767, -32768, 1000};
    EXPECT_EQ(WithVolume(-1.0f, in), (std::vector<s16>{-32767, 32767, -1000}));
    EXPECT_EQ(WithVolume(-1e9f, in), (std::vector<s16>{-32768, 32767, -32768}));
    EXPECT_EQ(WithVolume(std::numeric_limits<float>::quiet_NaN(), in), (std::vector<s16>{0, 0, 0}));
    EXPECT_EQ(WithVolume(std::numeric_limits<float>::infinity(), in), (std::vector<s16>{32767, -32768, 32767}));
}

// A boost followed by a cut in two effects clamps in between (20000 x 2 saturates at 32767 before
// x 0.6); with a master the two are one gain and one clamp.
TEST(EffectVolume, MasterGainAppliesInOneStep)
{
    SmartPtr<EffectVolume> master(new EffectVolume(STEREO, 0.6f));
    SmartPtr<EffectVolume> boost(new EffectVolume(STEREO, 2.0f, master));
    EXPECT_FLOAT_EQ(boost->GetEffectiveVolume(), 1.2f);
    EXPECT_EQ(Processed(*boost, {20000, -20000, 30000}), (std::vector<s16>{24000, -24000, 32767}));

    // The master's later changes reach every effect that follows it.
    master->SetVolume(0.25f);
    EXPECT_EQ(Processed(*boost, {20000, -20000}), (std::vector<s16>{10000, -10000}));
    master->SetVolume(0.5f);
    EXPECT_EQ(Processed(*boost, {20000, -123}), (std::vector<s16>{20000, -123}));
}

TEST(EffectScale, UnityRatioNeverTouchesTheBuffer)
{
    EffectScale scale(STEREO, 1.0f);
    std::vector<s16> buffer = {1, 2, 3, 4};
    scale.RequiredInput(400);
    EXPECT_EQ(scale.Process(buffer.data(), 8, 0), 8u);
    EXPECT_EQ(buffer, (std::vector<s16>{1, 2, 3, 4}));
}

TEST(EffectScale, HalfRatioRepeatsEveryFrame)
{
    SmartPtr<EffectScale> scale(new EffectScale(STEREO, 0.5f));
    EXPECT_EQ(scale->RequiredInput(4 * 4), 2u * 4);
    std::vector<s16> buffer = {10, -10, 20, -20, 0, 0, 0, 0};
    scale->Process(buffer.data(), 2 * 4, 0);
    EXPECT_EQ(buffer, (std::vector<s16>{10, -10, 10, -10, 20, -20, 20, -20}));
    EXPECT_FLOAT_EQ(scale->GetPhase(), 1.0f);
}

TEST(EffectScale, DoubleRatioSkipsFrames)
{
    EffectScale scale(MONO, 2.0f);
    ASSERT_EQ(scale.RequiredInput(4 * 2), 8u * 2);
    std::vector<s16> buffer = {0, 1, 2, 3, 4, 5, 6, 7};
    scale.Process(buffer.data(), 8 * 2, 0);
    EXPECT_EQ(std::vector<s16>(buffer.begin(), buffer.begin() + 4), (std::vector<s16>{0, 1, 3, 5}));
}

// Blocks resampled one after another give the frames one long block would: the phase carries.
TEST(EffectScale, PhaseCarriesAcrossBlocks)
{
    const float ratio = 0.75f;
    std::vector<s16> source(400);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<s16>(i);

    EffectScale whole(MONO, ratio);
    const u32 inWhole = whole.RequiredInput(300 * 2);
    std::vector<s16> expected(std::max<size_t>(300, inWhole / 2));
    std::copy(source.begin(), source.begin() + inWhole / 2, expected.begin());
    whole.Process(expected.data(), inWhole, 0);
    expected.resize(300);

    EffectScale pieces(MONO, ratio);
    std::vector<s16> got;
    size_t consumed = 0;
    for (int block = 0; block < 3; ++block) {
        const u32 in = pieces.RequiredInput(100 * 2);
        std::vector<s16> buffer(std::max<size_t>(100, in / 2));
        std::copy(source.begin() + consumed, source.begin() + consumed + in / 2, buffer.begin());
        consumed += in / 2;
        pieces.Process(buffer.data(), in, 0);
        got.insert(got.end(), buffer.begin(), buffer.begin() + 100);
    }
    EXPECT_EQ(got, expected);
}

TEST(EffectScale, NeverReadsPastItsInput)
{
    // Asked for more output than the input given can make: the last frame is held.
    EffectScale scale(STEREO, 2.0f);
    scale.RequiredInput(8 * 4);
    std::vector<s16> buffer(16 * 2, 0);
    for (int i = 0; i < 4; ++i) {
        buffer[2 * i] = static_cast<s16>(i + 1);
        buffer[2 * i + 1] = static_cast<s16>(-(i + 1));
    }
    scale.Process(buffer.data(), 4 * 4, 0);
    // Frames taken: 0, 1, 3, then beyond the four given: frame 3 held.
    EXPECT_EQ(std::vector<s16>(buffer.begin(), buffer.begin() + 8), (std::vector<s16>{1, -1, 2, -2, 4, -4, 4, -4}));
    EXPECT_EQ(buffer[14], 4);
    EXPECT_EQ(buffer[15], -4);
}
