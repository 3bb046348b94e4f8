// The pak writer library: names, order, determinism and options.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "support/Sandbox.h"
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
