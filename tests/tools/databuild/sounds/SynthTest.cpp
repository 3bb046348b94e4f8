#include "SoundRecipes.h"
#include "Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace DataBuild;
using namespace DataBuild::Synth;

namespace {

const double PI = 3.14159265358979323846;

// The largest step between neighbouring samples of a channel over [first, last).
float LargestStep(const std::vector<float>& x, size_t first, size_t last)
{
    float largest = 0.0f;
    for (size_t i = std::max<size_t>(first, 1); i < last; ++i)
        largest = std::max(largest, std::fabs(x[i] - x[i - 1]));
    return largest;
}

double Rms(const std::vector<float>& x, size_t first, size_t last)
{
    double sum = 0.0;
    for (size_t i = first; i < last; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / std::max<size_t>(1, last - first));
}

Instrument SimpleTone()
{
    Instrument i;
    i.partials = {{1, 1.0f, 0}, {2, 0.3f, 0.2f}};
    i.attack = 0.01f;
    i.release = 0.05f;
    return i;
}

// The same dry signal laid three times end to end in a one-shot track, processed, and the middle
// copy taken: what a looping track must give when processed around its circle.
template <typename Process>
Track Unrolled(const Track& loop, Process process)
{
    const size_t n = loop.Frames();
    Track line(3 * n, false);
    for (size_t copy = 0; copy < 3; ++copy)
        for (size_t i = 0; i < n; ++i)
            line.Add(static_cast<long>(copy * n + i), loop.left[i], loop.right[i]);
    process(line);
    Track middle(n, true);
    for (size_t i = 0; i < n; ++i)
        middle.Add(static_cast<long>(i), line.left[n + i], line.right[n + i]);
    return middle;
}

float LargestDifference(const Track& a, const Track& b)
{
    float largest = 0.0f;
    for (size_t i = 0; i < std::min(a.Frames(), b.Frames()); ++i)
        largest = std::max({largest, std::fabs(a.left[i] - b.left[i]), std::fabs(a.right[i] - b.right[i])});
    return largest;
}

} // namespace

TEST(SynthTrack, LoopingTrackWrapsOneShotTrackDrops)
{
    Track loop(100, true), once(100, false);
    for (Track* track : {&loop, &once}) {
        track->Add(99, 1.0f, 2.0f);
        track->Add(100, 3.0f, 4.0f);
        track->Add(-1, 5.0f, 6.0f);
        track->AddMono(98, std::vector<float>(5, 1.0f), 0.5f, 0.25f);
    }
    EXPECT_FLOAT_EQ(loop.left[0], 3.0f + 0.5f);
    EXPECT_FLOAT_EQ(loop.right[0], 4.0f + 0.25f);
    EXPECT_FLOAT_EQ(loop.left[99], 1.0f + 5.0f + 0.5f);
    EXPECT_FLOAT_EQ(loop.left[2], 0.5f);
    EXPECT_FLOAT_EQ(loop.left[3], 0.0f);
    EXPECT_FLOAT_EQ(once.left[0], 0.0f);
    EXPECT_FLOAT_EQ(once.left[99], 1.0f + 0.5f);
    EXPECT_FLOAT_EQ(once.left[98], 0.5f);

    // A block longer than the whole circle goes round more than once.
    Track small(4, true);
    small.AddMono(2, std::vector<float>(10, 1.0f), 1.0f, 1.0f);
    EXPECT_EQ(small.left, (std::vector<float>{2, 2, 3, 3}));
    // A block that starts before a one-shot track only keeps its visible part.
    Track late(4, false);
    late.AddMono(-2, std::vector<float>{1, 2, 3, 4}, 1.0f, 1.0f);
    EXPECT_EQ(late.left, (std::vector<float>{3, 4, 0, 0}));
}

TEST(SynthTrack, NormaliseSetsThePeakAndLeavesSilenceAlone)
{
    Track track(10, false);
    track.Add(3, 0.25f, -0.5f);
    track.Add(4, 0.1f, 0.0f);
    track.Normalise(0.7f);
    EXPECT_FLOAT_EQ(track.Peak(), 0.7f);
    EXPECT_FLOAT_EQ(track.right[3], -0.7f);
    EXPECT_FLOAT_EQ(track.left[4], 0.14f);
    Track silent(10, false);
    silent.Normalise(0.7f);
    EXPECT_EQ(silent.Peak(), 0.0f);
}

TEST(SynthTone, StartsAndEndsAtZeroWithoutClicks)
{
    const double hz = 440.0;
    Track track(RATE, false);
    PlayTone(track, SimpleTone(), 1000, 0.2 * RATE, hz, 0.5f, 0.0f);
    EXPECT_EQ(track.left[999], 0.0f);
    EXPECT_LT(std::fabs(track.left[1000]), 1e-6f);

    // No step may be larger than the steepest slope of the partials at full level: a click is a
    // jump far beyond that.
    const float peak = track.Peak();
    ASSERT_GT(peak, 0.1f);
    const float steepest = static_cast<float>(2.0 * PI * hz * (1.0 + 2.0 * 0.3) / RATE) * peak;
    EXPECT_LE(LargestStep(track.left, 1, track.Frames()), steepest);

    // The note has ended (release tail and closing fade) well within the second.
    size_t last = track.Frames();
    while (last > 0 && track.left[last - 1] == 0.0f)
        --last;
    EXPECT_LT(last, static_cast<size_t>(0.8 * RATE));
    EXPECT_GT(last, static_cast<size_t>(0.22 * RATE));
    EXPECT_LT(std::fabs(track.left[last - 1]), 1e-4f);
}

