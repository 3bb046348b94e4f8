#include <gtest/gtest.h>

#include <chrono>

#include "application/playbook/FramePacer.h"

using namespace Vorn;
using namespace std::chrono;

namespace {

const FramePacer::Clock::time_point START{};

FramePacer::Clock::duration DelayAfter(const FramePacer& pacer, microseconds taken)
{
    return pacer.Delay(START, START + taken);
}

} // namespace

TEST(FramePacer, AShortPassSleepsOutTheRestOfTheDisplayFrame)
{
    FramePacer pacer(60);
    ASSERT_TRUE(pacer.IsPacing());
    EXPECT_EQ(duration_cast<microseconds>(DelayAfter(pacer, microseconds(2000))).count(), 14666);
    EXPECT_EQ(duration_cast<microseconds>(DelayAfter(pacer, microseconds(0))).count(), 16666);
    // At another rate the frame is that rate's.
    FramePacer fast(144);
    EXPECT_EQ(duration_cast<microseconds>(DelayAfter(fast, microseconds(1000))).count(), 5944);
}

TEST(FramePacer, APassThatTookAboutAFrameOrMoreIsNotStretched)
{
    FramePacer pacer(60);
    // A swap that waited for the display: the pass ends near a whole frame after the last one.
    EXPECT_EQ(DelayAfter(pacer, microseconds(16000)), FramePacer::Clock::duration::zero());
    EXPECT_EQ(DelayAfter(pacer, microseconds(16700)), FramePacer::Clock::duration::zero());
    // A slow pass is not made up for: nothing is owed to the next one either.
    EXPECT_EQ(DelayAfter(pacer, microseconds(50000)), FramePacer::Clock::duration::zero());
}

TEST(FramePacer, NoRateMeansNoPacing)
{
    for (int rate : {0, -5}) {
        FramePacer pacer(rate);
        EXPECT_FALSE(pacer.IsPacing());
        EXPECT_EQ(DelayAfter(pacer, microseconds(1)), FramePacer::Clock::duration::zero());
        const auto before = FramePacer::Clock::now();
        for (int i = 0; i < 1000; ++i)
            pacer.EndPass();
        EXPECT_LT(FramePacer::Clock::now() - before, milliseconds(500)) << "never sleeps";
    }
}

TEST(FramePacer, PassesOfNoWorkRunNoFasterThanTheRate)
{
    // Generous both ways: a loaded machine only makes the passes slower.
    FramePacer pacer(100);
    const auto before = FramePacer::Clock::now();
    for (int i = 0; i < 10; ++i)
        pacer.EndPass();
    EXPECT_GE(FramePacer::Clock::now() - before, milliseconds(85));
}
