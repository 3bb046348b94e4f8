#include "sound/AudioBuffer.h"
#include "sound/AudioOgg.h"
#include "sound/mixer/Mixer.h"
#include "vfs/CachedFile.h"

#include "pakwriter/PakWriter.h"
#include "support/Sandbox.h"
#include "support/SoundSupport.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace Vorn;

namespace {

// The integer decoder called directly on the file: what the engine's source must deliver.
std::vector<s16> DecodeDirectly(const std::string& path, bool* opened = nullptr)
{
    std::vector<s16> out;
    if (opened)
        *opened = false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    OggVorbis_File vf;
    if (ov_open(f, &vf, nullptr, 0) != 0) {
        std::fclose(f);
        return out;
    }
    if (opened)
        *opened = true;
    std::vector<char> buffer(4096);
    int link = 0;
    long n;
    while ((n = ov_read(&vf, buffer.data(), static_cast<int>(buffer.size()), &link)) > 0) {
        const s16* s = reinterpret_cast<const s16*>(buffer.data());
        out.insert(out.end(), s, s + n / 2);
    }
    ov_clear(&vf);
    return out;
}

// Ogg pages: where each starts, how long its header is, how long its body.
struct Page {
    size_t start;
    size_t header;
    size_t body;
};

std::vector<Page> Pages(const std::vector<uint8_t>& file)
{
    std::vector<Page> pages;
    for (size_t at = 0; at + 27 <= file.size() && std::memcmp(&file[at], "OggS", 4) == 0;) {
        const size_t segments = file[at + 26];
        size_t body = 0;
        for (size_t i = 0; i < segments && at + 27 + i < file.size(); ++i)
            body += file[at + 27 + i];
        pages.push_back(Page{at, 27 + segments, body});
        at += 27 + segments + body;
    }
    return pages;
}

// Makes a page's checksum valid again after its bytes were altered.
void RepairChecksum(std::vector<uint8_t>& file, const Page& page)
{
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
        table[i] = r;
    }
    std::memset(&file[page.start + 22], 0, 4);
    uint32_t crc = 0;
    for (size_t i = page.start; i < page.start + page.header + page.body; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) & 0xff) ^ file[i]];
    for (int i = 0; i < 4; ++i)
        file[page.start + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

SmartPtr<AudioSource> Create(const std::string& path, bool inMemory = false)
{
    return SmartPtr<AudioSource>(AudioSource::Create(path, inMemory));
}

// Files are written once per process into the install area of a sandbox, mounted on "snd/".
class OggSource : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_sandbox = new VornTest::Sandbox;
        s_dir = s_sandbox->Path() + "/" + VornTest::Sandbox::Native("snd");
        std::filesystem::create_directories(s_dir);
        bool ok = VornTest::MakeOggTone(Path("stereo.ogg"), "--seconds 1") &&
                  VornTest::MakeOggTone(Path("mono.ogg"), "--channels 1 --rate 22050 --seconds 0.5 --freq 300") &&
                  VornTest::MakeOggTone(Path("chained.ogg"), "--seconds 0.25 --then-channels 1") &&
                  VornTest::MakeOggTone(Path("rechained.ogg"), "--seconds 0.25 --then-rate 22050") &&
                  VornTest::MakeOggTone(Path("short.ogg"), "--seconds 0.05 --freq 1000");
        ASSERT_TRUE(ok) << "vorn-oggtone failed";
        const std::vector<uint8_t> stereo = VornTest::ReadBytes(Path("stereo.ogg"));
        VornTest::WriteBytes(Path("empty.ogg"), {});
        VornTest::WriteBytes(Path("noise.ogg"), VornTest::RandomBytes(5000, 7));
        VornTest::WriteBytes(Path("truncated.ogg"), std::vector<uint8_t>(stereo.begin(), stereo.begin() + 200));
        std::vector<uint8_t> damaged = stereo;
        for (size_t i = damaged.size() * 2 / 3; i < damaged.size() * 2 / 3 + 64; ++i)
            damaged[i] ^= 0x5A;
        VornTest::WriteBytes(Path("damaged.ogg"), damaged);
        std::vector<uint8_t> cut(stereo.begin(), stereo.begin() + stereo.size() / 2);
        VornTest::WriteBytes(Path("cut.ogg"), cut);
    }
    static void TearDownTestSuite()
    {
        delete s_sandbox;
        s_sandbox = nullptr;
    }
    void SetUp() override
    {
        Vfs::Init();
        ASSERT_TRUE(Vfs::MountNative("snd/", "snd/", 0));
    }
    void TearDown() override { Vfs::Shutdown(); }

    static std::string Path(const std::string& name) { return s_dir + "/" + name; }

    static VornTest::Sandbox* s_sandbox;
    static std::string s_dir;
};

