// Block-compressed files: raw and coded tables and blocks, random access, damaged input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/Sandbox.h"
#include "pakwriter/BlockFileWriter.h"
#include "vfs/CompressedFile.h"

using namespace Vorn;
using VornTest::Sandbox;
using VornTools::BlockFileWriter;

namespace {

const u32 BLOCK = 1024;

std::vector<uint8_t> Encode(const std::vector<uint8_t>& content, BlockFileWriter::StoreMode blocks,
                            BlockFileWriter::StoreMode table, u32 blockSize = BLOCK)
{
    BlockFileWriter::Options options;
    options.blockSize = blockSize;
    options.blocks = blocks;
    options.table = table;
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BlockFileWriter::Encode(content.data(), content.size(), options, out, error)) << error;
    return out;
}

u32 GetU32(const std::vector<uint8_t>& bytes, size_t at)
{
    u32 v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, u32 value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

class CompressedFileTest : public ::testing::Test {
protected:
    // Writes the bytes into the install area and opens them.
    bool OpenBytes(const std::vector<uint8_t>& bytes)
    {
        VornTest::WriteBytes(Sandbox::Native("c.bin"), bytes);
        return m_file.Open("c.bin");
    }

    std::vector<uint8_t> ReadAt(u32 offset, u32 count)
    {
        std::vector<uint8_t> out(count);
        EXPECT_TRUE(m_file.Seek(static_cast<int>(offset), SeekableStream::FROM_START));
        s32 n = m_file.Read(out.data(), count);
        out.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return out;
    }

    static std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t at, size_t n)
    {
        return std::vector<uint8_t>(v.begin() + at, v.begin() + at + n);
    }

    Sandbox m_sandbox;
    CompressedFile m_file;
};

} // namespace

TEST_F(CompressedFileTest, RawTableAndRawBlocks)
{
    std::vector<uint8_t> content = VornTest::RandomBytes(2 * BLOCK, 1);
    std::vector<uint8_t> bytes = Encode(content, BlockFileWriter::STORE_RAW, BlockFileWriter::STORE_RAW);
    EXPECT_EQ(static_cast<s32>(GetU32(bytes, 8)), -8);
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(m_file.GetSize(), 2 * BLOCK);
    EXPECT_EQ(ReadAt(0, 3 * BLOCK), content);
}

TEST_F(CompressedFileTest, CodedTableAndCodedBlocksPadTheLastBlock)
{
    std::vector<uint8_t> content = VornTest::TextBytes(5 * BLOCK + 100, 2);
    std::vector<uint8_t> bytes =
        Encode(content, BlockFileWriter::STORE_CODED, BlockFileWriter::STORE_CODED);
    EXPECT_GT(static_cast<s32>(GetU32(bytes, 8)), 0);
    ASSERT_TRUE(OpenBytes(bytes));
    ASSERT_EQ(m_file.GetSize(), 6 * BLOCK);
    std::vector<uint8_t> all = ReadAt(0, 6 * BLOCK);
    ASSERT_EQ(all.size(), 6 * BLOCK);
    EXPECT_EQ(Slice(all, 0, content.size()), content);
    EXPECT_EQ(std::vector<uint8_t>(all.begin() + content.size(), all.end()),
              std::vector<uint8_t>(6 * BLOCK - content.size(), 0));
}

TEST_F(CompressedFileTest, RandomAccessInsideAndAcrossCodedBlocks)
{
    std::vector<uint8_t> content = VornTest::TextBytes(4 * BLOCK, 3);
    ASSERT_TRUE(OpenBytes(Encode(content, BlockFileWriter::STORE_CODED, BlockFileWriter::STORE_AUTO)));
    // Straight into the middle of a block: the block is decoded whole first.
    EXPECT_EQ(ReadAt(BLOCK + 700, 100), Slice(content, BLOCK + 700, 100));
    // Backwards inside the same block.
    EXPECT_EQ(ReadAt(BLOCK + 100, 100), Slice(content, BLOCK + 100, 100));
    EXPECT_EQ(ReadAt(BLOCK + 50, 10), Slice(content, BLOCK + 50, 10));
    // Across a boundary in one call, and on through sequential calls.
    EXPECT_EQ(ReadAt(2 * BLOCK - 10, 20), Slice(content, 2 * BLOCK - 10, 20));
    std::vector<uint8_t> rest(2 * BLOCK + 10);
    EXPECT_EQ(m_file.Read(rest.data(), 7), 7);
    EXPECT_EQ(m_file.Read(rest.data() + 7, static_cast<u32>(rest.size() - 7)),
              static_cast<s32>(2 * BLOCK - 10 - 7));
    rest.resize(2 * BLOCK - 10);
    EXPECT_EQ(rest, Slice(content, 2 * BLOCK + 10, 2 * BLOCK - 10));
}

