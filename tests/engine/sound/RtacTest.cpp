#include "sound/AudioBuffer.h"
#include "sound/AudioRTAC.h"

#include "support/MemoryMount.h"
#include "support/Sandbox.h"
#include "support/SoundSupport.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace Vorn;
using VornTest::PcmSource;

namespace {

std::vector<u8> Header(u32 channels, u32 rate, u32 pcmBytes)
{
    std::vector<u8> out = {'R', 'T', 'A', 'C'};
    for (u32 v : {channels, rate, pcmBytes})
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<u8>(v >> (8 * i)));
    return out;
}

SmartPtr<AudioRTAC> Load(const std::vector<u8>& file)
{
    CachedFile f(file.data(), static_cast<u32>(file.size()), false);
    return SmartPtr<AudioRTAC>(AudioRTAC::Load(f));
}

SmartPtr<AudioRTAC> Encode(const std::vector<s16>& samples, u32 channels, u32 rate = 22050)
{
    return SmartPtr<AudioRTAC>(AudioRTAC::Encode(SmartPtr<AudioSource>(new PcmSource(samples, channels, rate))));
}

// A mono stream of one block: raw value start, then the code bytes.
std::vector<u8> MonoBlock(s16 start, const std::vector<u8>& codes)
{
    std::vector<u8> file = Header(1, 22050, static_cast<u32>(2 + 2 * codes.size()));
    file.push_back(static_cast<u8>(start));
    file.push_back(static_cast<u8>(static_cast<u16>(start) >> 8));
    file.insert(file.end(), codes.begin(), codes.end());
    return file;
}

const int SHIFTS[4] = {9, 7, 5, 2};

// The code byte of the format's rule for a difference d below 2^15 either way.
u8 ReferenceCode(int d)
{
    const int a = std::abs(d);
    int length = 0;
    while (a >> length)
        ++length;
    const int selector = length >= 13 ? 0 : length >= 11 ? 1 : length >= 9 ? 2 : 3;
    return static_cast<u8>(((a >> SHIFTS[selector]) & 0x3E) | (d >= 0 ? 1 : 0) | (selector << 6));
}

s16 Decode(int previous, int code)
{
    const int step = (code & 0x3E) << SHIFTS[code >> 6];
    return static_cast<s16>(code & 1 ? previous + step : previous - step);
}

double Snr(const std::vector<s16>& original, const std::vector<s16>& decoded)
{
    double error = 0, power = 0;
    for (size_t i = 0; i < decoded.size(); ++i) {
        error += (decoded[i] - original[i]) * static_cast<double>(decoded[i] - original[i]);
        power += original[i] * static_cast<double>(original[i]);
    }
    return 10 * std::log10(power / std::max(error, 1.0));
}

// What the two earlier encoders decode: the format's rule on the difference modulo 2^16, or on the
// true difference at most the largest step.
std::vector<std::vector<s16>> Earlier(const std::vector<s16>& signal, u32 channels)
{
    std::vector<s16> wrap(signal), plain(signal);
    for (size_t i = channels; i < signal.size(); ++i) {
        const int w = wrap[i - channels], p = plain[i - channels];
        if (i % 32 >= channels) {
            wrap[i] = Decode(w, ReferenceCode(static_cast<s16>(signal[i] - w)));
            plain[i] = Decode(p, ReferenceCode(std::clamp(signal[i] - p, -32767, 32767)));
        }
    }
    return {wrap, plain};
}

} // namespace

TEST(Rtac, CodedSizes)
{
    EXPECT_EQ(AudioRTAC::CodedSize(64, 1), 33u);
    EXPECT_EQ(AudioRTAC::CodedSize(100, 2), 54u);
    // Encoding gives exactly those sizes.
    EXPECT_EQ(Encode(VornTest::Ramp(32), 1)->GetCodedData().size(), 33u);
    EXPECT_EQ(Encode(VornTest::Ramp(50), 2)->GetCodedData().size(), 54u);
    // The source's size bounds the encoding; a source that ends sooner gives what it has.
    SmartPtr<PcmSource> claims(new PcmSource(VornTest::Ramp(100), 1, 22050));
    claims->ClaimSize(64);
    EXPECT_EQ(SmartPtr<AudioRTAC>(AudioRTAC::Encode(SmartPtr<AudioSource>(claims)))->GetSize(), 64u);
    SmartPtr<PcmSource> short_(new PcmSource(VornTest::Ramp(100), 1, 22050));
    short_->ClaimSize(100000);
    EXPECT_EQ(SmartPtr<AudioRTAC>(AudioRTAC::Encode(SmartPtr<AudioSource>(short_)))->GetSize(), 200u);
}

