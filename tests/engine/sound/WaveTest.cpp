#include "sound/AudioBuffer.h"
#include "sound/AudioWave.h"
#include "sound/mixer/Mixer.h"

#include "support/MemoryMount.h"
#include "support/Sandbox.h"
#include "support/SoundSupport.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace Vorn;

namespace {

void Put16(std::vector<u8>& out, u32 v)
{
    out.push_back(static_cast<u8>(v));
    out.push_back(static_cast<u8>(v >> 8));
}

void Put32(std::vector<u8>& out, u32 v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

void PutId(std::vector<u8>& out, const char* id)
{
    out.insert(out.end(), id, id + 4);
}

struct WavSpec {
    u16 tag = 1;
    u16 channels = 2;
    u32 rate = 44100;
    u16 bits = 16;
    u32 formatSize = 16;            // 18 adds the extension size field
    std::vector<std::pair<std::string, std::vector<u8> > > before;  // chunks before the data
    const char* dataId = "data";
    bool claimData = false;         // the data chunk's size field: claimedSize instead of the data's
    u32 claimedSize = 0;
};

std::vector<u8> MakeWav(const WavSpec& spec, const std::vector<u8>& data)
{
    std::vector<u8> out;
    PutId(out, "RIFF");
    Put32(out, 0);
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, spec.formatSize);
    Put16(out, spec.tag);
    Put16(out, spec.channels);
    Put32(out, spec.rate);
    Put32(out, spec.rate * spec.channels * spec.bits / 8);
    Put16(out, spec.channels * spec.bits / 8);
    Put16(out, spec.bits);
    for (u32 i = 16; i < spec.formatSize; ++i)
        out.push_back(0);
    for (const auto& chunk : spec.before) {
        PutId(out, chunk.first.c_str());
        Put32(out, static_cast<u32>(chunk.second.size()));
        out.insert(out.end(), chunk.second.begin(), chunk.second.end());
    }
    PutId(out, spec.dataId);
    Put32(out, spec.claimData ? spec.claimedSize : static_cast<u32>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    const u32 riff = static_cast<u32>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<u8>(riff >> (8 * i));
    return out;
}

std::vector<u8> Bytes(const std::vector<s16>& samples)
{
    std::vector<u8> out(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        out[2 * i] = static_cast<u8>(samples[i]);
        out[2 * i + 1] = static_cast<u8>(static_cast<u16>(samples[i]) >> 8);
    }
    return out;
}

std::vector<u8> ReadAllBytes(AudioSource& source, u32 piece = 4096)
{
    std::vector<u8> all;
    std::vector<u8> buffer(piece);
    u32 n;
    while ((n = source.Read(buffer.data(), piece)) > 0)
        all.insert(all.end(), buffer.begin(), buffer.begin() + n);
    return all;
}

class WaveSource : public ::testing::Test {
protected:
    void SetUp() override { m_mount = VornTest::MemoryMount::Install("w/"); }
    void TearDown() override { Vfs::Shutdown(); }

    SmartPtr<AudioSource> Open(const std::vector<u8>& file, bool inMemory = false)
    {
        m_mount->Add("a.wav", file);
        return SmartPtr<AudioSource>(AudioSource::Create("w/a.wav", inMemory));
    }

    VornTest::MemoryMount* m_mount = nullptr;
};

} // namespace

TEST_F(WaveSource, CanonicalFileStreamsItsData)
{
    const std::vector<u8> pcm = Bytes(VornTest::Ramp(3000, -1500, 7));
    SmartPtr<AudioSource> wav = Open(MakeWav(WavSpec(), pcm));
    ASSERT_TRUE(wav);
    EXPECT_EQ(dynamic_cast<AudioWave*>(wav.Get())->GetDataStart(), 44u);
    EXPECT_EQ(wav->GetChannels(), 2u);
    EXPECT_EQ(wav->GetSampleRate(), 44100u);
    EXPECT_EQ(wav->GetSize(), 6000u);
    EXPECT_EQ(ReadAllBytes(*wav, 1001), pcm);
    EXPECT_EQ(wav->Read(nullptr, 0), 0u);

    wav->Seek(4000);
    EXPECT_EQ(wav->Tell(), 4000u);
    std::vector<u8> rest = ReadAllBytes(*wav);
    EXPECT_EQ(rest, std::vector<u8>(pcm.begin() + 4000, pcm.end()));
    wav->Seek(1u << 31);
    EXPECT_EQ(wav->Tell(), 6000u);
    wav->Rewind();
    EXPECT_EQ(ReadAllBytes(*wav), pcm);

    SmartPtr<AudioSource> memory = Open(MakeWav(WavSpec(), pcm), true);
    ASSERT_TRUE(memory);
    EXPECT_NE(dynamic_cast<AudioBuffer*>(memory.Get()), nullptr);
    EXPECT_EQ(ReadAllBytes(*memory), pcm);
}

// What the format allows around the data: a longer format chunk, other chunks before the data, the
// data chunk's id in lower or mixed case, and 8-bit data widened to signed 16-bit samples.
TEST_F(WaveSource, AcceptedLayouts)
{
    const std::vector<u8> pcm = Bytes(VornTest::Ramp(100, 3, 301));
    WavSpec extended;
    extended.formatSize = 18;
    SmartPtr<AudioSource> wav = Open(MakeWav(extended, pcm));
    ASSERT_TRUE(wav);
    EXPECT_EQ(dynamic_cast<AudioWave*>(wav.Get())->GetDataStart(), 46u);
    EXPECT_EQ(ReadAllBytes(*wav), pcm);

    WavSpec chunks;
    chunks.before = {{"LIST", std::vector<u8>(26, 'x')}, {"fact", {4, 0, 0, 0}}};
    chunks.dataId = "DaTa";
    wav = Open(MakeWav(chunks, pcm));
    ASSERT_TRUE(wav);
    EXPECT_EQ(dynamic_cast<AudioWave*>(wav.Get())->GetDataStart(), 44u + 34 + 12);
    EXPECT_EQ(ReadAllBytes(*wav), pcm);
    // Odd chunks whose writer left the pad bytes out.
    chunks.before = {{"LIST", std::vector<u8>(25, 'x')}, {"fact", {4, 0, 0}}};
    wav = Open(MakeWav(chunks, pcm));
    ASSERT_TRUE(wav);
    EXPECT_EQ(dynamic_cast<AudioWave*>(wav.Get())->GetDataStart(), 44u + 33 + 11);
    EXPECT_EQ(ReadAllBytes(*wav), pcm);

    WavSpec eight;
    eight.bits = 8;
    eight.channels = 1;
    eight.rate = 11025;
    const std::vector<u8> bytes = {0x80, 0x81, 0x7f, 0x00, 0xff, 0x10};
    wav = Open(MakeWav(eight, bytes));
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->GetChannels(), 1u);
    EXPECT_EQ(wav->GetSampleRate(), 11025u);
    EXPECT_EQ(wav->GetSize(), 12u);
    EXPECT_EQ(VornTest::Samples(ReadAllBytes(*wav, 5)), (std::vector<s16>{0, 256, -256, -32768, 32512, -28672}));
    wav->Seek(7);
    EXPECT_EQ(ReadAllBytes(*wav, 3), std::vector<u8>({0x80, 0x00, 0x7f, 0x00, 0x90}));
}