TEST_F(CompressedFileTest, SeeksClampToTheContent)
{
    ASSERT_TRUE(OpenBytes(Encode(VornTest::TextBytes(BLOCK, 4), BlockFileWriter::STORE_AUTO,
                                 BlockFileWriter::STORE_AUTO)));
    EXPECT_TRUE(m_file.Seek(-5, SeekableStream::FROM_START));
    EXPECT_EQ(m_file.Tell(), 0u);
    EXPECT_TRUE(m_file.Seek(10, SeekableStream::FROM_END));
    EXPECT_EQ(m_file.Tell(), BLOCK);
    char c;
    EXPECT_EQ(m_file.Read(&c, 1), 0);
    EXPECT_TRUE(m_file.Seek(-1, SeekableStream::FROM_CURRENT));
    EXPECT_EQ(m_file.Read(&c, 0), 0);
    EXPECT_EQ(m_file.Read(&c, 1), 1);
    EXPECT_EQ(m_file.Write(&c, 1), 0u);
}

TEST_F(CompressedFileTest, DamagedHeadersAreRefused)
{
    const std::vector<uint8_t> good = Encode(VornTest::TextBytes(3 * BLOCK, 5),
                                             BlockFileWriter::STORE_CODED, BlockFileWriter::STORE_RAW);
    ASSERT_TRUE(OpenBytes(good));
    struct Patch {
        const char* what;
        size_t at;
        u32 value;
    };
    const u32 fileSize = static_cast<u32>(good.size());
    const Patch patches[] = {
        {"empty table", 8, 0},
        {"table of 3 bytes", 8, static_cast<u32>(-3)},
        {"raw table running into the data", 8, static_cast<u32>(-400)},
        {"raw table of 2 GiB", 8, 0x80000000u},
        {"coded table claiming 2 GiB", 8, 0x7FFFFFFFu},
        {"block size 0", 4, 0},
        {"block size beyond the limit", 4, CompressedFile::MAX_BLOCK_SIZE + 1},
        {"logical size beyond 4 GiB", 4, CompressedFile::MAX_BLOCK_SIZE},
        {"data offset inside the header", 0, 3},
        {"data offset beyond the file", 0, fileSize + 1},
    };
    for (const Patch& p : patches) {
        std::vector<uint8_t> bytes = good;
        PutU32(bytes, p.at, p.value);
        if (p.at == 4 && p.value == CompressedFile::MAX_BLOCK_SIZE) {
            // 3 blocks of the largest size still fit; 300 do not.
            bytes = Encode(VornTest::TextBytes(300 * BLOCK, 5), BlockFileWriter::STORE_CODED,
                           BlockFileWriter::STORE_RAW);
            PutU32(bytes, 4, p.value);
        }
        EXPECT_FALSE(OpenBytes(bytes)) << p.what;
        EXPECT_FALSE(m_file.IsOpen()) << p.what;
        EXPECT_EQ(m_file.GetSize(), 0u) << p.what;
        char c;
        EXPECT_EQ(m_file.Read(&c, 1), 0) << p.what;
    }
}

TEST_F(CompressedFileTest, PropertiesLiblzmaCannotDecodeAreRefused)
{
    std::vector<uint8_t> bytes = Encode(VornTest::TextBytes(BLOCK, 6), BlockFileWriter::STORE_CODED,
                                        BlockFileWriter::STORE_RAW);
    bytes[12] = (2 * 5 + 1) * 9 + 4; // lc 4 + lp 1 > 4
    EXPECT_FALSE(OpenBytes(bytes));
    bytes[12] = 225; // beyond every valid lc/lp/pb byte
    EXPECT_FALSE(OpenBytes(bytes));
}