VornTest::Sandbox* OggSource::s_sandbox = nullptr;
std::string OggSource::s_dir;

} // namespace

TEST_F(OggSource, OneSecondOfStereoIs176400Bytes)
{
    SmartPtr<AudioSource> ogg = Create("snd/stereo.ogg");
    ASSERT_TRUE(ogg);
    EXPECT_EQ(ogg->GetChannels(), 2u);
    EXPECT_EQ(ogg->GetSampleRate(), 44100u);
    EXPECT_EQ(ogg->GetSize(), 176400u);

    SmartPtr<AudioSource> mono = Create("snd/mono.ogg");
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->GetChannels(), 1u);
    EXPECT_EQ(mono->GetSampleRate(), 22050u);
    EXPECT_EQ(mono->GetSize(), 22050u);
}

TEST_F(OggSource, DecodesWhatTheDecoderGivesDirectly)
{
    for (const char* name : {"stereo.ogg", "mono.ogg"}) {
        SCOPED_TRACE(name);
        const std::vector<s16> expected = DecodeDirectly(Path(name));
        ASSERT_FALSE(expected.empty());
        SmartPtr<AudioSource> ogg = Create(std::string("snd/") + name);
        ASSERT_TRUE(ogg);
        EXPECT_EQ(expected.size() * 2, ogg->GetSize());
        EXPECT_EQ(VornTest::ReadAll(*ogg, 4096), expected);
        // Requests that end inside a frame are served from a frame decoded aside.
        ogg->Rewind();
        EXPECT_EQ(VornTest::ReadAll(*ogg, 1001), expected);
        ogg->Rewind();
        EXPECT_EQ(VornTest::ReadAll(*ogg, 2), expected);
    }
}

TEST_F(OggSource, SeekTellRewindAndTheEnd)
{
    const std::vector<s16> expected = DecodeDirectly(Path("stereo.ogg"));
    SmartPtr<AudioSource> ogg = Create("snd/stereo.ogg");
    ASSERT_TRUE(ogg);
    ogg->Seek(4000);
    EXPECT_EQ(ogg->Tell(), 4000u);
    s16 frame[4];
    ASSERT_EQ(ogg->Read(frame, 8), 8u);
    EXPECT_EQ(frame[0], expected[2000]);
    EXPECT_EQ(frame[3], expected[2003]);
    EXPECT_EQ(ogg->Tell(), 4008u);

    // A read past the end returns the rest, the next returns nothing.
    ogg->Seek(176400 - 100);
    std::vector<u8> buffer(4096);
    EXPECT_EQ(ogg->Read(buffer.data(), 4096), 100u);
    EXPECT_EQ(ogg->Read(buffer.data(), 4096), 0u);

    ogg->Rewind();
    EXPECT_EQ(ogg->Tell(), 0u);
    ASSERT_EQ(ogg->Read(frame, 8), 8u);
    EXPECT_EQ(std::vector<s16>(frame, frame + 4), std::vector<s16>(expected.begin(), expected.begin() + 4));

    // Tell counts the bytes handed out, also in the middle of a frame.
    ASSERT_EQ(ogg->Read(frame, 3), 3u);
    EXPECT_EQ(ogg->Tell(), 11u);
    ASSERT_EQ(ogg->Read(frame, 1), 1u);
    EXPECT_EQ(ogg->Tell(), 12u);
}

TEST_F(OggSource, MissingOrInvalidFilesGiveNoSource)
{
    for (const char* name : {"snd/missing.ogg", "snd/empty.ogg", "snd/noise.ogg", "snd/truncated.ogg"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Create(name));
        EXPECT_FALSE(Create(name, true));
        EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::CreateStream(name)));
    }
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioOgg::Open(SmartPtr<File>())));
}