TEST_F(WaveSource, RefusedFiles)
{
    const std::vector<u8> pcm = Bytes(VornTest::Ramp(64));
    const std::vector<u8> good = MakeWav(WavSpec(), pcm);
    // Every cut of the header and of the data chunk's header.
    for (size_t n = 0; n < 44; ++n)
        EXPECT_FALSE(Open(std::vector<u8>(good.begin(), good.begin() + n))) << n;

    auto refused = [&](const WavSpec& spec) { return !Open(MakeWav(spec, pcm)); };
    WavSpec s;
    s.tag = 3;
    EXPECT_TRUE(refused(s));
    // Extensible, but not naming the integer PCM subformat.
    s.tag = 0xFFFE;
    s.formatSize = 40;
    EXPECT_TRUE(refused(s));
    for (u16 channels : {0, 3, 6}) {
        s = WavSpec();
        s.channels = channels;
        EXPECT_TRUE(refused(s)) << channels;
    }
    for (u16 bits : {0, 4, 12, 24, 32}) {
        s = WavSpec();
        s.bits = bits;
        EXPECT_TRUE(refused(s)) << bits;
    }
    s = WavSpec();
    s.rate = 0;
    EXPECT_TRUE(refused(s));
    s = WavSpec();
    s.formatSize = 8;
    EXPECT_TRUE(refused(s));
    // A data chunk of size 0 is no data.
    EXPECT_FALSE(Open(MakeWav(WavSpec(), {})));
    // No data chunk at all: the walk ends at the end of the file.
    s = WavSpec();
    s.dataId = "junk";
    EXPECT_TRUE(refused(s));
    EXPECT_FALSE(Open(std::vector<u8>(8192, 0)));
}