TEST_F(CompressedFileTest, AnOversizedDictionaryClaimIsNotTrusted)
{
    std::vector<uint8_t> content = VornTest::TextBytes(3 * BLOCK, 7);
    std::vector<uint8_t> bytes = Encode(content, BlockFileWriter::STORE_CODED, BlockFileWriter::STORE_CODED);
    PutU32(bytes, 13, 0xFFFFFFFFu); // a 4 GiB dictionary
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(ReadAt(0, 3 * BLOCK), content);
}

TEST_F(CompressedFileTest, EveryTruncationIsRefused)
{
    for (auto mode : {BlockFileWriter::STORE_RAW, BlockFileWriter::STORE_CODED}) {
        std::vector<uint8_t> bytes = Encode(VornTest::TextBytes(3 * BLOCK, 8), mode, mode);
        ASSERT_TRUE(OpenBytes(bytes));
        for (size_t length = 0; length < bytes.size(); ++length) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
            EXPECT_FALSE(OpenBytes(cut)) << "length " << length;
        }
    }
}

TEST_F(CompressedFileTest, ReadStopsAtADamagedCodedBlock)
{
    std::vector<uint8_t> content = VornTest::TextBytes(3 * BLOCK, 9);
    std::vector<uint8_t> bytes = Encode(content, BlockFileWriter::STORE_CODED, BlockFileWriter::STORE_RAW);
    // Block 1 keeps a single stored byte: too little for any LZMA stream.
    u32 end0 = GetU32(bytes, 17) & 0x7FFFFFFFu;
    PutU32(bytes, 21, (end0 + 1) | 0x80000000u);
    ASSERT_TRUE(OpenBytes(bytes));
    std::vector<uint8_t> out(3 * BLOCK);
    EXPECT_EQ(m_file.Read(out.data(), 3 * BLOCK), static_cast<s32>(BLOCK));
    EXPECT_EQ(m_file.Tell(), BLOCK);
    out.resize(BLOCK);
    EXPECT_EQ(out, Slice(content, 0, BLOCK));
    char c;
    EXPECT_EQ(m_file.Read(&c, 1), 0); // the block is tried afresh and fails again
    EXPECT_EQ(ReadAt(10, 5), Slice(content, 10, 5));
}

TEST_F(CompressedFileTest, AFlippedBitInACodedBlockNeverReadsBackWrong)
{
    // The format has no checksum; what the LZMA stream can tell (a decoding error, a stream that
    // does not end exactly at its stored end with a whole block) refuses the block. A flip in
    // every byte of the stored blocks, each at another bit: a read delivers the content up to the
    // damaged block, and other bytes only for the rare flip that leaves a valid stream.
    std::vector<uint8_t> content = VornTest::TextBytes(4 * BLOCK, 11);
    const std::vector<uint8_t> bytes = Encode(content, BlockFileWriter::STORE_CODED, BlockFileWriter::STORE_RAW);
    const size_t dataOffset = GetU32(bytes, 0);
    size_t refused = 0, wrong = 0;
    for (size_t at = dataOffset; at < bytes.size(); ++at) {
        std::vector<uint8_t> flipped = bytes;
        flipped[at] ^= static_cast<uint8_t>(1u << (at % 8));
        ASSERT_TRUE(OpenBytes(flipped));
        const std::vector<uint8_t> got = ReadAt(0, 4 * BLOCK);
        wrong += got != Slice(content, 0, got.size());
        refused += got.size() < content.size();
    }
    const size_t flips = bytes.size() - dataOffset;
    EXPECT_LE(wrong * 100, flips) << wrong << " of " << flips << " flips read back wrong";
    EXPECT_GE(refused * 100, flips * 99) << refused << " of " << flips << " flips refused";
}