TEST_F(OggSource, TheDecoderIsChosenByTheExactEnding)
{
    EXPECT_TRUE(Create("snd/stereo.ogg"));
    ASSERT_TRUE(VornTest::WriteBytes(Path("upper.OGG"), VornTest::ReadBytes(Path("stereo.ogg"))));
    EXPECT_FALSE(Create("snd/upper.OGG"));
    for (const char* name : {"snd/stereo.wav", "snd/a.xm", "snd/a.rtac", "snd/a.RTAC", "ogg", "", "snd/stereo"})
        EXPECT_FALSE(Create(name)) << name;
    // Streams from memory copies exist for Ogg files only.
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::CreateStream("snd/stereo.wav")));
}

TEST_F(OggSource, InMemoryFlagDecodesEverythingAtOnce)
{
    const std::vector<s16> expected = DecodeDirectly(Path("stereo.ogg"));
    SmartPtr<AudioSource> buffer = Create("snd/stereo.ogg", true);
    ASSERT_TRUE(buffer);
    EXPECT_NE(dynamic_cast<AudioBuffer*>(buffer.Get()), nullptr);
    EXPECT_EQ(buffer->GetSize(), 176400u);
    EXPECT_EQ(buffer->GetChannels(), 2u);
    EXPECT_EQ(buffer->GetSampleRate(), 44100u);
    // Nothing of the decoder or its file is left: the mounts can go.
    Vfs::Shutdown();
    EXPECT_EQ(VornTest::ReadAll(*buffer), expected);
}

TEST_F(OggSource, StreamFromAMemoryCopyOfAFileInAPak)
{
    VornTest::Sandbox sandbox;
    VornTools::PakWriter writer;
    ASSERT_TRUE(writer.AddFileFromDisk("music/tone.ogg", Path("stereo.ogg")));
    ASSERT_TRUE(writer.Write(VornTest::Sandbox::Native("sound.pak")));
    ASSERT_TRUE(Vfs::MountPak("sound.pak", "common/", 0));

    const std::vector<s16> expected = DecodeDirectly(Path("stereo.ogg"));
    SmartPtr<AudioSource> stream(AudioSource::CreateStream("common/music/tone.ogg"));
    SmartPtr<AudioSource> fromPak = Create("common/music/tone.ogg");
    ASSERT_TRUE(stream);
    ASSERT_TRUE(fromPak);
    EXPECT_EQ(dynamic_cast<AudioOgg*>(stream.Get()) != nullptr, true);
    EXPECT_EQ(VornTest::ReadAll(*fromPak), expected);
    // The memory copy does not need the archive any more.
    Vfs::Shutdown();
    EXPECT_EQ(VornTest::ReadAll(*stream), expected);
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::CreateStream("common/music/none.ogg")));
}

// Streams of one archive share its decompressing reader: read in turn, each still decodes what it
// decodes alone (the tone files compress, so the archive holds them in LZMA-coded blocks).
TEST_F(OggSource, InterleavedStreamsFromOnePakDecodeAsAlone)
{
    VornTest::Sandbox sandbox;
    VornTools::PakWriter writer;
    ASSERT_TRUE(writer.AddFileFromDisk("a.ogg", Path("stereo.ogg")));
    ASSERT_TRUE(writer.AddFileFromDisk("b.ogg", Path("mono.ogg")));
    ASSERT_TRUE(writer.AddFileFromDisk("c.ogg", Path("short.ogg")));
    ASSERT_TRUE(writer.Write(VornTest::Sandbox::Native("sound.pak")));
    ASSERT_TRUE(Vfs::MountPak("sound.pak", "p/", 0));
    const char* const names[] = {"stereo.ogg", "mono.ogg", "short.ogg", "stereo.ogg"};
    const char* const paths[] = {"p/a.ogg", "p/b.ogg", "p/c.ogg", "p/a.ogg"};
    std::vector<SmartPtr<AudioSource> > sources;
    std::vector<std::vector<s16> > got(4);
    for (const char* path : paths) {
        sources.push_back(Create(path));
        ASSERT_TRUE(sources.back());
    }
    sources[3]->Seek(40000);  // the second stream of one file starts elsewhere
    std::vector<u8> buffer(1500);
    for (bool more = true; more;) {
        more = false;
        for (size_t i = 0; i < sources.size(); ++i) {
            const u32 n = sources[i]->Read(buffer.data(), 1500);
            const std::vector<s16> s = VornTest::Samples(std::vector<u8>(buffer.begin(), buffer.begin() + n));
            got[i].insert(got[i].end(), s.begin(), s.end());
            more = more || n > 0;
        }
    }
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(got[i], DecodeDirectly(Path(names[i]))) << names[i];
    const std::vector<s16> stereo = DecodeDirectly(Path("stereo.ogg"));
    EXPECT_EQ(got[3], std::vector<s16>(stereo.begin() + 20000, stereo.end()));
}

