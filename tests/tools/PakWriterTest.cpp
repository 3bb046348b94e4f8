// The pak writer library: names, order, determinism and options.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "support/Sandbox.h"
#include "vfs/File.h"
#include "vfs/PakMount.h"

using VornTools::BlockFileWriter;
using VornTools::PakWriter;

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<std::string> DirectoryOrder(const std::vector<uint8_t>& pak)
{
    VornTest::TempDir dir;
    VornTest::WriteBytes(dir / "x.pak", pak);
    Vorn::SmartPtr<Vorn::PakMount> mount(
        new Vorn::PakMount((dir / "x.pak").c_str(), "", 0, Vorn::PakMount::NATIVE_PATH));
    std::vector<std::string> names;
    for (Vorn::u32 i = 0; i < mount->GetEntryCount(); ++i)
        names.push_back(mount->GetName(*mount->GetEntry(i)));
    return names;
}

} // namespace

TEST(PakWriter, RefusesNamesThatAreNotCleanRelativePaths)
{
    PakWriter writer;
    for (const char* bad : {"", "/abs", "dir/", "a//b", "./a", "a/./b", "../a", "a/..", "a\\b"})
        EXPECT_FALSE(writer.AddFile(bad, "x", 1)) << bad;
    EXPECT_FALSE(writer.AddFile(std::string("a\0b", 3), "x", 1));
    EXPECT_TRUE(writer.AddFile("a/b.c/..d", "x", 1));
    EXPECT_EQ(writer.GetFileCount(), 1u);
}

TEST(PakWriter, RefusesNamesThatDifferOnlyInCase)
{
    PakWriter writer;
    EXPECT_TRUE(writer.AddFile("Levels/A.bin", "x", 1));
    EXPECT_FALSE(writer.AddFile("levels/a.BIN", "y", 1));
    EXPECT_NE(writer.GetError().find("Levels/A.bin"), std::string::npos);
    EXPECT_EQ(writer.GetFileCount(), 1u);
}

TEST(PakWriter, SortsTheDirectoryAsTheEngineSearchesIt)
{
    PakWriter writer;
    for (const char* name : {"b", "a1", "_x", "A", "B/c", "[", "Z"})
        ASSERT_TRUE(writer.AddFile(name, "", 0));
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    // ASCII case folding to lower case: '[' and '_' sort before the letters.
    EXPECT_EQ(DirectoryOrder(pak), (std::vector<std::string>{"[", "_x", "A", "a1", "b", "B/c", "Z"}));
}

TEST(PakWriter, OutputDependsOnlyOnTheFiles)
{
    std::vector<uint8_t> big = VornTest::TextBytes(300000, 1);
    std::vector<uint8_t> noise = VornTest::RandomBytes(200000, 2);
    std::vector<uint8_t> first, second, third;
    {
        PakWriter writer;
        writer.AddFile("big", big.data(), big.size());
        writer.AddFile("noise", noise.data(), noise.size());
        writer.AddFile("small", "s", 1);
        ASSERT_TRUE(writer.WriteToMemory(first));
    }
    for (unsigned threads : {1u, 7u}) {
        PakWriter::Options options;
        options.threads = threads;
        PakWriter writer(options);
        writer.AddFile("small", "s", 1);
        writer.AddFile("noise", noise.data(), noise.size());
        writer.AddFile("big", std::vector<uint8_t>(big));
        ASSERT_TRUE(writer.WriteToMemory(threads == 1 ? second : third));
    }
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, third);
}

TEST(PakWriter, StoresBlocksRawWhereCompressionDoesNotPay)
{
    std::vector<uint8_t> noise = VornTest::RandomBytes(4 * 65536, 3);
    PakWriter writer;
    writer.AddFile("noise", noise.data(), noise.size());
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    // The directory pushes the data into a fifth block, which is mostly padding and the only one
    // worth coding.
    EXPECT_EQ(writer.GetStats().blockCount, 5u);
    EXPECT_EQ(writer.GetStats().codedBlocks, 1u);

    std::vector<uint8_t> text = VornTest::TextBytes(4 * 65536, 4);
    PakWriter textWriter;
    textWriter.AddFile("text", text.data(), text.size());
    ASSERT_TRUE(textWriter.WriteToMemory(pak));
    EXPECT_EQ(textWriter.GetStats().codedBlocks, textWriter.GetStats().blockCount);
    EXPECT_LT(pak.size(), text.size() / 2);
}