TEST(SynthTone, PanningAndPitch)
{
    Track left(RATE / 2, false), right(RATE / 2, false);
    PlayTone(left, SimpleTone(), 0, 0.3 * RATE, 220.0, 0.5f, -1.0f);
    PlayTone(right, SimpleTone(), 0, 0.3 * RATE, 220.0, 0.5f, 1.0f);
    EXPECT_GT(Rms(left.left, 0, left.Frames()), 0.1);
    EXPECT_LT(Rms(left.right, 0, left.Frames()), 1e-6);
    EXPECT_LT(Rms(right.left, 0, right.Frames()), 1e-6);

    // A plain sine at 441 Hz crosses zero upwards 441 times a second.
    Instrument sine;
    sine.partials = {{1, 1.0f, 0}};
    Track tone(RATE, false);
    PlayTone(tone, sine, 0, RATE, 441.0, 0.5f, 0.0f);
    int crossings = 0;
    for (size_t i = RATE / 10; i < RATE / 10 + RATE / 2; ++i)
        crossings += tone.left[i - 1] < 0.0f && tone.left[i] >= 0.0f;
    EXPECT_NEAR(crossings, 441 / 2, 1);
    EXPECT_NEAR(MidiToHz(69), 440.0, 1e-9);
    EXPECT_NEAR(MidiToHz(60), 261.6256, 1e-3);
}

TEST(SynthTone, PartialsAboveTheBandAreLeftOut)
{
    // A partial at 30 kHz cannot be held at 44.1 kHz: it would fold back as a false tone.
    Instrument high;
    high.partials = {{30, 1.0f, 0}};
    Track track(RATE / 10, false);
    PlayTone(track, high, 0, 0.05 * RATE, 1000.0, 0.5f, 0.0f);
    EXPECT_EQ(track.Peak(), 0.0f);
}

TEST(SynthRoom, LoopingRoomMatchesTheRoomOfAnEndlessRepeat)
{
    Track loop(2 * RATE, true);
    PlayTone(loop, SimpleTone(), 1.8 * RATE, 0.1 * RATE, 330.0, 0.5f, 0.3f);
    PlayDrum(loop, Drum::SNARE, 0.5 * RATE, 0.5f, -0.2f, 9);
    RoomSettings settings;
    settings.size = 0.5f;
    settings.wet = 0.4f;
    Track expected = Unrolled(loop, [&](Track& t) { ApplyRoom(t, settings); });
    Track head = loop;
    ApplyRoom(head, settings);
    EXPECT_LT(LargestDifference(head, expected), 1e-3f * expected.Peak());

    // The echo of the note near the end is heard at the head.
    Track dry = loop;
    EXPECT_GT(Rms(head.left, 100, 2000), Rms(dry.left, 100, 2000) + 1e-4);
}

TEST(SynthRoom, LoopingHighPassMatchesAnEndlessRepeat)
{
    Track loop(RATE, true);
    for (size_t i = 0; i < loop.Frames(); ++i)
        loop.Add(static_cast<long>(i), 0.3f + 0.2f * static_cast<float>(std::sin(2 * PI * 3 * i / RATE)),
                 -0.1f);
    Track expected = Unrolled(loop, [](Track& t) { ApplyHighPass(t, 28.0); });
    Track filtered = loop;
    ApplyHighPass(filtered, 28.0);
    EXPECT_LT(LargestDifference(filtered, expected), 1e-4f);
    double mean = 0.0;
    for (float v : filtered.right)
        mean += v;
    EXPECT_LT(std::fabs(mean / filtered.Frames()), 1e-4) << "the offset is gone";
}

TEST(SynthFilter, BandPassPassesItsCentreAndStopsTheRest)
{
    auto gain = [](Biquad filter, double hz) {
        double peak = 0.0;
        for (int i = 0; i < RATE / 2; ++i) {
            float y = filter.Process(static_cast<float>(std::sin(2 * PI * hz * i / RATE)));
            if (i > RATE / 4)
                peak = std::max(peak, static_cast<double>(std::fabs(y)));
        }
        return peak;
    };
    EXPECT_NEAR(gain(Biquad::BandPass(2000, 1.0), 2000), 1.0, 0.02);
    EXPECT_LT(gain(Biquad::BandPass(2000, 1.0), 100), 0.1);
    EXPECT_LT(gain(Biquad::LowPass(1000, 0.7071), 8000), 0.03);
    EXPECT_NEAR(gain(Biquad::LowPass(1000, 0.7071), 100), 1.0, 0.02);
    EXPECT_LT(gain(Biquad::HighPass(1000, 0.7071), 100), 0.02);
}