// A chained file whose second link changes the channel count or rate: the source hands out the
// first link and stops, rather than passing on data in a format it did not announce.
TEST_F(OggSource, ChainedLinkInAnotherFormatEndsTheStream)
{
    for (const char* name : {"snd/chained.ogg", "snd/rechained.ogg"}) {
        SCOPED_TRACE(name);
        SmartPtr<AudioSource> ogg = Create(name);
        ASSERT_TRUE(ogg);
        EXPECT_EQ(ogg->GetChannels(), 2u);
        const std::vector<s16> all = VornTest::ReadAll(*ogg, 4096);
        EXPECT_EQ(all.size(), 11025u * 2);
        std::vector<u8> buffer(64);
        EXPECT_EQ(ogg->Read(buffer.data(), 64), 0u);
        ogg->Rewind();
        EXPECT_EQ(VornTest::ReadAll(*ogg, 4096), all);
    }
}

// Damage inside the audio, or a file cut short: the source opens when the decoder can open it and
// decode audio from it, delivers what the decoder makes of it, and the memory buffer keeps exactly
// that.
TEST_F(OggSource, DamagedAndCutStreamsDecodeWhatTheyCan)
{
    for (const char* name : {"damaged.ogg", "cut.ogg"}) {
        SCOPED_TRACE(name);
        bool opens = false;
        const std::vector<s16> expected = DecodeDirectly(Path(name), &opens);
        SmartPtr<AudioSource> ogg = Create(std::string("snd/") + name);
        ASSERT_EQ(static_cast<bool>(ogg), opens && !expected.empty());
        if (ogg) {
            EXPECT_EQ(VornTest::ReadAll(*ogg, 4096), expected);
        }
        SmartPtr<AudioSource> buffer = Create(std::string("snd/") + name, true);
        EXPECT_EQ(static_cast<bool>(buffer), !expected.empty());
        if (buffer) {
            EXPECT_EQ(buffer->GetSize(), expected.size() * 2);
        }
    }
}

TEST_F(OggSource, LoopingOggChannelWrapsSeamlessly)
{
    const std::vector<s16> once = DecodeDirectly(Path("short.ogg"));
    ASSERT_FALSE(once.empty());
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
    SmartPtr<AudioChannel> channel = mixer->Play(Create("snd/short.ogg"), true).Lock();
    ASSERT_TRUE(channel);
    channel->SetLoop(true);
    channel->SetPaused(false);
    std::vector<u8> bytes(once.size() * 2 * 3 + 1000);
    mixer->Read(bytes.data(), static_cast<u32>(bytes.size()));
    const std::vector<s16> got = VornTest::Samples(bytes);
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], once[i % once.size()]) << i;
}

// A setup header altered with its page checksum made valid again still opens in the decoder, whose
// sample seeks then divide by zero. Such files are refused; whatever opens survives seeking,
// rewinding and a looping channel.
TEST_F(OggSource, AlteredSetupHeadersNeverReachASeekThatFaults)
{
    const std::vector<uint8_t> stereo = VornTest::ReadBytes(Path("stereo.ogg"));
    const std::vector<Page> pages = Pages(stereo);
    ASSERT_GE(pages.size(), 3u);
    // The comment and setup headers share the second page; the setup header is its end.
    const Page& setup = pages[1];
    int refused = 0;
    int opened = 0;
    for (size_t back = 0; back < 320 && back < setup.body; back += 7) {
        std::vector<uint8_t> file = stereo;
        file[setup.start + setup.header + setup.body - 1 - back] ^= 0xff;
        RepairChecksum(file, setup);
        const std::string name = "setup" + std::to_string(back) + ".ogg";
        ASSERT_TRUE(VornTest::WriteBytes(Path(name), file));
        SCOPED_TRACE(name);
        SmartPtr<AudioSource> ogg = Create("snd/" + name);
        if (!ogg) {
            ++refused;
            EXPECT_FALSE(Create("snd/" + name, true));
            continue;
        }
        ++opened;
        std::vector<u8> buffer(4096);
        ogg->Seek(ogg->GetSize() / 2);
        ogg->Read(buffer.data(), 4096);
        ogg->Rewind();
        ogg->Read(buffer.data(), 4096);
        SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
        SmartPtr<AudioChannel> channel = mixer->Play(ogg, true).Lock();
        ASSERT_TRUE(channel);
        channel->SetLoop(true);
        channel->SetPaused(false);
        for (int i = 0; i < 60; ++i)
            mixer->Read(buffer.data(), 4096);
    }
    // Both kinds occur: the damage that faulted is among the refused.
    EXPECT_GT(refused, 0);
    EXPECT_GT(opened, 0);
}