// A coded block is decoded once for the reads that come back to it after stored blocks, and for a
// sibling stream: its stored bytes are spoilt in place once it has been read, so that a second
// decode would fail, as a file opened afresh shows.
TEST_F(CompressedFileTest, ACodedBlockReadAgainIsNotDecodedAgain)
{
    std::vector<uint8_t> content = VornTest::TextBytes(BLOCK, 13), stored = VornTest::RandomBytes(2 * BLOCK, 14);
    content.insert(content.end(), stored.begin(), stored.end());
    std::vector<uint8_t> bytes = Encode(content, BlockFileWriter::STORE_AUTO, BlockFileWriter::STORE_RAW);
    const u32 dataOffset = GetU32(bytes, 0), end0 = GetU32(bytes, 17);
    ASSERT_TRUE((end0 & 0x80000000u) && !(GetU32(bytes, 21) & 0x80000000u)); // coded, then raw
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(ReadAt(100, 50), Slice(content, 100, 50));
    std::fill(bytes.begin() + dataOffset, bytes.begin() + dataOffset + (end0 & 0x7FFFFFFFu), 0xFF);
    ASSERT_TRUE(VornTest::WriteBytes(Sandbox::Native("c.bin"), bytes));
    CompressedFile fresh, sibling;
    ASSERT_TRUE(fresh.Open("c.bin"));
    char c;
    EXPECT_EQ(fresh.Read(&c, 1), 0);
    EXPECT_EQ(ReadAt(BLOCK + 5, 2 * BLOCK - 5), Slice(content, BLOCK + 5, 2 * BLOCK - 5));
    EXPECT_EQ(ReadAt(0, 3 * BLOCK), content);
    ASSERT_TRUE(sibling.OpenSibling(m_file));
    std::vector<uint8_t> out(BLOCK);
    EXPECT_EQ(sibling.Read(out.data(), BLOCK), static_cast<s32>(BLOCK));
    EXPECT_EQ(out, Slice(content, 0, BLOCK));
}

TEST_F(CompressedFileTest, ARawBlockMustHoldExactlyOneBlock)
{
    std::vector<uint8_t> bytes = Encode(VornTest::RandomBytes(3 * BLOCK, 10), BlockFileWriter::STORE_RAW,
                                        BlockFileWriter::STORE_RAW);
    std::vector<uint8_t> shorter = bytes;
    PutU32(shorter, 21, BLOCK + 10);
    EXPECT_FALSE(OpenBytes(shorter));
    std::vector<uint8_t> resized = bytes;
    PutU32(resized, 4, BLOCK + 1);
    EXPECT_FALSE(OpenBytes(resized));
}

TEST_F(CompressedFileTest, ReadStopsWhereTheDataRunsOut)
{
    // The file shrinks after it was opened (beyond what stdio has buffered): reads deliver what is
    // there and stop.
    const u32 blocks = 16, kept = 8 * BLOCK + 10;
    std::vector<uint8_t> content = VornTest::RandomBytes(blocks * BLOCK, 10);
    std::vector<uint8_t> bytes = Encode(content, BlockFileWriter::STORE_RAW, BlockFileWriter::STORE_RAW);
    ASSERT_TRUE(OpenBytes(bytes));
    ASSERT_EQ(truncate(Sandbox::Native("c.bin").c_str(), GetU32(bytes, 0) + kept), 0);
    std::vector<uint8_t> out(blocks * BLOCK);
    EXPECT_EQ(m_file.Read(out.data(), blocks * BLOCK), static_cast<s32>(kept));
    EXPECT_EQ(m_file.Tell(), kept);
    out.resize(kept);
    EXPECT_EQ(out, Slice(content, 0, kept));
}

TEST_F(CompressedFileTest, BlocksMustFollowOneAnother)
{
    std::vector<uint8_t> bytes = Encode(VornTest::RandomBytes(3 * BLOCK, 11), BlockFileWriter::STORE_RAW,
                                        BlockFileWriter::STORE_RAW);
    std::vector<uint8_t> reversed = bytes;
    PutU32(reversed, 21, BLOCK - 1);
    EXPECT_FALSE(OpenBytes(reversed));
    std::vector<uint8_t> empty = bytes;
    PutU32(empty, 17, 0);
    EXPECT_FALSE(OpenBytes(empty));
}

TEST_F(CompressedFileTest, CloseForgetsEverything)
{
    ASSERT_TRUE(OpenBytes(Encode(VornTest::TextBytes(BLOCK, 12), BlockFileWriter::STORE_AUTO,
                                 BlockFileWriter::STORE_AUTO)));
    EXPECT_TRUE(m_file.Close());
    EXPECT_FALSE(m_file.IsOpen());
    EXPECT_EQ(m_file.GetSize(), 0u);
    char c;
    EXPECT_EQ(m_file.Read(&c, 1), 0);
    EXPECT_FALSE(m_file.Open("missing.bin"));
}