TEST(SynthNoise, SameSeedSameNoise)
{
    Noise a(42), b(42), c(43);
    bool differs = false;
    float low = 1.0f, high = -1.0f;
    for (int i = 0; i < 10000; ++i) {
        float x = a.Next();
        EXPECT_EQ(x, b.Next());
        differs = differs || x != c.Next();
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_TRUE(differs);
    EXPECT_GE(low, -1.0f);
    EXPECT_LT(high, 1.0f);
    EXPECT_LT(low, -0.99f);
    EXPECT_GT(high, 0.99f);
}

TEST(SoundRecipes, NoteNamesAndScores)
{
    EXPECT_EQ(ParseNoteName("C4"), 60);
    EXPECT_EQ(ParseNoteName("A4"), 69);
    EXPECT_EQ(ParseNoteName("F#5"), 78);
    EXPECT_EQ(ParseNoteName("Bb3"), 58);
    EXPECT_EQ(ParseNoteName("C0"), 12);
    for (const char* bad : {"", "C", "H4", "C#", "C9", "c4", "C44", "C-1", "E#"})
        EXPECT_EQ(ParseNoteName(bad), -1) << bad;
    std::string error;
    EXPECT_TRUE(CheckScores(error)) << error;
}

TEST(SoundRecipes, EverySoundHasItsLevelAndShape)
{
    const float limit = std::pow(10.0f, SOUND_PEAK_LIMIT_DB / 20.0f);
    std::vector<std::string> names;
    for (const GameSound& sound : GameSounds()) {
        names.push_back(sound.name);
        if (sound.loops)
            continue; // the two pieces are checked on their own below
        Track track = RenderGameSound(sound);
        SCOPED_TRACE(sound.name);
        EXPECT_NEAR(20.0f * std::log10(track.Peak()), sound.peakDb, 0.01f);
        EXPECT_LE(track.Peak(), limit);
        EXPECT_GT(track.Frames(), static_cast<size_t>(0.03 * RATE));
        EXPECT_LT(track.Frames(), static_cast<size_t>(4 * RATE));
        for (size_t i = 0; i < track.Frames(); ++i)
            ASSERT_TRUE(std::isfinite(track.left[i]) && std::isfinite(track.right[i])) << i;
        // An effect starts from silence and ends in it: no click when it starts or stops.
        EXPECT_LT(std::fabs(track.left[0]) + std::fabs(track.right[0]), 1e-3f);
        EXPECT_LT(std::fabs(track.left.back()) + std::fabs(track.right.back()), 1e-4f);
        EXPECT_LT(Rms(track.left, track.Frames() - RATE / 100, track.Frames()), 1e-3);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"music", "musichelloween", "drop", "single", "whole",
                                               "eraser"}));
}

TEST(SoundRecipes, EffectsAreDeterministic)
{
    for (const GameSound& sound : GameSounds()) {
        if (sound.loops)
            continue;
        Track a = RenderGameSound(sound), b = RenderGameSound(sound);
        EXPECT_TRUE(a.left == b.left && a.right == b.right) << sound.name;
    }
}

class MusicTest : public ::testing::TestWithParam<size_t> {};

TEST_P(MusicTest, LongWholeBarsAndSeamless)
{
    const GameSound& sound = GameSounds()[GetParam()];
    ASSERT_TRUE(sound.loops);
    Track track = RenderGameSound(sound);
    const size_t n = track.Frames();
    EXPECT_TRUE(track.Loops());
    EXPECT_GT(n, static_cast<size_t>(60 * RATE));
    EXPECT_LT(n, static_cast<size_t>(180 * RATE));
    const float limit = std::pow(10.0f, SOUND_PEAK_LIMIT_DB / 20.0f);
    EXPECT_LE(track.Peak(), limit);
    EXPECT_NEAR(20.0f * std::log10(track.Peak()), sound.peakDb, 0.01f);

    // Seamless: the step from the last frame to the first is no larger than the steps around it,
    // and the music keeps sounding across the seam instead of dying out before it.
    const size_t near = RATE / 100;
    for (const std::vector<float>* channel : {&track.left, &track.right}) {
        const std::vector<float>& x = *channel;
        const float seam = std::fabs(x[0] - x[n - 1]);
        const float around = std::max(LargestStep(x, n - near, n), LargestStep(x, 0, near));
        EXPECT_LE(seam, around);
        const double tail = Rms(x, n - RATE / 20, n), head = Rms(x, 0, RATE / 20);
        EXPECT_GT(tail, 0.01);
        EXPECT_GT(tail, head / 8.0);
    }

    // Loudness stays steady: no stretch of a second is silent or far louder than the piece.
    const double whole = Rms(track.left, 0, n);
    for (size_t second = 0; second + RATE <= n; second += RATE) {
        const double part = Rms(track.left, second, second + RATE);
        EXPECT_GT(part, whole / 4.0) << "second " << second / RATE;
        EXPECT_LT(part, whole * 3.0) << "second " << second / RATE;
    }
}

INSTANTIATE_TEST_SUITE_P(Pieces, MusicTest, ::testing::Values(0u, 1u),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return std::string(GameSounds()[info.param].name);
                         });