TEST(PakWriter, ChecksTheBlockSize)
{
    for (uint32_t size : {0u, BlockFileWriter::MIN_BLOCK_SIZE - 1, BlockFileWriter::MAX_BLOCK_SIZE + 1}) {
        PakWriter::Options options;
        options.blockSize = size;
        PakWriter writer(options);
        std::vector<uint8_t> pak;
        EXPECT_FALSE(writer.WriteToMemory(pak)) << size;
        EXPECT_FALSE(writer.GetError().empty());
    }
    PakWriter::Options options;
    options.blockSize = BlockFileWriter::MIN_BLOCK_SIZE;
    PakWriter writer(options);
    writer.AddFile("f", std::vector<uint8_t>(5000, 'q'));
    std::vector<uint8_t> pak;
    EXPECT_TRUE(writer.WriteToMemory(pak));
    EXPECT_EQ(writer.GetStats().blockCount, 5u);
}

TEST(PakWriter, AddsDirectoriesRecursively)
{
    VornTest::TempDir dir;
    VornTest::WriteText(dir / "src/top.txt", "top");
    VornTest::WriteText(dir / "src/sub/deeper/leaf.bin", "leaf");
    VornTest::WriteText(dir / "src/sub/empty", "");
    std::filesystem::create_directories(dir / "src/nothing");
    PakWriter writer;
    ASSERT_TRUE(writer.AddDirectory(dir / "src", "pre/")) << writer.GetError();
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    EXPECT_EQ(DirectoryOrder(pak),
              (std::vector<std::string>{"pre/sub/deeper/leaf.bin", "pre/sub/empty", "pre/top.txt"}));

    EXPECT_FALSE(writer.AddDirectory(dir / "missing"));
    EXPECT_FALSE(writer.AddDirectory(dir / "src/top.txt"));
    EXPECT_FALSE(writer.AddDirectory(dir / "src", "pre/")); // the same names again
}

TEST(PakWriter, WriteReplacesTheTargetWhole)
{
    VornTest::TempDir dir;
    PakWriter writer;
    writer.AddFile("f", Bytes("content"));
    ASSERT_TRUE(writer.Write(dir / "out.pak"));
    std::vector<uint8_t> inMemory;
    ASSERT_TRUE(writer.WriteToMemory(inMemory));
    EXPECT_EQ(VornTest::ReadBytes(dir / "out.pak"), inMemory);
    EXPECT_FALSE(VornTest::Exists(dir / "out.pak.tmp"));

    EXPECT_FALSE(writer.Write(dir / "no/such/dir/out.pak"));
    EXPECT_NE(writer.GetError().find("no/such/dir"), std::string::npos);
}

namespace {

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes.at(at)) | static_cast<uint32_t>(bytes.at(at + 1)) << 8 |
           static_cast<uint32_t>(bytes.at(at + 2)) << 16 | static_cast<uint32_t>(bytes.at(at + 3)) << 24;
}

// Which blocks of a container with a raw table are LZMA-coded, read from its header and table.
std::vector<bool> CodedBlocks(const std::vector<uint8_t>& container)
{
    const int32_t tableBytes = static_cast<int32_t>(GetU32(container, 8));
    EXPECT_LT(tableBytes, 0) << "the table must be stored raw for this test";
    std::vector<bool> coded;
    for (int32_t i = 0; i < -tableBytes / 4; ++i)
        coded.push_back((GetU32(container, BlockFileWriter::HEADER_SIZE + 4 * i) & 0x80000000u) != 0);
    return coded;
}