TEST(Rtac, CodeBytesStepTheRunningValue)
{
    // 0x03 adds 1024, 0xC3 adds 8, 0xFE subtracts 248, 0x00 leaves the value.
    SmartPtr<AudioRTAC> rtac = Load(MonoBlock(100, {0x03, 0xC3, 0xFE, 0x00}));
    ASSERT_TRUE(rtac);
    EXPECT_EQ(VornTest::ReadAll(*rtac), (std::vector<s16>{100, 1124, 1132, 884, 884}));
    // The value wraps in 16 bits: 32767 + 8 is -32761.
    rtac = Load(MonoBlock(32767, {0xC3}));
    ASSERT_TRUE(rtac);
    EXPECT_EQ(VornTest::ReadAll(*rtac), (std::vector<s16>{32767, -32761}));
}

TEST(Rtac, StereoAlternatesChannelsAfterTheRawPair)
{
    std::vector<u8> file = Header(2, 44100, 12);
    file.insert(file.end(), {0x10, 0x00, 0xF0, 0xFF, 0xC3, 0xC2, 0xC3, 0xC2});
    SmartPtr<AudioRTAC> rtac = Load(file);
    ASSERT_TRUE(rtac);
    EXPECT_EQ(rtac->GetChannels(), 2u);
    EXPECT_EQ(rtac->GetSampleRate(), 44100u);
    EXPECT_EQ(VornTest::ReadAll(*rtac), (std::vector<s16>{16, -16, 24, -24, 32, -32}));
}

TEST(Rtac, EncodingAConstantGivesZeroSteps)
{
    SmartPtr<AudioRTAC> rtac = Encode(std::vector<s16>(40, 1234), 1);
    ASSERT_TRUE(rtac);
    const std::vector<u8>& coded = rtac->GetCodedData();
    ASSERT_EQ(coded.size(), AudioRTAC::CodedSize(80, 1));
    EXPECT_EQ(coded[0], 1234 & 0xff);
    EXPECT_EQ(coded[1], 1234 >> 8);
    for (size_t i = 2; i < 33; ++i)
        EXPECT_EQ(coded[i], 0xC1) << i;
    EXPECT_EQ(coded[33], 1234 & 0xff);
    for (size_t i = 35; i < coded.size(); ++i)
        EXPECT_EQ(coded[i], 0xC1) << i;
}

// Round trips: the decoder gives back what the encoder tracked, within the step of the selector a
// difference needs; smooth signals come back close.
TEST(Rtac, RoundTripsStayWithinTheCodecsError)
{
    for (u32 channels : {1u, 2u}) {
        SCOPED_TRACE(channels);
        std::vector<s16> signal;
        for (int i = 0; i < 5000; ++i) {
            for (u32 c = 0; c < channels; ++c)
                signal.push_back(static_cast<s16>(12000 * std::sin(i * 0.031 + c) + 3000 * std::sin(i * 0.27)));
        }
        SmartPtr<AudioRTAC> rtac = Encode(signal, channels);
        ASSERT_TRUE(rtac);
        EXPECT_EQ(rtac->GetSize(), signal.size() * 2);
        SmartPtr<AudioRTAC> loaded = Load(rtac->Serialize());
        ASSERT_TRUE(loaded);
        const std::vector<s16> decoded = VornTest::ReadAll(*loaded, 1001);
        ASSERT_EQ(decoded.size(), signal.size());
        int worst = 0;
        for (size_t i = 0; i < signal.size(); ++i)
            worst = std::max(worst, std::abs(decoded[i] - signal[i]));
        // Steps here stay below 2^11 (selector 1 at most, shift 7): a step is coded in units of
        // 2 << 7, so no value is further off than that.
        EXPECT_LT(worst, 256);
        // Read in other pieces, the stream is the same.
        loaded->Rewind();
        EXPECT_EQ(VornTest::ReadAll(*loaded, 3), decoded);
    }
}

