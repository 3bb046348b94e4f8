// vorn-pak as a user runs it: create, list, extract, and its messages on bad input.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pakwriter/BlockFileWriter.h"
#include "support/ImageEncode.h"
#include "support/Sandbox.h"
#include "support/SoundSupport.h"
#include "vfs/PakMount.h"

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string Slurp(const std::string& path)
{
    std::vector<uint8_t> bytes = VornTest::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

size_t Lines(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Files other programs write, in dir when each of their bytes lies in a page or chunk: Ogg Vorbis
// from sox and ffmpeg, Opus and FLAC in Ogg, an animated and a still PNG, a chained stream and one
// cut before its last page; in dir/loose, a stream with a tag and padding after its last page, a
// PNG with data after its end chunk, empty files named like both.
bool MakeForeignFiles(const std::string& dir)
{
    const std::string make =
        "cd " + Quote(dir) + " && sox -V1 -n sox.ogg synth 1 sine 440 && ffmpeg -nostdin -v error -f lavfi -i"
        " sine=frequency=330:duration=2 -f lavfi -i testsrc=size=64x64:rate=4:duration=1 -map 0:a -c:a libvorbis"
        " vorbis.ogg -map 0:a -c:a libopus opus.ogg -map 0:a -t 0.5 -c:a flac -f ogg flac.ogg -map 1:v -plays 0"
        " -f apng animated.png -map 1:v -frames:v 1 still.png -map 1:v -map 0:a -c:v libtheora -c:a libvorbis -f ogg"
        " muxed.ogg && cat sox.ogg vorbis.ogg > chained.ogg && head -c"
        " \"$(grep -obUa OggS vorbis.ogg | tail -n 1 | cut -d: -f1)\" vorbis.ogg > unended.ogg && mkdir loose &&"
        " : > loose/empty.ogg && : > loose/empty.png && { cat vorbis.ogg; printf TAG%0637d 0; } > loose/tagged.ogg"
        " && { cat still.png; echo data; } > loose/trailed.png && { printf 'ID3\\3\\0\\0\\0\\0\\0\\0'; cat opus.ogg; }"
        " > loose/fronted.ogg";
    return std::filesystem::create_directories(dir) && std::system(make.c_str()) == 0;
}

class VornPakTest : public ::testing::Test {
protected:
    Result Run(const std::vector<std::string>& args)
    {
        std::string command = m_runAs + Quote(VORN_PAK_EXECUTABLE);
        for (const std::string& a : args)
            command += " " + Quote(a);
        command += " >" + Quote(m_dir / "stdout") + " 2>" + Quote(m_dir / "stderr");
        int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(m_dir / "stdout");
        r.err = Slurp(m_dir / "stderr");
        return r;
    }

    // A refusal: status 1, nothing on stdout, one line on stderr that names the problem.
    void ExpectRefusal(const Result& r, const std::string& mentions)
    {
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(mentions), std::string::npos) << r.err;
    }

    void MakeSource()
    {
        VornTest::WriteText(m_dir / "src/readme.txt", "hello\n");
        VornTest::WriteBytes(m_dir / "src/levels/pack1/L01.bin", VornTest::RandomBytes(100000, 1));
        VornTest::WriteBytes(m_dir / "src/texts/en.xml", VornTest::TextBytes(300000, 2));
        VornTest::WriteText(m_dir / "src/empty", "");
    }

    VornTest::TempDir m_dir;
    std::string m_runAs; // a command vorn-pak runs under, when not run directly
};

} // namespace

TEST_F(VornPakTest, HelpAndUsage)
{
    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("vorn-pak create OUT.pak DIR"), std::string::npos);
    EXPECT_NE(help.out.find("--block-size"), std::string::npos);
    EXPECT_EQ(Run({"list", "--help"}).status, 0);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"list"}, {"list", "a.pak", "b.pak"}, {"extract", "a.pak"},
             {"create", "out.pak"}, {"create", "out.pak", "dir", "--fast"},
             {"create", "out.pak", "dir", "--block-size"}}) {
        Result r = Run(bad);
        EXPECT_EQ(r.status, 2) << (bad.empty() ? "" : bad[0]);
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
}