// Every Ogg page carries a CRC: a page whose bytes were altered is dropped, and the hole it leaves,
// or a file that does not open, is told to the file as damage (an archive says it once).
TEST_F(OggSource, DamageTheDecoderFindsIsToldToTheFile)
{
    struct RecordingFile : CachedFile {
        using CachedFile::CachedFile;
        void ReportDamage(const char* why) override { said.insert(why); }
        std::set<std::string> said;
    };
    ASSERT_TRUE(VornTest::MakeOggTone(Path("long.ogg"), "--seconds 6"));
    const std::vector<uint8_t> stereo = VornTest::ReadBytes(Path("long.ogg"));
    const std::vector<Page> pages = Pages(stereo);
    ASSERT_GE(pages.size(), 5u);
    auto decode = [](const std::vector<uint8_t>& bytes) {
        SmartPtr<RecordingFile> file(new RecordingFile(bytes.data(), static_cast<u32>(bytes.size()), true));
        SmartPtr<AudioSource> ogg(AudioOgg::Open(SmartPtr<File>(file.Get())));
        if (ogg)
            VornTest::ReadAll(*ogg, 4096);
        return std::make_pair(static_cast<bool>(ogg), file->said);
    };
    EXPECT_EQ(decode(stereo), std::make_pair(true, std::set<std::string>()));
    const Page& middle = pages[pages.size() / 2];
    std::vector<uint8_t> flipped = stereo;
    flipped[middle.start + middle.header + middle.body / 2] ^= 0x04;
    EXPECT_EQ(decode(flipped), std::make_pair(true, std::set<std::string>{"an Ogg page fails its CRC or is missing"}));
    flipped = stereo;
    flipped[pages[0].start + pages[0].header + 3] ^= 0x04;
    EXPECT_EQ(decode(flipped), std::make_pair(false, std::set<std::string>{"it does not open as Ogg Vorbis"}));

    // The page walk, which decodes nothing, refuses every flipped bit (each of the last page's
    // header among them) and every cut inside a page, also where the decoder notices nothing.
    // What programs write passes: a cut between pages (or before a page's fifth byte, where none
    // starts yet), which leaves no end-of-stream page, and bytes after the last page (a tag).
    std::string why;
    std::vector<uint8_t> tagged = stereo;
    tagged.resize(stereo.size() + 300, 'T');
    for (const std::vector<uint8_t>& good : {stereo, tagged})
        EXPECT_TRUE(AudioOgg::CheckPages(good.data(), good.size(), why)) << why;
    for (size_t at = 0; at < stereo.size(); at += at < 256 || at - pages.back().start < 300 ? 1 : 97) {
        flipped = tagged;
        flipped[at] ^= static_cast<uint8_t>(1u << (at % 8));
        EXPECT_FALSE(AudioOgg::CheckPages(flipped.data(), flipped.size(), why)) << at;
        const bool between = std::any_of(pages.begin(), pages.end(), [at](const Page& p) { return at - p.start <= 4; });
        EXPECT_EQ(AudioOgg::CheckPages(stereo.data(), at, why), between) << at;
    }
    // Damage of more than one byte is refused as one bit is, wherever it reaches the pages: spans
    // zeroed (a capture pattern, a lost 512-byte sector, the stream from some byte on), bytes
    // overwritten, and a page taken out, which leaves its stream without its first page, out of
    // sequence, or unended before the tag. The stream twice over, a chain, passes.
    std::mt19937 rng(13);
    const size_t pagesEnd = pages.back().start + pages.back().header + pages.back().body;
    for (int i = 0; i < 3000; ++i) {
        flipped = tagged;
        const size_t at = i % 3 == 2 ? rng() % pagesEnd / 512 * 512 : rng() % pagesEnd;
        const size_t span = i % 3 == 0 ? 2 + rng() % (i % 2 ? 6 : tagged.size()) : 512;
        for (size_t k = 0; k < (i % 3 == 1 ? 2 + rng() % 5 : 0); ++k)
            flipped[rng() % pagesEnd] = static_cast<uint8_t>(rng());
        if (i % 3 != 1)
            std::fill(flipped.begin() + at, flipped.begin() + std::min(flipped.size(), at + span), 0);
        if (flipped != tagged) {
            EXPECT_FALSE(AudioOgg::CheckPages(flipped.data(), flipped.size(), why)) << i;
        }
    }
    for (const Page& page : pages) {
        flipped = tagged;
        flipped.erase(flipped.begin() + page.start, flipped.begin() + page.start + page.header + page.body);
        EXPECT_FALSE(AudioOgg::CheckPages(flipped.data(), flipped.size(), why)) << page.start;
    }
    std::vector<uint8_t> chained = stereo;
    chained.insert(chained.end(), tagged.begin(), tagged.end());
    EXPECT_TRUE(AudioOgg::CheckPages(chained.data(), chained.size(), why)) << why;
}