TEST(Rtac, SeekLandsInsideBlocks)
{
    std::vector<s16> signal;
    for (int i = 0; i < 300; ++i)
        signal.push_back(static_cast<s16>(i * 37 - 5000));
    SmartPtr<AudioRTAC> mono = Load(Encode(signal, 1)->Serialize());
    ASSERT_TRUE(mono);
    const std::vector<s16> all = VornTest::ReadAll(*mono);
    for (u32 p : {0u, 2u, 62u, 64u, 70u, 130u, 598u, 600u}) {
        mono->Seek(p);
        EXPECT_EQ(mono->Tell(), p);
        EXPECT_EQ(VornTest::ReadAll(*mono), std::vector<s16>(all.begin() + p / 2, all.end())) << p;
    }
    mono->Seek(5000);
    EXPECT_EQ(mono->Tell(), 600u);
    std::vector<u8> buffer(8);
    EXPECT_EQ(mono->Read(buffer.data(), 8), 0u);

    SmartPtr<AudioRTAC> stereo = Load(Encode(signal, 2)->Serialize());
    ASSERT_TRUE(stereo);
    const std::vector<s16> pairs = VornTest::ReadAll(*stereo);
    for (u32 p : {4u, 60u, 64u, 68u, 200u, 596u}) {
        stereo->Seek(p);
        EXPECT_EQ(VornTest::ReadAll(*stereo), std::vector<s16>(pairs.begin() + p / 2, pairs.end())) << p;
    }
}

// The header is checked before anything is allocated: channels 1 or 2, a rate, whole frames, and
// coded data the file really holds.
TEST(Rtac, RefusedHeaders)
{
    const std::vector<u8> good = Encode(VornTest::Ramp(100), 2)->Serialize();
    ASSERT_TRUE(Load(good));
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(Load(std::vector<u8>(good.begin(), good.begin() + n))) << n;
    auto with = [&](u32 channels, u32 rate, u32 pcm) {
        std::vector<u8> file = Header(channels, rate, pcm);
        file.insert(file.end(), good.begin() + 16, good.end());
        return Load(file);
    };
    EXPECT_TRUE(with(2, 44100, 200));
    EXPECT_FALSE(with(0, 44100, 200));
    EXPECT_FALSE(with(3, 44100, 200));
    EXPECT_FALSE(with(0xffffffffu, 44100, 200));
    EXPECT_FALSE(with(2, 0, 200));
    EXPECT_FALSE(with(2, 44100, 0));
    EXPECT_FALSE(with(2, 44100, 202));  // not whole stereo frames
    EXPECT_FALSE(with(1, 44100, 201));
    // Sizes whose coded size overflows 32 bits or exceeds the file.
    EXPECT_FALSE(with(2, 44100, 0xfffffffcu));
    EXPECT_FALSE(with(2, 44100, 0x80000000u));
    EXPECT_FALSE(with(1, 44100, 400));
    EXPECT_FALSE(SmartPtr<AudioRTAC>(AudioRTAC::Encode(SmartPtr<AudioSource>())));
    EXPECT_FALSE(Encode({}, 1));
    EXPECT_FALSE(Encode(VornTest::Ramp(10), 3));
}

// Through the factory, from a file and into memory.
TEST(Rtac, TheFactoryOpensRtacFiles)
{
    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("r/");
    SmartPtr<AudioRTAC> encoded = Encode(VornTest::Ramp(1000, 0, 3), 1, 11025);
    const std::vector<s16> signal = VornTest::ReadAll(*encoded);
    ASSERT_EQ(signal.size(), 1000u);
    mount->Add("a.rtac", encoded->Serialize());
    SmartPtr<AudioSource> rtac(AudioSource::Create("r/a.rtac", false));
    ASSERT_TRUE(rtac);
    EXPECT_EQ(rtac->GetSampleRate(), 11025u);
    EXPECT_EQ(VornTest::ReadAll(*rtac), signal);
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::Create("r/a.RTAC", false)));
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::Create("r/missing.rtac", false)));
    SmartPtr<AudioSource> memory(AudioSource::Create("r/a.rtac", true));
    ASSERT_TRUE(memory);
    EXPECT_NE(dynamic_cast<AudioBuffer*>(memory.Get()), nullptr);
    EXPECT_EQ(VornTest::ReadAll(*memory), signal);
    Vfs::Shutdown();
}