struct ReadBack {
    std::string name;
    uint32_t offset;
    std::vector<uint8_t> bytes;
};

// Every file of the archive as the engine's pak mount finds and reads it, in directory order.
std::vector<ReadBack> ReadThroughEngine(const std::vector<uint8_t>& pak)
{
    VornTest::TempDir dir;
    VornTest::WriteBytes(dir / "x.pak", pak);
    Vorn::SmartPtr<Vorn::PakMount> mount(
        new Vorn::PakMount((dir / "x.pak").c_str(), "", 0, Vorn::PakMount::NATIVE_PATH));
    EXPECT_TRUE(mount->IsValid());
    std::vector<ReadBack> files;
    for (Vorn::u32 i = 0; i < mount->GetEntryCount(); ++i) {
        const Vorn::PakMount::Entry& entry = *mount->GetEntry(i);
        ReadBack file{mount->GetName(entry), entry.dataOffset, {}};
        Vorn::SmartPtr<Vorn::File> in(mount->Open(file.name.c_str()));
        EXPECT_TRUE(in) << file.name;
        if (!in)
            continue;
        file.bytes.resize(in->GetSize());
        size_t used = 0;
        while (used < file.bytes.size()) {
            Vorn::s32 got = in->Read(file.bytes.data() + used, static_cast<Vorn::u32>(file.bytes.size() - used));
            if (got <= 0)
                break;
            used += static_cast<size_t>(got);
        }
        EXPECT_EQ(used, file.bytes.size()) << file.name;
        files.push_back(file);
    }
    return files;
}

const uint32_t SMALL_BLOCK = BlockFileWriter::MIN_BLOCK_SIZE;

// Text, so that every block would be coded if the writer were left to choose.
std::map<std::string, std::vector<uint8_t>> MixedFiles()
{
    return {{"a.txt", VornTest::TextBytes(3000, 11)},
            {"empty.ogg", {}},
            {"music/Theme.OGG", VornTest::TextBytes(2500, 12)},
            {"ogg.txt", VornTest::TextBytes(1500, 13)},
            {"sounds/click.ogg", VornTest::TextBytes(10, 14)},
            {"sounds/pop.ogg", VornTest::TextBytes(1024, 15)},
            {"z.bin", VornTest::TextBytes(2000, 16)}};
}

PakWriter::Options RawOggOptions()
{
    PakWriter::Options options;
    options.blockSize = SMALL_BLOCK;
    options.table = BlockFileWriter::STORE_RAW;
    options.rawEndings = {".ogg"};
    return options;
}

} // namespace

TEST(PakWriterRawEndings, MatchOnlyNameEndingsWithoutRegardToCase)
{
    const std::vector<std::string> endings = {".ogg", ".Wav"};
    EXPECT_TRUE(PakWriter::HasEnding(endings, "music/Theme.OGG"));
    EXPECT_TRUE(PakWriter::HasEnding(endings, "a.wav"));
    EXPECT_TRUE(PakWriter::HasEnding(endings, ".ogg"));
    EXPECT_FALSE(PakWriter::HasEnding(endings, "ogg"));
    EXPECT_FALSE(PakWriter::HasEnding(endings, "ogg.txt"));
    EXPECT_FALSE(PakWriter::HasEnding(endings, "music/theme.ogg2"));
    EXPECT_FALSE(PakWriter::HasEnding({}, "a.ogg"));
}