// The page walk holds each stream to the pages it numbers: a page written twice (the first among
// them) or two swapped are refused, as are a chain whose first link lost its last page and a
// first link lost whole behind bytes that are no tag. What programs write passes: pages that go
// on, numbered in turn, after one flagged as its stream's last; an ID3v2 tag before the first
// page (which is checked behind it); other data that holds "OggS" by chance.
TEST_F(OggSource, PagesOutOfTheirStreamsPlaceAreRefused)
{
    ASSERT_TRUE(VornTest::MakeOggTone(Path("pages.ogg"), "--seconds 3"));
    const std::vector<uint8_t> stereo = VornTest::ReadBytes(Path("pages.ogg"));
    const std::vector<Page> pages = Pages(stereo);
    ASSERT_GE(pages.size(), 4u);
    auto check = [](const std::vector<uint8_t>& bytes) {
        std::string why;
        return AudioOgg::CheckPages(bytes.data(), bytes.size(), why);
    };
    for (size_t i = 0; i < pages.size(); ++i) {
        const auto start = stereo.begin() + pages[i].start, end = start + pages[i].header + pages[i].body;
        std::vector<uint8_t> twice = stereo;
        twice.insert(twice.begin() + pages[i].start, start, end);
        EXPECT_FALSE(check(twice)) << i;
        if (i + 1 < pages.size()) {
            std::vector<uint8_t> swapped(stereo.begin(), start);
            swapped.insert(swapped.end(), end, end + pages[i + 1].header + pages[i + 1].body);
            swapped.insert(swapped.end(), start, stereo.end());
            swapped.resize(stereo.size());
            EXPECT_FALSE(check(swapped)) << i;
        }
    }
    std::vector<uint8_t> chain(stereo.begin(), stereo.begin() + pages.back().start);
    chain.insert(chain.end(), stereo.begin(), stereo.end());
    EXPECT_FALSE(check(chain));
    chain = stereo;
    std::fill(chain.begin(), chain.end(), 'x');
    chain.insert(chain.end(), stereo.begin(), stereo.end());
    EXPECT_FALSE(check(chain));

    std::vector<uint8_t> goesOn = stereo, tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0};
    goesOn[pages[1].start + 5] |= 0x04;
    RepairChecksum(goesOn, pages[1]);
    tagged.insert(tagged.end(), stereo.begin(), stereo.end());
    std::vector<uint8_t> other = VornTest::RandomBytes(3000, 5);
    std::memcpy(&other[1000], "OggS", 5);
    std::vector<uint8_t> footed = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 0, '3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 0};
    footed.insert(footed.end(), stereo.begin(), stereo.end());
    for (const std::vector<uint8_t>& good : {goesOn, tagged, footed, other})
        EXPECT_TRUE(check(good));
    tagged[14 + pages[0].header] ^= 0x10;
    EXPECT_FALSE(check(tagged));

    // The streams of one link are bounded (so that the walk's work is, whatever their serial
    // numbers): one stays open while more than a thousand others begin and end at once.
    std::vector<uint8_t> many;
    for (uint32_t serial = 1; serial <= 1100; ++serial) {
        std::vector<uint8_t> page = {'O', 'g', 'g', 'S', 0, static_cast<uint8_t>(serial == 1 ? 2 : 6)};
        page.resize(27, 0);
        std::memcpy(&page[14], &serial, 4);
        many.insert(many.end(), page.begin(), page.end());
        RepairChecksum(many, Page{many.size() - 27, 27, 0});
    }
    EXPECT_FALSE(check(many));
}