// A real decoded sound: an Ogg tone encoded and decoded again stays close to it.
TEST(Rtac, EncodesARealSource)
{
    VornTest::Sandbox sandbox;
    const std::string dir = sandbox.Path() + "/" + VornTest::Sandbox::Native("snd");
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(VornTest::MakeOggTone(dir + "/tone.ogg", "--seconds 0.5 --freq 440"));
    ASSERT_TRUE(Vfs::MountNative("snd/", "snd/", 0));
    const std::vector<s16> original = VornTest::ReadAll(*SmartPtr<AudioSource>(AudioSource::Create("snd/tone.ogg", false)));
    SmartPtr<AudioRTAC> rtac(AudioRTAC::Encode(SmartPtr<AudioSource>(AudioSource::Create("snd/tone.ogg", false))));
    ASSERT_TRUE(rtac);
    EXPECT_EQ(rtac->GetChannels(), 2u);
    const std::vector<s16> decoded = VornTest::ReadAll(*rtac);
    ASSERT_EQ(decoded.size(), original.size());
    // At least 30 dB of signal over coding noise.
    EXPECT_GT(Snr(original, decoded), 30);
}

// Random signals, random blocks of every loudness (noise and walks), and signals at and across
// full scale, squares from rail to rail among them: no channel of a block leaves more squared error
// than under either earlier encoder, and where it leaves less, every decoded value is the closest
// to the input that any code byte makes of the previous decoded value of its channel, wrap included
// (so none lies on the opposite rail).
TEST(Rtac, NoBlockCodesWorseThanEitherEarlierEncoder)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> any(-32768, 32767);
    std::vector<std::vector<s16>> signals = {{0, -32768, -32768, -32768}, {11205, -32768, -32768, 11205}};
    std::vector<s16> uniform, rails, noisy, square8, square30000, drawn;
    for (int i = 0; i < 20000; ++i) {
        uniform.push_back(static_cast<s16>(any(random)));
        rails.push_back(random() & 1 ? 32767 : -32768);
        noisy.push_back(static_cast<s16>(std::clamp(static_cast<int>(30000 * std::sin(i * 0.05)) + any(random) / 4,
                                                    -32768, 32767)));
        square8.push_back(i / 50 % 2 ? 32512 : -32768);  // 255 and 0 widened from 8 bits
        square30000.push_back(i / 50 % 2 ? 30000 : -30000);
    }
    std::uniform_real_distribution<double> octaves(4, 15);
    for (int block = 0; block < 8000; ++block) {
        const int loudness = static_cast<int>(std::exp2(octaves(random))), centre = any(random);
        const bool walk = random() & 1;
        for (int i = 0, x = centre; i < 32; ++i) {
            x = std::clamp((walk ? x : centre) + std::uniform_int_distribution<int>(-loudness, loudness)(random),
                           -32768, 32767);
            drawn.push_back(static_cast<s16>(x));
        }
    }
    signals.insert(signals.end(), {uniform, rails, noisy, square8, square30000, drawn});
    for (u32 channels : {1u, 2u}) {
        for (const std::vector<s16>& signal : signals) {
            SmartPtr<AudioRTAC> rtac = Encode(signal, channels);
            ASSERT_TRUE(rtac);
            const std::vector<s16> decoded = VornTest::ReadAll(*rtac);
            ASSERT_EQ(decoded.size(), signal.size());
            // The squared error of each channel of each block, decoded and under the earlier encoders.
            const std::vector<std::vector<s16>> earlier = Earlier(signal, channels);
            std::vector<std::array<double, 3>> error(signal.size() / 16 + 2);
            for (size_t i = 0; i < signal.size(); ++i)
                for (int k = 0; k < 3; ++k)
                    error[i / 32 * 2 + i % channels][k] += std::pow((k ? earlier[k - 1] : decoded)[i] - signal[i], 2.0);
            EXPECT_EQ(std::count_if(error.begin(), error.end(), [](auto& e) { return e[0] > std::min(e[1], e[2]); }), 0)
                << "channels " << channels << ", of " << signal.size() / 32 << " blocks";
            size_t faults = 0, first = 0;
            for (size_t i = channels; i < signal.size(); ++i) {
                const std::array<double, 3>& e = error[i / 32 * 2 + i % channels];
                if (i % 32 < channels || e[0] >= std::min(e[1], e[2]))
                    continue;  // a block's raw values, or one that may be coded as an earlier encoder did
                int nearest = 65536;
                for (int code = 0; code < 256; ++code)
                    nearest = std::min(nearest, std::abs(Decode(decoded[i - channels], code) - signal[i]));
                if (std::abs(decoded[i] - signal[i]) != nearest && faults++ == 0)
                    first = i;
            }
            EXPECT_EQ(faults, 0u) << "channels " << channels << ", first at value " << first << " of "
                                  << signal.size() << ": " << signal[first] << " decoded as " << decoded[first];
        }
    }
}

