#include "sound/AudioBuffer.h"

#include "support/SoundSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Vorn;
using VornTest::PcmSource;
using VornTest::Ramp;

namespace {

SmartPtr<AudioSource> Buffer(SmartPtr<PcmSource> source)
{
    return SmartPtr<AudioSource>(AudioBuffer::Create(SmartPtr<AudioSource>(source)));
}

} // namespace

TEST(AudioBuffer, ReadsInPiecesAndRewinds)
{
    SmartPtr<AudioSource> buffer = Buffer(new PcmSource(Ramp(500), 1, 22050));
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->GetSize(), 1000u);
    EXPECT_EQ(buffer->GetChannels(), 1u);
    EXPECT_EQ(buffer->GetSampleRate(), 22050u);
    std::vector<s16> out(300);
    EXPECT_EQ(buffer->Read(out.data(), 600), 600u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(buffer->Read(out.data(), 600), 400u);
    EXPECT_EQ(out[0], 301);
    EXPECT_EQ(buffer->Read(out.data(), 600), 0u);
    buffer->Rewind();
    EXPECT_EQ(buffer->Tell(), 0u);
    EXPECT_EQ(buffer->Read(out.data(), 2), 2u);
    EXPECT_EQ(out[0], 1);
}

TEST(AudioBuffer, SeekPastTheEndStopsAtTheEnd)
{
    SmartPtr<AudioSource> buffer = Buffer(new PcmSource(Ramp(500), 1, 22050));
    buffer->Seek(998);
    EXPECT_EQ(buffer->Tell(), 998u);
    s16 sample = 0;
    EXPECT_EQ(buffer->Read(&sample, 2), 2u);
    EXPECT_EQ(sample, 500);
    buffer->Seek(5000);
    EXPECT_EQ(buffer->Tell(), 1000u);
    EXPECT_EQ(buffer->Read(&sample, 2), 0u);
}

// The size a decoder claims comes from its file: the buffer keeps what was actually read, more
// or less than the claim.
TEST(AudioBuffer, KeepsTheBytesActuallyRead)
{
    SmartPtr<PcmSource> overclaim(new PcmSource(Ramp(100), 2, 44100));
    overclaim->ClaimSize(0xfffffff0u);
    SmartPtr<AudioSource> a = Buffer(overclaim);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetSize(), 200u);
    EXPECT_EQ(VornTest::ReadAll(*a), Ramp(100));

    SmartPtr<PcmSource> underclaim(new PcmSource(Ramp(300000), 2, 44100));
    underclaim->ClaimSize(10);
    SmartPtr<AudioSource> b = Buffer(underclaim);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetSize(), 600000u);
    EXPECT_EQ(VornTest::ReadAll(*b), Ramp(300000));
}

TEST(AudioBuffer, NothingToKeepGivesNoBuffer)
{
    EXPECT_FALSE(Buffer(new PcmSource({}, 2, 44100)));
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioBuffer::Create(SmartPtr<AudioSource>())));
}

TEST(AudioBuffer, ReleasesItsSourceBeforeReturning)
{
    SmartPtr<PcmSource> source(new PcmSource(Ramp(10), 2, 44100));
    WeakPtr<PcmSource> weak(source);
    SmartPtr<AudioSource> buffer = Buffer(source);
    source = nullptr;
    ASSERT_TRUE(buffer);
    EXPECT_FALSE(weak.Lock());
}