// Chunk sizes of 2^31 and more are positions past the end, never seeks backwards (which looped for
// ever over the same chunks); a format chunk claiming that much likewise.
TEST_F(WaveSource, HugeChunkSizesEndTheWalk)
{
    const std::vector<u8> pcm = Bytes(VornTest::Ramp(64));
    for (u32 size : {0x80000000u, 0xfffffff8u, 0xffffffffu, 0x7fffffffu}) {
        SCOPED_TRACE(size);
        std::vector<u8> file = MakeWav(WavSpec(), pcm);
        // A chunk before the data whose size field claims size.
        WavSpec chunk;
        chunk.before = {{"LIST", {}}};
        file = MakeWav(chunk, pcm);
        for (int i = 0; i < 4; ++i)
            file[40 + i] = static_cast<u8>(size >> (8 * i));
        EXPECT_FALSE(Open(file));
        std::vector<u8> format = MakeWav(WavSpec(), pcm);
        for (int i = 0; i < 4; ++i)
            format[16 + i] = static_cast<u8>(size >> (8 * i));
        EXPECT_FALSE(Open(format));
    }
}

// A data chunk that claims more than the file holds: the size is what the file has, and reads
// return what the file gave.
TEST_F(WaveSource, DataChunkLongerThanTheFile)
{
    const std::vector<u8> pcm = Bytes(VornTest::Ramp(500));
    for (u32 claim : {2000u, 0x7fffffffu, 0xffffffffu}) {
        WavSpec spec;
        spec.claimData = true;
        spec.claimedSize = claim;
        SmartPtr<AudioSource> wav = Open(MakeWav(spec, pcm));
        ASSERT_TRUE(wav) << claim;
        EXPECT_EQ(wav->GetSize(), 1000u);
        std::vector<u8> buffer(4096);
        EXPECT_EQ(wav->Read(buffer.data(), 4096), 1000u);
        EXPECT_EQ(wav->Read(buffer.data(), 4096), 0u);
        EXPECT_EQ(std::vector<u8>(buffer.begin(), buffer.begin() + 1000), pcm);
        SmartPtr<AudioSource> memory = Open(MakeWav(spec, pcm), true);
        ASSERT_TRUE(memory);
        EXPECT_EQ(memory->GetSize(), 1000u);
    }
}

TEST_F(WaveSource, PlaysThroughTheMixer)
{
    // Mono 22050 Hz: each sample becomes two equal stereo frames.
    WavSpec spec;
    spec.channels = 1;
    spec.rate = 22050;
    const std::vector<s16> samples = VornTest::Ramp(1000, -300, 13);
    SmartPtr<AudioSource> wav = Open(MakeWav(spec, Bytes(samples)));
    ASSERT_TRUE(wav);
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
    SmartPtr<AudioChannel> channel = mixer->Play(wav, true).Lock();
    ASSERT_TRUE(channel);
    channel->SetPaused(false);
    std::vector<u8> block(8192);
    mixer->Read(block.data(), 8192);
    const std::vector<s16> out = VornTest::Samples(block);
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(std::vector<s16>(out.begin() + 4 * i, out.begin() + 4 * i + 4), std::vector<s16>(4, samples[i])) << i;
    for (size_t i = 4 * samples.size(); i < out.size(); ++i)
        ASSERT_EQ(out[i], 0);
}