// The sounds of Debian packages, encoded and decoded: every one keeps at least 15 dB of signal
// over coding noise, and none less than either earlier encoder kept. One of them is also raised
// past full scale, clipped at both rails as a loud recording is (steps that wrapped there brought
// it back at 7 dB), and some of a game's own sounds reach both rails.
TEST(Rtac, RealSoundsKeepTheirSignalToNoiseRatio)
{
    std::vector<std::string> paths;
    for (const char* dir : {"/usr/share/sounds/alsa", "/usr/share/sounds/sound-icons", "/usr/share/games/njam/data"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.path().extension() == ".wav")
                paths.push_back(entry.path().string());
    }
    ASSERT_GE(paths.size(), 30u) << "the WAV files of alsa-utils and sound-icons are missing: run scripts/install-deps";
    std::sort(paths.begin(), paths.end());
    VornTest::Sandbox sandbox;
    const std::string dir = sandbox.Path() + "/" + VornTest::Sandbox::Native("snd");
    std::filesystem::create_directories(dir);
    paths.push_back(sandbox.Path() + "/loud-gummy-cat-2.wav");
    const std::string sox = "sox -V1 -D /usr/share/sounds/sound-icons/gummy-cat-2.wav '" + paths.back() + "' gain -n 3";
    ASSERT_EQ(std::system(sox.c_str()), 0) << sox << ": run scripts/install-deps";
    ASSERT_TRUE(Vfs::MountNative("snd/", "snd/", 0));
    std::vector<double> ratios;
    for (const std::string& path : paths) {
        const std::string name = std::filesystem::path(path).filename().string();
        std::filesystem::copy_file(path, dir + "/" + name);
        SmartPtr<AudioSource> wav(AudioSource::Create("snd/" + name, false));
        ASSERT_TRUE(wav) << name;
        const std::vector<s16> original = VornTest::ReadAll(*wav);
        wav->Rewind();
        SmartPtr<AudioRTAC> rtac(AudioRTAC::Encode(wav));
        ASSERT_TRUE(rtac) << name;
        const std::vector<s16> decoded = VornTest::ReadAll(*rtac);
        ASSERT_EQ(decoded.size(), original.size()) << name;
        ratios.push_back(Snr(original, decoded));
        EXPECT_GE(ratios.back(), 15.0) << name;
        const std::vector<std::vector<s16>> earlier = Earlier(original, rtac->GetChannels());
        EXPECT_GE(ratios.back(), std::max(Snr(original, earlier[0]), Snr(original, earlier[1]))) << name;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("RTAC round trip of %zu sounds: SNR %.1f to %.1f dB, median %.1f\n", ratios.size(), ratios.front(),
                ratios.back(), ratios[ratios.size() / 2]);
}