TEST(PakWriterRawEndings, GivesThoseFilesRawBlocksOfTheirOwnAndTheEngineReadsThemBack)
{
    const auto files = MixedFiles();
    PakWriter writer(RawOggOptions());
    for (const auto& file : files)
        ASSERT_TRUE(writer.AddFile(file.first, file.second.data(), file.second.size()));
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak)) << writer.GetError();
    const std::vector<bool> coded = CodedBlocks(pak);
    ASSERT_EQ(coded.size(), writer.GetStats().blockCount);

    const std::vector<ReadBack> read = ReadThroughEngine(pak);
    ASSERT_EQ(read.size(), files.size());
    std::vector<int> owner(coded.size(), -1); // the file whose bytes a block holds, -2 for several
    for (size_t i = 0; i < read.size(); ++i) {
        const ReadBack& file = read[i];
        ASSERT_EQ(file.bytes, files.at(file.name)) << file.name;
        for (uint64_t at = file.offset; at < uint64_t(file.offset) + file.bytes.size(); at += 1) {
            int& o = owner.at(at / SMALL_BLOCK);
            o = (o == -1 || o == int(i)) ? int(i) : -2;
        }
    }
    for (size_t i = 0; i < read.size(); ++i) {
        const ReadBack& file = read[i];
        if (file.bytes.empty())
            continue;
        const bool raw = PakWriter::HasEnding(RawOggOptions().rawEndings, file.name);
        const size_t first = file.offset / SMALL_BLOCK;
        const size_t last = (file.offset + file.bytes.size() - 1) / SMALL_BLOCK;
        if (raw) {
            EXPECT_EQ(file.offset % SMALL_BLOCK, 0u) << file.name;
        }
        for (size_t b = first; b <= last; ++b) {
            if (raw) {
                EXPECT_FALSE(coded[b]) << file.name << " block " << b;
                EXPECT_EQ(owner[b], int(i)) << file.name << " shares block " << b;
            } else if (owner[b] != -2) {
                // Text alone in its blocks: left to the writer, it is coded.
                EXPECT_TRUE(coded[b]) << file.name << " block " << b;
            }
        }
    }
    // The directory's block and those of the text files shared among them are still coded.
    EXPECT_TRUE(coded[0]);
}

TEST(PakWriterRawEndings, LeaveTheLayoutAsItWasWhenNothingMatches)
{
    const auto files = MixedFiles();
    PakWriter::Options options = RawOggOptions();
    options.rawEndings = {".wav"};
    PakWriter writer(options);
    for (const auto& file : files)
        writer.AddFile(file.first, file.second.data(), file.second.size());
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    const std::vector<ReadBack> read = ReadThroughEngine(pak);
    ASSERT_EQ(read.size(), files.size());
    for (size_t i = 1; i < read.size(); ++i)
        EXPECT_EQ(read[i].offset, read[i - 1].offset + read[i - 1].bytes.size()) << read[i].name;
    for (bool blockCoded : CodedBlocks(pak))
        EXPECT_TRUE(blockCoded);

    PakWriter::Options none = options;
    none.rawEndings.clear();
    PakWriter plain(none);
    for (const auto& file : files)
        plain.AddFile(file.first, file.second.data(), file.second.size());
    std::vector<uint8_t> plainPak;
    ASSERT_TRUE(plain.WriteToMemory(plainPak));
    EXPECT_EQ(plainPak, pak);
}

TEST(PakWriterRawEndings, OutputDependsOnlyOnTheFiles)
{
    const auto files = MixedFiles();
    std::vector<uint8_t> paks[3];
    for (unsigned run = 0; run < 3; ++run) {
        PakWriter::Options options = RawOggOptions();
        options.threads = run == 2 ? 5 : 1;
        PakWriter writer(options);
        if (run == 0) {
            for (auto it = files.begin(); it != files.end(); ++it)
                writer.AddFile(it->first, it->second.data(), it->second.size());
        } else {
            for (auto it = files.rbegin(); it != files.rend(); ++it)
                writer.AddFile(it->first, std::vector<uint8_t>(it->second));
        }
        ASSERT_TRUE(writer.WriteToMemory(paks[run]));
    }
    EXPECT_EQ(paks[0], paks[1]);
    EXPECT_EQ(paks[0], paks[2]);
}