// One run for every file, since each start of python3 or ffmpeg can cost seconds on a busy
// machine. Each line on stdin, "SRC DST PAD" (tab-separated), turns a WAV file into the awkward
// layouts other writers use: a JUNK chunk before the format, odd-sized chunks each followed by its
// pad byte (PAD, in hex), a fact chunk, and a data chunk ending in half a frame. Then every file
// of the folder argv[1] is read as the references do: OUT/NAME.ffmpeg (OUT is argv[2]) gets
// ffmpeg's signed 16-bit samples and NAME.info the channels and rate it found (one ffmpeg run reads
// every file, each input to its own 16-bit WAV), and NAME.wave Python's wave module's samples
// (8-bit ones widened as (b - 128) << 8) where it reads the file at all.
const char* const WAV_TOOL = R"(
import os, struct, subprocess, sys, wave
def chunks(d):
    o = 12
    while o + 8 <= len(d):
        i, s = struct.unpack('<4sI', d[o:o + 8])
        yield i, d[o + 8:o + 8 + s]
        o += 8 + s + (s & 1)
def awkward(source, target, pad):
    def put(i, b):
        return i + struct.pack('<I', len(b)) + b + (pad if len(b) & 1 else b'')
    d = open(source, 'rb').read()
    out = put(b'JUNK', b'abc')
    for i, b in chunks(d):
        if i == b'data':
            frame = struct.unpack('<H', dict(chunks(d))[b'fmt '][12:14])[0]
            out += put(b'fact', struct.pack('<I', len(b) // frame)) + put(b'LIST', b'INFOx')
            b = b[:len(b) - frame // 2] if frame > 1 else b + b'\x80'
        out += put(i, b)
    open(target, 'wb').write(b'RIFF' + struct.pack('<I', len(out) + 4) + b'WAVE' + out)
for line in sys.stdin:
    source, target, pad = line.rstrip('\n').split('\t')
    awkward(source, target, bytes([int(pad, 16)]))
reads = [(os.path.join(sys.argv[1], name), os.path.join(sys.argv[2], name)) for name in os.listdir(sys.argv[1])]
command = ['ffmpeg', '-nostdin', '-v', 'error', '-y']
for path, base in reads:
    command += ['-i', path]
for n, (path, base) in enumerate(reads):
    command += ['-map', '%d:a' % n, '-c:a', 'pcm_s16le', '-f', 'wav', base + '.ffmpeg.wav']
subprocess.run(command, check=True)
for path, base in reads:
    decoded = dict(chunks(open(base + '.ffmpeg.wav', 'rb').read()))
    channels, rate = struct.unpack('<HI', decoded[b'fmt '][2:8])
    open(base + '.ffmpeg', 'wb').write(decoded[b'data'])
    open(base + '.info', 'w').write('%d %d' % (channels, rate))
    try:
        w = wave.open(path)
    except wave.Error:
        continue
    data = w.readframes(w.getnframes())
    if w.getsampwidth() == 1:
        data = b''.join(bytes((0, b ^ 0x80)) for b in data)
    open(base + '.wave', 'wb').write(data)
)";

// WAV files made by sox and ffmpeg at many rates, mono and stereo, 8 and 16 bits, plain and
// extensible, with LIST, JUNK and fact chunks, odd chunks padded with 0 or with another byte and a
// trailing half frame, and the WAV files of Debian packages: the engine, ffmpeg and Python's wave
// module agree sample for sample.
TEST(WaveFiles, AgreeWithPythonsWaveModuleAndFfmpeg)
{
    VornTest::Sandbox sandbox;
    const std::string made = sandbox.Path() + "/" + VornTest::Sandbox::Native("made");
    std::filesystem::create_directories(made);
    const std::string tool = sandbox.Path() + "/wavtool.py";
    std::FILE* script = std::fopen(tool.c_str(), "w");
    ASSERT_TRUE(script);
    std::fputs(WAV_TOOL, script);
    std::fclose(script);
    const auto quoted = [](const std::string& path) { return "'" + path + "'"; };

    // Each sox file is one run of sox; one ffmpeg run writes all of its files, each input (a
    // lavfi source) mapped to its own output. Every other awkward copy pads with a byte that is
    // not 0, which the references skip too.
    std::vector<std::string> paths;
    std::string makeAll, ffmpegInputs, ffmpegOutputs, jobs;
    int ffmpegInput = 0;
    const auto add = [&](const std::string& name, bool awkward) {
        paths.push_back(made + "/" + name);
        if (awkward) {
            const std::string pad = paths.size() % 2 ? "a5" : "00";
            paths.push_back(made + "/odd" + pad + "_" + name);
            jobs += paths[paths.size() - 2] + "\t" + paths.back() + "\t" + pad + "\n";
        }
    };
    const auto byFfmpeg = [&](const std::string& name, const std::string& source, const std::string& options,
                              bool awkward) {
        ffmpegInputs += " -f lavfi -i " + source;
        ffmpegOutputs += " -map " + std::to_string(ffmpegInput++) + ":a " + options + " " + quoted(made + "/" + name);
        add(name, awkward);
    };
    const unsigned rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
    for (unsigned i = 0; i < 7; ++i) {
        const unsigned channels = 1 + i % 2, bits = i % 3 == 0 ? 8 : 16, rate = rates[i];
        const std::string sox = "sox" + std::to_string(i) + ".wav";
        makeAll += "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " +
                   std::to_string(bits) + " " + quoted(made + "/" + sox) +
                   " synth 0.25 sine 300-3000 whitenoise vol 0.9 && ";
        add(sox, i < 4);
        byFfmpeg("ffmpeg" + std::to_string(i) + ".wav",
                 "anoisesrc=r=" + std::to_string(rates[6 - i]) + ":d=0.25:a=0.8",
                 "-ac " + std::to_string(3 - channels) + " -c:a " + (bits == 8 ? "pcm_u8" : "pcm_s16le") +
                     (i % 2 ? " -rf64 auto" : ""),
                 i >= 4);
    }
    // Above 48 kHz ffmpeg writes the extensible format chunk.
    for (const char* codec : {"pcm_s16le", "pcm_u8"})
        byFfmpeg(std::string("ext_") + codec + ".wav", "sine=f=1000:r=96000:d=0.2",
                 std::string("-ac 2 -c:a ") + codec, true);
    makeAll += "ffmpeg -nostdin -v error -y" + ffmpegInputs + ffmpegOutputs;
    ASSERT_EQ(std::system(makeAll.c_str()), 0) << makeAll << ": run scripts/install-deps";

    size_t debian = 0;
    for (const char* dir : {"/usr/share/sounds/alsa", "/usr/share/sounds/sound-icons"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() == ".wav") {
                const std::string copy = made + "/deb_" + entry.path().filename().string();
                std::filesystem::copy_file(entry.path(), copy, ec);
                paths.push_back(copy);
                ++debian;
            }
        }
    }
    ASSERT_GE(debian, 30u) << "the WAV files of alsa-utils and sound-icons are missing: run scripts/install-deps";
    const std::string python3 = "python3 " + quoted(tool) + " " + quoted(made) + " " + quoted(sandbox.Path());
    std::FILE* python = popen(python3.c_str(), "w");
    ASSERT_TRUE(python);
    std::fputs(jobs.c_str(), python);
    ASSERT_EQ(pclose(python), 0);

    ASSERT_TRUE(Vfs::MountNative("made/", "made/", 0));
    size_t byWave = 0;
    for (const std::string& path : paths) {
        const std::string name = std::filesystem::path(path).filename().string();
        SCOPED_TRACE(name);
        const std::string base = sandbox.Path() + "/" + name;
        const std::vector<u8> expected = VornTest::ReadBytes(base + ".ffmpeg");
        bool readByWave = false;
        const std::vector<u8> wave = VornTest::ReadBytes(base + ".wave", &readByWave);
        if (readByWave) {
            ++byWave;
            ASSERT_EQ(wave, expected);
        }
        const std::vector<u8> text = VornTest::ReadBytes(base + ".info");
        unsigned channels = 0, rate = 0;
        ASSERT_EQ(std::sscanf(std::string(text.begin(), text.end()).c_str(), "%u %u", &channels, &rate), 2);
        ASSERT_FALSE(expected.empty());

        SmartPtr<AudioSource> wav(AudioSource::Create("made/" + name, false));
        ASSERT_TRUE(wav);
        EXPECT_EQ(wav->GetChannels(), channels);
        EXPECT_EQ(wav->GetSampleRate(), rate);
        EXPECT_EQ(wav->GetSize(), expected.size());
        EXPECT_EQ(ReadAllBytes(*wav, 4093), expected);
        const size_t half = (expected.size() / 2) & ~size_t(3);
        wav->Seek(static_cast<u32>(half));
        EXPECT_EQ(ReadAllBytes(*wav), std::vector<u8>(expected.begin() + half, expected.end()));
    }
    // Python's wave module reads all but the extensible ones.
    EXPECT_GE(byWave + 4, paths.size());
}