TEST_F(VornPakTest, CreateListExtractRoundTrip)
{
    MakeSource();
    Result created = Run({"create", m_dir / "out.pak", m_dir / "src"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(created.out.find("4 files"), std::string::npos) << created.out;

    Result listed = Run({"list", m_dir / "out.pak"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "         0  empty\n"
                          "    100000  levels/pack1/L01.bin\n"
                          "         6  readme.txt\n"
                          "    300000  texts/en.xml\n");

    Result extracted = Run({"extract", m_dir / "out.pak", m_dir / "out"});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    for (const char* name : {"readme.txt", "levels/pack1/L01.bin", "texts/en.xml", "empty"}) {
        bool found = false;
        EXPECT_EQ(VornTest::ReadBytes(m_dir / ("out/" + std::string(name)), &found),
                  VornTest::ReadBytes(m_dir / ("src/" + std::string(name))))
            << name;
        EXPECT_TRUE(found) << name;
    }
}

// What other programs wrote comes back byte for byte, with nothing said.
TEST_F(VornPakTest, FilesOtherProgramsWroteComeBackWhole)
{
    ASSERT_TRUE(MakeForeignFiles(m_dir / "src")) << "sox or ffmpeg failed: run scripts/install-deps";
    ASSERT_EQ(Run({"create", m_dir / "out.pak", m_dir / "src"}).status, 0);
    const Result r = Run({"extract", m_dir / "out.pak", m_dir / "out"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(std::system(("diff -r " + Quote(m_dir / "src") + " " + Quote(m_dir / "out")).c_str()), 0);
}

TEST_F(VornPakTest, ExtractsNamedFilesOnly)
{
    MakeSource();
    ASSERT_EQ(Run({"create", m_dir / "out.pak", m_dir / "src"}).status, 0);
    Result r = Run({"extract", m_dir / "out.pak", m_dir / "some", "README.TXT", "texts/en.xml"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(m_dir / "some/readme.txt"), "hello\n"); // written under the archive's spelling
    EXPECT_TRUE(VornTest::Exists(m_dir / "some/texts/en.xml"));
    EXPECT_FALSE(VornTest::Exists(m_dir / "some/empty"));

    ExpectRefusal(Run({"extract", m_dir / "out.pak", m_dir / "none", "nothing.txt"}), "nothing.txt");
    EXPECT_FALSE(VornTest::Exists(m_dir / "none"));
}

TEST_F(VornPakTest, BlockSizeOption)
{
    MakeSource();
    ASSERT_EQ(Run({"create", m_dir / "small.pak", m_dir / "src", "--block-size", "4K"}).status, 0);
    ASSERT_EQ(Run({"create", "--block-size=1M", m_dir / "large.pak", m_dir / "src"}).status, 0);
    ASSERT_EQ(Run({"create", m_dir / "exact.pak", m_dir / "src", "--block-size", "8192"}).status, 0);
    for (const char* pak : {"small.pak", "large.pak", "exact.pak"}) {
        EXPECT_EQ(VornTest::ReadBytes(m_dir / pak).size() > 0, true);
        Result r = Run({"extract", m_dir / pak, m_dir / (std::string(pak) + ".out")});
        ASSERT_EQ(r.status, 0) << pak << r.err;
        EXPECT_EQ(VornTest::ReadBytes(m_dir / (std::string(pak) + ".out/texts/en.xml")),
                  VornTest::ReadBytes(m_dir / "src/texts/en.xml"));
    }
    for (const char* bad : {"12", "0", "64Q", "-4K", "99999999999", "32M"}) {
        Result r = Run({"create", m_dir / "bad.pak", m_dir / "src", "--block-size", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
    }
    EXPECT_FALSE(VornTest::Exists(m_dir / "bad.pak"));
}

TEST_F(VornPakTest, EmptyDirectoryMakesAnEmptyArchive)
{
    std::filesystem::create_directories(m_dir / "nothing");
    ASSERT_EQ(Run({"create", m_dir / "empty.pak", m_dir / "nothing"}).status, 0);
    Result r = Run({"list", m_dir / "empty.pak"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(VornPakTest, BrokenArchivesGetOneLineAndStatusOne)
{
    MakeSource();
    ASSERT_EQ(Run({"create", m_dir / "good.pak", m_dir / "src"}).status, 0);
    std::vector<uint8_t> good = VornTest::ReadBytes(m_dir / "good.pak");

    VornTest::WriteBytes(m_dir / "truncated.pak", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
    VornTest::WriteText(m_dir / "text.pak", "this is not an archive at all\n");
    VornTest::WriteText(m_dir / "empty.pak", "");
    std::vector<uint8_t> flipped = good;
    flipped[4] ^= 0x40; // block size
    VornTest::WriteBytes(m_dir / "flipped.pak", flipped);

    for (const char* pak : {"truncated.pak", "text.pak", "empty.pak", "flipped.pak"}) {
        ExpectRefusal(Run({"list", m_dir / pak}), pak);
        ExpectRefusal(Run({"extract", m_dir / pak, m_dir / "out"}), pak);
    }
    // A coded block of the last file that does not decode: listed, but not extracted, in one line
    // naming the archive, the file and the block.
    std::vector<uint8_t> damaged = good;
    damaged[damaged.size() - 10] ^= 0x40;
    VornTest::WriteBytes(m_dir / "damaged.pak", damaged);
    EXPECT_EQ(Run({"list", m_dir / "damaged.pak"}).status, 0);
    ExpectRefusal(Run({"extract", m_dir / "damaged.pak", m_dir / "out"}), "damaged.pak: texts/en.xml is damaged (block");
    ExpectRefusal(Run({"list", m_dir / "missing.pak"}), "No such file");
    ExpectRefusal(Run({"list", m_dir.Path()}), "directory");
    ExpectRefusal(Run({"create", m_dir / "x.pak", m_dir / "missing"}), "missing: No such file or directory");
    ExpectRefusal(Run({"create", m_dir / "x.pak", m_dir / "good.pak"}), "good.pak: not a directory");
    ExpectRefusal(Run({"create", m_dir / "no/dir/x.pak", m_dir / "src"}), "no/dir");
    ExpectRefusal(Run({"create", m_dir / "src/levels/inside.pak", m_dir / "src"}), "inside");
    EXPECT_FALSE(VornTest::Exists(m_dir / "src/levels/inside.pak"));
    EXPECT_FALSE(VornTest::Exists(m_dir / "out/texts/en.xml"));
}

// One bit flipped in the middle of each block after the directory's, one block at a time: extract
// names every file the flip reached (every file sharing a coded block; the PNG or Ogg file a raw
// block's flip lands in, those other programs wrote among them) and does not write it, writes every
// other one as it was, and exits 1 when it named any.
TEST_F(VornPakTest, ExtractNamesEveryDamagedFileAndWritesTheOthers)
{
    for (int i = 0; i < 6; ++i)
        VornTest::WriteBytes(m_dir / ("src/a/t" + std::to_string(i) + ".xml"), VornTest::TextBytes(1500, i));
    VornTest::WriteBytes(m_dir / "src/b.png", VornTest::EncodePngRgb(48, 48, VornTest::RandomBytes(6912, 4), false));
    ASSERT_TRUE(VornTest::MakeOggTone(m_dir / "src/c.ogg", "--seconds 1"));
    ASSERT_TRUE(MakeForeignFiles(m_dir / "src/d")) << "sox or ffmpeg failed: run scripts/install-deps";
    std::filesystem::remove_all(m_dir / "src/d/loose");
    const std::string path = m_dir / "out.pak";
    ASSERT_EQ(Run({"create", path, m_dir / "src", "--block-size", "4K"}).status, 0);
    Vorn::SmartPtr<Vorn::PakMount> pak(new Vorn::PakMount(path.c_str(), "", 0, Vorn::PakMount::NATIVE_PATH));
    Vorn::CompressedFile container;
    ASSERT_TRUE(pak->IsValid() && container.OpenNative(path.c_str()));
    std::set<std::string> said;
    for (Vorn::u32 b = 1; b < container.GetBlockCount(); ++b) {
        Vorn::u64 at = 0;
        Vorn::u32 stored = 0;
        bool coded = false;
        container.GetBlockStorage(b, at, stored, coded);
        std::vector<uint8_t> bad = VornTest::ReadBytes(path);
        bad[at + stored / 2] ^= 0x08;
        VornTest::WriteBytes(m_dir / "bad.pak", bad);
        const std::string out = m_dir / ("out" + std::to_string(b));
        const Result r = Run({"extract", m_dir / "bad.pak", out});
        const Vorn::u64 start = b * 4096ull, hit = start + stored / 2; // in the content, for a raw block
        for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i) {
            const Vorn::PakMount::Entry& e = *pak->GetEntry(i);
            const std::string name = pak->GetName(e);
            const bool reached = coded ? e.dataOffset < start + 4096 && e.dataOffset + e.size > start
                                       : e.dataOffset <= hit && hit < e.dataOffset + e.size;
            // Every source file holds bytes: an empty result is a file not written.
            EXPECT_EQ(VornTest::ReadBytes(out + "/" + name),
                      reached ? std::vector<uint8_t>() : VornTest::ReadBytes(m_dir / ("src/" + name)))
                << name << " after a flip in block " << b << ": " << r.err;
            EXPECT_EQ(r.err.find(": " + name + " is damaged") != std::string::npos, reached) << r.err;
            if (reached)
                said.insert(name);
        }
        EXPECT_EQ(r.status, r.err.empty() ? 0 : 1) << r.err; // the files named, when any
    }
    // The files in the directory's block aside, every kind was hit, texts sharing a coded block.
    EXPECT_TRUE(said.count("b.png") && said.count("c.ogg") && said.size() >= 5) << testing::PrintToString(said);
    for (const char* name :
         {"sox.ogg", "vorbis.ogg", "opus.ogg", "flac.ogg", "chained.ogg", "unended.ogg", "animated.png"})
        EXPECT_TRUE(said.count(std::string("d/") + name)) << name << ": " << testing::PrintToString(said);
}

// A file is checked by every name its format goes by, in any case, as by its start: each of these,
// its first two bytes zeroed, is named and not written. Files of other formats that hold a PNG or
// "OggS" (an icon, text that holds the letters) come back.
TEST_F(VornPakTest, EveryNameAFormatGoesByIsChecked)
{
    ASSERT_TRUE(MakeForeignFiles(m_dir / "made")) << "sox or ffmpeg failed: run scripts/install-deps";
    const std::vector<std::string> damaged = {"a.oga", "b.OPUS", "c.ogv", "d.Spx", "e.ogx", "f.apng", "g.PNG"};
    for (const std::string& name : damaged) {
        std::vector<uint8_t> bytes = VornTest::ReadBytes(m_dir / (name[0] < 'f' ? "made/opus.ogg" : "made/animated.png"));
        bytes[0] = bytes[1] = 0;
        VornTest::WriteBytes(m_dir / ("src/" + name), bytes);
    }
    std::vector<uint8_t> icon = {0, 0, 1, 0, 1, 0, 64, 64, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    const std::vector<uint8_t> still = VornTest::ReadBytes(m_dir / "made/still.png");
    icon.insert(icon.end(), still.begin(), still.end());
    VornTest::WriteBytes(m_dir / "src/icon.png", icon);
    VornTest::WriteText(m_dir / "src/notes.ogg", "an Ogg page starts with OggS and a zero byte");
    ASSERT_EQ(Run({"create", m_dir / "out.pak", m_dir / "src"}).status, 0);
    const Result r = Run({"extract", m_dir / "out.pak", m_dir / "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), damaged.size()) << r.err;
    for (const std::string& name : damaged) {
        EXPECT_NE(r.err.find(": " + name + " is damaged"), std::string::npos) << r.err;
        EXPECT_FALSE(VornTest::Exists(m_dir / ("out/" + name))) << name;
    }
    for (const std::string name : {"icon.png", "notes.ogg"})
        EXPECT_EQ(VornTest::ReadBytes(m_dir / ("out/" + name)), VornTest::ReadBytes(m_dir / ("src/" + name))) << name;
}

// The corpus check on files other programs write, and files of other formats: each passes under
// its own name and the other format's, and no damage model changes a byte of their chunks or
// pages in silence.
TEST_F(VornPakTest, CorpusCheckOfFilesOtherProgramsWrite)
{
    ASSERT_TRUE(MakeForeignFiles(m_dir / "x")) << "sox or ffmpeg failed: run scripts/install-deps";
    MakeSource();
    std::string lists[3];
    for (const char* folder : {"x", "src"}) {
        for (const auto& e : std::filesystem::recursive_directory_iterator(m_dir / folder)) {
            const std::string ending = e.path().extension();
            if (e.is_regular_file())
                lists[ending == ".png" ? 0 : ending == ".ogg" ? 1 : 2] += e.path().string() + "\n";
        }
    }
    const char* const NAMES[] = {"png.txt", "ogg.txt", "other.txt"};
    for (int i = 0; i < 3; ++i)
        VornTest::WriteText(m_dir / NAMES[i], lists[i]);
    const std::string command = Quote(VORN_CORPUS_CHECK_EXECUTABLE) + " --jobs 2 --png-events 40 --ogg-events 40 " +
                                Quote(m_dir.Path()) + " >" + Quote(m_dir / "report");
    EXPECT_EQ(std::system(command.c_str()), 0) << Slurp(m_dir / "report");
    EXPECT_NE(Slurp(m_dir / "report").find(" 0 refused, as .ogg 0 refused; PNG files as .ogg 0 refused, Ogg files as "
                                           ".png 0 refused"),
              std::string::npos)
        << Slurp(m_dir / "report");
    // A file under a name that says nothing is checked only while its start is at most one byte
    // off its format's: two bytes zeroed pass, and the corpus check says so.
    std::filesystem::copy_file(m_dir / "x/still.png", m_dir / "still.dat");
    std::filesystem::copy_file(m_dir / "x/opus.ogg", m_dir / "opus.dat");
    VornTest::WriteText(m_dir / "png.txt", m_dir / "still.dat\n");
    VornTest::WriteText(m_dir / "ogg.txt", m_dir / "opus.dat\n");
    EXPECT_NE(std::system(command.c_str()), 0);
    for (const std::string& silent : {"PNG 2 signature/capture bytes zeroed: " + m_dir / "still.dat",
                                      "Ogg 2 signature/capture bytes zeroed: " + m_dir / "opus.dat"})
        EXPECT_NE(Slurp(m_dir / "report").find("silent: " + silent), std::string::npos) << Slurp(m_dir / "report");
}

TEST_F(VornPakTest, ExtractNeverWritesOutsideTheOutputDirectory)
{
    // An archive made by hand whose one entry climbs out of the output directory.
    const std::string name = "../escaped";
    std::vector<uint8_t> content;
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            content.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(1);
    put(0);
    put(static_cast<uint32_t>(4 + 12 + 4 + name.size() + 1));
    put(3);
    put(static_cast<uint32_t>(name.size() + 1));
    content.insert(content.end(), name.begin(), name.end());
    content.push_back(0);
    content.insert(content.end(), {'b', 'a', 'd'});
    VornTools::BlockFileWriter::Options options;
    std::vector<uint8_t> pak;
    std::string error;
    ASSERT_TRUE(VornTools::BlockFileWriter::Encode(content.data(), content.size(), options, pak, error));
    VornTest::WriteBytes(m_dir / "evil.pak", pak);

    ASSERT_EQ(Run({"list", m_dir / "evil.pak"}).status, 0);
    std::filesystem::create_directories(m_dir / "out");
    ExpectRefusal(Run({"extract", m_dir / "evil.pak", m_dir / "out"}), "../escaped");
    EXPECT_FALSE(VornTest::Exists(m_dir / "escaped"));
}

TEST_F(VornPakTest, ExtractNeverWritesThroughALink)
{
    MakeSource();
    ASSERT_EQ(Run({"create", m_dir / "out.pak", m_dir / "src"}).status, 0);
    VornTest::WriteText(m_dir / "victim.txt", "keep me\n");
    std::filesystem::create_directories(m_dir / "elsewhere");
    namespace fs = std::filesystem;

    // A link where a file goes, a link where a directory goes (one level down and at the top).
    struct Case {
        const char* link;
        fs::path target;
        const char* mentions;
    };
    const Case cases[] = {
        {"readme.txt", m_dir / "victim.txt", "readme.txt"},
        {"levels", m_dir / "elsewhere", "levels"},
        {"levels/pack1", m_dir / "elsewhere", "pack1"},
        {"texts/en.xml", m_dir / "victim.txt", "en.xml"},
    };
    for (const Case& c : cases) {
        const fs::path out = m_dir / (std::string("out-") + std::to_string(&c - cases));
        fs::create_directories((out / c.link).parent_path());
        fs::create_symlink(c.target, out / c.link);
        ExpectRefusal(Run({"extract", m_dir / "out.pak", out}), c.mentions);
        EXPECT_TRUE(fs::is_symlink(out / c.link)) << c.link;
        EXPECT_EQ(Slurp(m_dir / "victim.txt"), "keep me\n") << c.link;
        EXPECT_TRUE(fs::is_empty(m_dir / "elsewhere")) << c.link;
    }

    // A file there already is replaced, not written into: a hard link to it keeps its content.
    const fs::path out = m_dir / "out-hard";
    fs::create_directories(out);
    fs::create_hard_link(m_dir / "victim.txt", out / "readme.txt");
    ASSERT_EQ(Run({"extract", m_dir / "out.pak", out}).status, 0);
    EXPECT_EQ(Slurp(out / "readme.txt"), "hello\n");
    EXPECT_EQ(Slurp(m_dir / "victim.txt"), "keep me\n");
}

TEST_F(VornPakTest, CreateStoresALinkToAFileUnderItsOwnNameAndWarnsOfTheRest)
{
    namespace fs = std::filesystem;
    MakeSource();
    VornTest::WriteText(m_dir / "outside.txt", "from outside\n");
    fs::create_symlink("readme.txt", m_dir / "src/inside-link.txt");
    fs::create_symlink(m_dir / "outside.txt", m_dir / "src/texts/outside-link.txt");
    fs::create_symlink(m_dir / "missing", m_dir / "src/dangling");
    fs::create_symlink(m_dir / "src/levels", m_dir / "src/levels-link");
    ASSERT_EQ(mkfifo((m_dir / "src/fifo").c_str(), 0600), 0);

    Result created = Run({"create", m_dir / "out.pak", m_dir / "src"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(Lines(created.err), 3u) << created.err;
    for (const char* skipped : {"dangling", "levels-link", "fifo"})
        EXPECT_NE(created.err.find(skipped), std::string::npos) << created.err;

    Result listed = Run({"list", m_dir / "out.pak"});
    EXPECT_NE(listed.out.find("inside-link.txt"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("texts/outside-link.txt"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("dangling"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("levels-link"), std::string::npos) << listed.out;
    ASSERT_EQ(Run({"extract", m_dir / "out.pak", m_dir / "out"}).status, 0);
    EXPECT_EQ(Slurp(m_dir / "out/inside-link.txt"), "hello\n");
    EXPECT_EQ(Slurp(m_dir / "out/texts/outside-link.txt"), "from outside\n");
    EXPECT_FALSE(fs::is_symlink(m_dir / "out/inside-link.txt"));
    EXPECT_NE(Run({"--help"}).out.find("symbolic link"), std::string::npos);
}

TEST_F(VornPakTest, ControlCharactersInNamesAreEscaped)
{
    MakeSource();
    VornTest::WriteText(m_dir / "src/\x1b[31mred\nline", "x");
    ASSERT_EQ(Run({"create", m_dir / "out.pak", m_dir / "src"}).status, 0);
    Result listed = Run({"list", m_dir / "out.pak"});
    EXPECT_EQ(Lines(listed.out), 5u) << listed.out;
    EXPECT_NE(listed.out.find("  \\x1b[31mred\\nline\n"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find('\x1b'), std::string::npos);
}

TEST_F(VornPakTest, RefusesWhatIsNoArchiveOrNoPlaceForOneBeforeWorking)
{
    MakeSource();
    // A FIFO is never opened (that would wait for a writer).
    ASSERT_EQ(mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    ExpectRefusal(Run({"list", m_dir / "fifo"}), "not a regular file");
    ExpectRefusal(Run({"extract", m_dir / "fifo", m_dir / "out"}), "not a regular file");
    // An existing folder as the output: refused before packing, so nothing is said about the tree.
    std::filesystem::create_directories(m_dir / "folder");
    ExpectRefusal(Run({"create", m_dir / "folder", m_dir / "src"}), "folder: is a directory");
}

TEST_F(VornPakTest, CreateNamesTheUnreadableFolderItself)
{
    // The superuser reads through permissions: it runs vorn-pak as nobody, on a tree all can read.
    namespace fs = std::filesystem;
    MakeSource();
    fs::create_directories(m_dir / "out");
    if (geteuid() == 0) {
        fs::permissions(m_dir / "out", fs::perms::all);
        const fs::perms readable = fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(m_dir.Path(), readable, fs::perm_options::add);
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(m_dir.Path()))
            fs::permissions(e.path(), e.is_directory() ? readable : fs::perms::others_read,
                            fs::perm_options::add);
        m_runAs = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (Run({"--help"}).status != 0)
            GTEST_SKIP() << "cannot run vorn-pak as nobody";
    }
    const std::string locked = m_dir / "src/levels/pack1";
    fs::permissions(locked, fs::perms::none);
    const bool readable = geteuid() != 0 && access(locked.c_str(), R_OK) == 0;
    const Result r = readable ? Result{} : Run({"create", m_dir / "out/x.pak", m_dir / "src"});
    fs::permissions(locked, fs::perms::owner_all);
    if (readable)
        GTEST_SKIP() << "this user reads through permissions";
    ExpectRefusal(r, locked + ": Permission denied");
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));
}

// vorn-pak under a limit on the size of the files it writes, set as a user sets it, with no signal
// set up for it.
const std::string FILE_SIZE_LIMIT = "bash -c 'ulimit -f 256; exec \"$0\" \"$@\"' ";

// A small tmpfs where mounting one is allowed (root, no confining container); elsewhere a limit on
// the size of the files, which fails a write as a full disk does.
class FullDiskTest : public VornPakTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir / "disk");
        m_mounted = geteuid() == 0 && mount("tmpfs", (m_dir / "disk").c_str(), "tmpfs", 0, "size=256k") == 0;
        m_full = m_mounted ? "" : FILE_SIZE_LIMIT;
        m_reason = std::strerror(m_mounted ? ENOSPC : EFBIG);
    }
    void TearDown() override
    {
        if (m_mounted)
            umount((m_dir / "disk").c_str());
    }
    bool m_mounted = false;
    std::string m_full;  // what vorn-pak runs under to write to the disk
    std::string m_reason;
};

TEST_F(FullDiskTest, AFailedWriteKeepsWhatWasThere)
{
    // 300000 bytes of text do not fit beside the old file: it stays as it was, with no leftovers.
    MakeSource();
    ASSERT_EQ(Run({"create", m_dir / "out.pak", m_dir / "src"}).status, 0);
    VornTest::WriteText(m_dir / "disk/texts/en.xml", "the old one\n");
    m_runAs = m_full;
    ExpectRefusal(Run({"extract", m_dir / "out.pak", m_dir / "disk", "texts/en.xml"}), m_reason);
    EXPECT_EQ(Slurp(m_dir / "disk/texts/en.xml"), "the old one\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "disk/texts"),
                            std::filesystem::directory_iterator()), 1);

    // The archive itself: the message names it, with the reason, and leaves nothing behind.
    VornTest::WriteBytes(m_dir / "src/noise.bin", VornTest::RandomBytes(400000, 3));
    Result r = Run({"create", m_dir / "disk/big.pak", m_dir / "src"});
    ExpectRefusal(r, m_dir / "disk/big.pak: " + m_reason);
    EXPECT_EQ(r.err.find(".tmp"), std::string::npos) << r.err;
    EXPECT_FALSE(VornTest::Exists(m_dir / "disk/big.pak.tmp"));
    m_runAs = FILE_SIZE_LIMIT;
    ExpectRefusal(Run({"create", m_dir / "big.pak", m_dir / "src"}), m_dir / "big.pak: File too large");
    EXPECT_FALSE(VornTest::Exists(m_dir / "big.pak.tmp"));
}