TEST(BlockFileWriterBlockModes, StoreTheMarkedBlocksAsMarkedAndLeaveTheRestToTheOptions)
{
    const std::vector<uint8_t> text = VornTest::TextBytes(6 * SMALL_BLOCK, 21);
    BlockFileWriter::Options options;
    options.blockSize = SMALL_BLOCK;
    options.table = BlockFileWriter::STORE_RAW;
    using Mode = BlockFileWriter::StoreMode;
    const std::vector<Mode> modes = {Mode::STORE_AUTO, Mode::STORE_RAW, Mode::STORE_RAW,
                                     Mode::STORE_CODED}; // blocks 4 and 5 past its end
    std::vector<uint8_t> out;
    std::string error;
    BlockFileWriter::Stats stats;
    ASSERT_TRUE(BlockFileWriter::Encode(text.data(), text.size(), options, out, error, &stats, &modes));
    EXPECT_EQ(CodedBlocks(out), (std::vector<bool>{true, false, false, true, true, true}));
    EXPECT_EQ(stats.codedBlocks, 4u);
    // A raw block holds the content's bytes as they are.
    const uint32_t dataOffset = GetU32(out, 0);
    const uint32_t firstEnd = GetU32(out, BlockFileWriter::HEADER_SIZE) & 0x7FFFFFFFu;
    ASSERT_LE(size_t(dataOffset) + firstEnd + SMALL_BLOCK, out.size());
    EXPECT_TRUE(std::equal(text.begin() + SMALL_BLOCK, text.begin() + 2 * SMALL_BLOCK,
                           out.begin() + dataOffset + firstEnd));
}

// With checkedEndings, the directory and every file without a check of its own sit in coded
// blocks, even where LZMA does not shrink them, so that the decoder's check covers them; raw blocks
// hold only the checked files' bytes and padding. Every file reads back as it was.
TEST(PakWriterCheckedEndings, LeaveRawOnlyTheFilesThatCarryTheirOwnCheck)
{
    const std::map<std::string, std::vector<uint8_t>> files = {
        {"a/atlas.xml", VornTest::TextBytes(2500, 31)},        {"a/atlas.png", VornTest::RandomBytes(5000, 32)},
        {"b/key.dat", VornTest::RandomBytes(3000, 33)},        {"c/level.bin", VornTest::RandomBytes(700, 34)},
        {"sounds/click.ogg", VornTest::RandomBytes(1500, 35)}, {"sounds/music.ogg", VornTest::RandomBytes(4100, 36)},
        {"z.png", VornTest::RandomBytes(3333, 37)}};
    PakWriter::Options options;
    options.blockSize = SMALL_BLOCK;
    options.table = BlockFileWriter::STORE_RAW;
    options.checkedEndings = {".png", ".ogg"};
    options.rawEndings = {"music.ogg"};
    PakWriter writer(options);
    for (const auto& file : files)
        ASSERT_TRUE(writer.AddFile(file.first, file.second.data(), file.second.size()));
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak)) << writer.GetError();
    const std::vector<bool> coded = CodedBlocks(pak);
    const std::vector<ReadBack> read = ReadThroughEngine(pak);
    ASSERT_EQ(read.size(), files.size());

    auto expectBlocks = [&](uint64_t from, uint64_t to, bool wanted, const std::string& what) {
        for (uint64_t b = from / SMALL_BLOCK; b * SMALL_BLOCK < to; ++b)
            EXPECT_EQ(coded.at(b), wanted) << what << " block " << b;
    };
    uint64_t directoryEnd = 8;
    for (const ReadBack& file : read) {
        directoryEnd += 12 + file.name.size() + 1;
        EXPECT_EQ(file.bytes, files.at(file.name)) << file.name;
        const bool raw = PakWriter::HasEnding(options.rawEndings, file.name);
        if (raw || !PakWriter::HasEnding(options.checkedEndings, file.name))
            expectBlocks(file.offset, file.offset + file.bytes.size(), !raw, file.name);
    }
    expectBlocks(0, directoryEnd, true, "directory");
    // Random bytes do not shrink: beside the music's five raw blocks, the checked pictures and
    // sound (9833 bytes) stay raw but where they share a block with the unchecked files or with
    // the padding before the music, which LZMA may shrink.
    EXPECT_GE(std::count(coded.begin(), coded.end(), false), 5 + 7);
}
