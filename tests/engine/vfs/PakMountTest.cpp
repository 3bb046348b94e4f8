// Pak archives: lookup, entry files, and damaged or hostile directories.
#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/Sandbox.h"
#include "base/ByteReader.h"
#include "base/SmartPtr.h"
#include "pakwriter/BlockFileWriter.h"
#include "pakwriter/PakWriter.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using VornTest::Sandbox;
using VornTools::BlockFileWriter;
using VornTools::PakWriter;

namespace {

struct RawEntry {
    u32 nameOffset, dataOffset, size;
};

void AppendU32(std::vector<uint8_t>& out, u32 value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Decompressed pak content built field by field, for directories the writer would never make.
std::vector<uint8_t> Content(s32 count, const std::vector<RawEntry>& entries, u32 nameTableSize,
                             const std::string& names, const std::string& data)
{
    std::vector<uint8_t> out;
    AppendU32(out, static_cast<u32>(count));
    for (const RawEntry& e : entries) {
        AppendU32(out, e.nameOffset);
        AppendU32(out, e.dataOffset);
        AppendU32(out, e.size);
    }
    AppendU32(out, nameTableSize);
    out.insert(out.end(), names.begin(), names.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<uint8_t> Wrap(const std::vector<uint8_t>& content,
                          BlockFileWriter::StoreMode mode = BlockFileWriter::STORE_AUTO)
{
    BlockFileWriter::Options options;
    options.blockSize = 1024;
    options.blocks = mode;
    options.table = mode;
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BlockFileWriter::Encode(content.data(), content.size(), options, out, error)) << error;
    return out;
}

std::string ReadAll(File* file)
{
    std::string text(file->GetSize(), '\0');
    s32 n = file->Read(&text[0], static_cast<u32>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

class PakMountTest : public ::testing::Test {
protected:
    bool Mount(const std::vector<uint8_t>& pak)
    {
        Vfs::Init();
        VornTest::WriteBytes(Sandbox::Native("t.pak"), pak);
        return Vfs::MountPak("t.pak", "p/", 0);
    }

    std::string Slurp(const std::string& path)
    {
        SmartPtr<File> file(Vfs::Open(path.c_str()));
        return file ? ReadAll(file.Get()) : "<none>";
    }

    Sandbox m_sandbox;
};

// An archive of the files, named f0, f1 and so on.
std::vector<uint8_t> PakOf(const std::vector<std::vector<uint8_t>>& files, const PakWriter::Options& options = {})
{
    PakWriter writer(options);
    for (size_t i = 0; i < files.size(); ++i)
        writer.AddFile("f" + std::to_string(i), files[i].data(), files[i].size());
    std::vector<uint8_t> out;
    EXPECT_TRUE(writer.WriteToMemory(out)) << writer.GetError();
    return out;
}

std::vector<uint8_t> SmallPak()
{
    PakWriter writer;
    writer.AddFile("levels/a.xml", "<a/>", 4);
    writer.AddFile("levels/B.bin", "bbbb", 4);
    writer.AddFile("Zeta", "zz", 2);
    writer.AddFile("empty", "", 0);
    std::vector<uint8_t> out;
    EXPECT_TRUE(writer.WriteToMemory(out)) << writer.GetError();
    return out;
}

} // namespace

TEST_F(PakMountTest, LooksNamesUpWithoutRegardToCase)
{
    ASSERT_TRUE(Mount(SmallPak()));
    EXPECT_EQ(Slurp("p/levels/a.xml"), "<a/>");
    EXPECT_EQ(Slurp("P/LEVELS/A.XML"), "<a/>");
    EXPECT_EQ(Slurp("p/levels/b.bin"), "bbbb");
    EXPECT_EQ(Slurp("p/zeta"), "zz");
    EXPECT_EQ(Slurp("p/empty"), "");
    EXPECT_EQ(Slurp("p/levels"), "<none>");
    EXPECT_EQ(Slurp("p/levels/a.xm"), "<none>");
    EXPECT_EQ(Slurp("p/"), "<none>");
}

TEST_F(PakMountTest, AnEmptyArchiveMountsAndFindsNothing)
{
    PakWriter writer;
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    ASSERT_TRUE(Mount(pak));
    EXPECT_EQ(Slurp("p/x"), "<none>");
    EXPECT_EQ(Slurp("p/"), "<none>");
}

TEST_F(PakMountTest, EntryFilesStayInsideTheirEntry)
{
    ASSERT_TRUE(Mount(SmallPak()));
    SmartPtr<File> file(Vfs::Open("p/levels/a.xml"));
    ASSERT_TRUE(file);
    char buffer[16] = {};
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 4); // never the next entry's bytes
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(file->Tell(), 4u);
    EXPECT_TRUE(file->Seek(-1, SeekableStream::FROM_START));
    EXPECT_EQ(file->Tell(), 0u);
    EXPECT_TRUE(file->Seek(14, SeekableStream::FROM_START));
    EXPECT_EQ(file->Tell(), 4u);
    EXPECT_TRUE(file->Seek(-2, SeekableStream::FROM_END));
    EXPECT_EQ(file->Read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], '/');
    EXPECT_TRUE(file->Seek(0, 9)); // unknown whence: position kept
    EXPECT_EQ(file->Tell(), 3u);
    EXPECT_EQ(file->Write(buffer, 1), 0u);
    EXPECT_FALSE(file->Flush());
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->IsOpen());
    EXPECT_EQ(file->Read(buffer, 1), 0);
    EXPECT_EQ(file->GetSize(), 0u);
    EXPECT_FALSE(file->Seek(0, SeekableStream::FROM_START));
}

TEST_F(PakMountTest, TwoFilesReadAlternatelyKeepTheirOwnPositions)
{
    PakWriter writer;
    std::vector<uint8_t> a = VornTest::TextBytes(5000, 1), b = VornTest::TextBytes(5000, 2);
    writer.AddFile("a", a.data(), a.size());
    writer.AddFile("b", b.data(), b.size());
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    ASSERT_TRUE(Mount(pak));
    SmartPtr<File> fa(Vfs::Open("p/a")), fb(Vfs::Open("p/b"));
    ASSERT_TRUE(fa && fb);
    std::vector<uint8_t> ra(5000), rb(5000);
    for (u32 at = 0; at < 5000; at += 250) {
        ASSERT_EQ(fa->Read(ra.data() + at, 250), 250);
        ASSERT_EQ(fb->Read(rb.data() + at, 250), 250);
    }
    EXPECT_EQ(ra, a);
    EXPECT_EQ(rb, b);
}

// More threads than the mount opens streams for: some reads wait for a stream, none mixes bytes.
TEST_F(PakMountTest, ThreadsReadDifferentEntriesSafely)
{
    const int THREADS = static_cast<int>(PakMount::MAX_DECODERS) * 2;
    PakWriter writer;
    std::vector<std::vector<uint8_t>> data;
    for (int i = 0; i < THREADS; ++i) {
        data.push_back(VornTest::TextBytes(40000, 10 + i));
        writer.AddFile("f" + std::to_string(i), data.back().data(), data.back().size());
    }
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    ASSERT_TRUE(Mount(pak));
    std::vector<std::thread> threads;
    std::vector<int> good(THREADS, 0);
    for (int i = 0; i < THREADS; ++i) {
        threads.emplace_back([&, i]() {
            SmartPtr<File> file(Vfs::Open(("p/f" + std::to_string(i)).c_str()));
            for (int round = 0; round < 5 && file; ++round) {
                std::vector<uint8_t> out(40000);
                file->Seek(0, SeekableStream::FROM_START);
                for (u32 at = 0; at < 40000; at += 1000)
                    file->Read(out.data() + at, 1000);
                good[i] += out == data[i];
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(good, std::vector<int>(THREADS, 5));
}

TEST_F(PakMountTest, AMissingFinalNulIsSupplied)
{
    // One entry "ab" whose name runs to the end of the table without a terminator.
    std::vector<uint8_t> content = Content(1, {{0, 22, 3}}, 2, "ab", "xyz");
    ASSERT_EQ(content.size(), 25u);
    ASSERT_TRUE(Mount(Wrap(content)));
    EXPECT_EQ(Slurp("p/ab"), "xyz");
}

TEST_F(PakMountTest, DamagedDirectoriesMountNothing)
{
    // Reference: two entries "a" and "b", names at 0 and 2, data at 36.
    ASSERT_EQ(Content(2, {{0, 36, 1}, {2, 37, 1}}, 4, std::string("a\0b\0", 4), "12").size(), 38u);
    ASSERT_TRUE(Mount(Wrap(Content(2, {{0, 36, 1}, {2, 37, 1}}, 4, std::string("a\0b\0", 4), "12"))));
    EXPECT_EQ(Slurp("p/b"), "2");

    struct Case {
        const char* what;
        std::vector<uint8_t> content;
    };
    const std::string names("a\0b\0", 4);
    const Case cases[] = {
        {"negative count", Content(-1, {}, 0, "", "")},
        {"count beyond the content", Content(1000000, {{0, 36, 1}, {2, 37, 1}}, 4, names, "12")},
        {"count of 2^30", Content(1 << 30, {{0, 36, 1}, {2, 37, 1}}, 4, names, "12")},
        {"name table beyond the content", Content(2, {{0, 36, 1}, {2, 37, 1}}, 4000000, names, "12")},
        {"empty name table", Content(2, {{0, 36, 1}, {2, 37, 1}}, 0, names, "12")},
        {"name offset outside the table", Content(2, {{0, 36, 1}, {4, 37, 1}}, 4, names, "12")},
        {"huge name offset", Content(2, {{0, 36, 1}, {0xFFFFFFF0u, 37, 1}}, 4, names, "12")},
        {"data beyond the content", Content(2, {{0, 36, 1}, {2, 37, 0x10000}}, 4, names, "12")},
        {"data offset wrapping around", Content(2, {{0, 36, 1}, {2, 0xFFFFFFFFu, 2}}, 4, names, "12")},
        {"names out of order", Content(2, {{2, 36, 1}, {0, 37, 1}}, 4, names, "12")},
        {"a count and nothing after it", Content(3, {}, 0, "", "")},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Mount(Wrap(c.content))) << c.what;
        EXPECT_FALSE(g_vfsStaticData->GetHead()) << c.what;
        PakMount direct("t.pak", "p/", 0);
        EXPECT_FALSE(direct.IsValid()) << c.what;
        EXPECT_EQ(direct.GetEntryCount(), 0u) << c.what;
        EXPECT_EQ(direct.FindEntry("a"), nullptr) << c.what;
    }
}

TEST_F(PakMountTest, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> pak = SmallPak();
    ASSERT_TRUE(Mount(pak));
    for (size_t length = 0; length < pak.size(); ++length)
        EXPECT_FALSE(Mount(std::vector<uint8_t>(pak.begin(), pak.begin() + length))) << length;
}

TEST_F(PakMountTest, FlippedBytesNeverCrash)
{
    // Every byte of the header, table and directory, each flipped in turn: either the archive is
    // refused, or it mounts and every listed entry reads without going out of bounds.
    for (auto mode : {BlockFileWriter::STORE_RAW, BlockFileWriter::STORE_CODED}) {
        PakWriter::Options options;
        options.blockSize = 1024;
        options.blocks = mode;
        options.table = mode;
        PakWriter writer(options);
        for (int i = 0; i < 6; ++i) {
            std::vector<uint8_t> data = VornTest::TextBytes(300 + 500 * i, 20 + i);
            writer.AddFile("dir/file" + std::to_string(i), data.data(), data.size());
        }
        std::vector<uint8_t> pak;
        ASSERT_TRUE(writer.WriteToMemory(pak));
        size_t limit = std::min<size_t>(pak.size(), 400);
        testing::internal::CaptureStderr(); // the damaged entries, said as they are read
        for (size_t at = 0; at < limit; ++at) {
            for (uint8_t mask : {0x01, 0x80, 0xFF}) {
                std::vector<uint8_t> bad = pak;
                bad[at] ^= mask;
                VornTest::WriteBytes(Sandbox::Native("t.pak"), bad);
                SmartPtr<PakMount> mount(new PakMount("t.pak", "", 0));
                for (u32 i = 0; i < mount->GetEntryCount(); ++i) {
                    SmartPtr<File> file(mount->Open(mount->GetName(*mount->GetEntry(i))));
                    ASSERT_TRUE(file);
                    std::vector<char> out(file->GetSize() + 16);
                    EXPECT_LE(file->Read(out.data(), static_cast<u32>(out.size())),
                              static_cast<s32>(file->GetSize()));
                }
            }
        }
        testing::internal::GetCapturedStderr();
    }
}

// Entry files tell where the archive's blocks end beneath them, so that readers can stop there;
// other files have no blocks.
TEST_F(PakMountTest, EntriesTellWhereTheArchivesBlocksEnd)
{
    PakWriter::Options options;
    options.blockSize = 1024;
    PakWriter writer(options);
    std::vector<uint8_t> a = VornTest::TextBytes(1500, 1), b = VornTest::TextBytes(5000, 2);
    writer.AddFile("a", a.data(), a.size());
    writer.AddFile("b", b.data(), b.size());
    std::vector<uint8_t> pak;
    ASSERT_TRUE(writer.WriteToMemory(pak));
    ASSERT_TRUE(Mount(pak));
    SmartPtr<File> file(Vfs::Open("p/b"));
    ASSERT_TRUE(file);
    u32 blockSize = 0;
    const u32 first = file->BytesToBlockEnd(0, blockSize);
    EXPECT_EQ(blockSize, 1024u);
    ASSERT_GE(first, 1u);
    ASSERT_LE(first, 1024u);
    for (u32 p = 0; p < 5000; ++p) {
        const u32 left = file->BytesToBlockEnd(p, blockSize);
        // Counting down to each block end, then a whole block from there.
        ASSERT_EQ(left, p < first ? first - p : 1024 - (p - first) % 1024) << p;
    }
    // Reading to the block ends gives the entry's bytes as they are.
    std::vector<uint8_t> got;
    for (u32 p = 0; p < 5000;) {
        std::vector<uint8_t> piece(file->BytesToBlockEnd(p, blockSize));
        const s32 n = file->Read(piece.data(), static_cast<u32>(piece.size()));
        ASSERT_GT(n, 0);
        got.insert(got.end(), piece.begin(), piece.begin() + n);
        p += static_cast<u32>(n);
    }
    EXPECT_EQ(got, b);
    VornTest::WriteBytes(Sandbox::Native("plain.txt"), a);
    ASSERT_TRUE(Vfs::MountNative("", "n/", 0));
    SmartPtr<File> plain(Vfs::Open("n/plain.txt"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->BytesToBlockEnd(10, blockSize), 0u);
    EXPECT_EQ(blockSize, 0u);
}

// An archive replaced by rename while mounted, as the data builder and package upgrades replace
// them: every stream of the mount, also those opened after the replace for a second thread, reads
// the file that was mounted, which the mount's directory describes.
TEST_F(PakMountTest, AnArchiveReplacedWhileMountedIsReadAsMounted)
{
    const std::vector<std::vector<uint8_t>> files = {VornTest::TextBytes(150000, 1), VornTest::TextBytes(150000, 2)};
    ASSERT_TRUE(Mount(PakOf(files)));
    ASSERT_TRUE(VornTest::WriteBytes(Sandbox::Native("new.pak"), SmallPak()));
    ASSERT_EQ(std::rename(Sandbox::Native("new.pak").c_str(), Sandbox::Native("t.pak").c_str()), 0);
    int wrong[2] = {0, 0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t]() {
            SmartPtr<File> file(Vfs::Open(("p/f" + std::to_string(t)).c_str()));
            std::vector<uint8_t> piece(3000);
            for (int round = 0; round < 200; ++round) {
                const u32 at = static_cast<u32>(round * 7919 % (files[t].size() - piece.size()));
                wrong[t] += !file || !file->Seek(static_cast<int>(at), SeekableStream::FROM_START) ||
                            file->Read(piece.data(), 3000) != 3000 ||
                            !std::equal(piece.begin(), piece.end(), files[t].begin() + at);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
}

// A member whose block does not decode is said once on stderr, naming the archive and the member,
// however often it is read and whoever else finds it damaged; the other members read on.
TEST_F(PakMountTest, ADamagedMemberIsSaidOnceNamingTheArchiveAndTheMember)
{
    PakWriter::Options options;
    options.blockSize = 1024;
    options.blocks = BlockFileWriter::STORE_CODED;
    options.table = BlockFileWriter::STORE_RAW;
    const std::vector<std::vector<uint8_t>> files = {VornTest::TextBytes(3000, 1), VornTest::TextBytes(3000, 2)};
    std::vector<uint8_t> pak = PakOf(files, options);
    // The middle of the stored bytes of the last block, which only f1's bytes fill.
    const u32 dataOffset = LoadLE32(pak.data());
    const size_t blocks = static_cast<size_t>(-static_cast<s32>(LoadLE32(pak.data() + 8))) / 4;
    const u32 lastStart = LoadLE32(pak.data() + BlockFileWriter::HEADER_SIZE + 4 * (blocks - 2)) & 0x7FFFFFFFu;
    pak[dataOffset + lastStart + 40] ^= 0x08;
    ASSERT_TRUE(Mount(pak));
    char path[PATH_MAX];
    ASSERT_TRUE(realpath(Sandbox::Native("t.pak").c_str(), path));

    testing::internal::CaptureStderr();
    EXPECT_EQ(Slurp("p/f0"), std::string(files[0].begin(), files[0].end()));
    EXPECT_LT(Slurp("p/f1").size(), files[1].size());
    EXPECT_LT(Slurp("p/F1").size(), files[1].size());
    SmartPtr<File> again(Vfs::Open("p/f1"));
    ASSERT_TRUE(again);
    again->ReportDamage("its reader refuses it");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string(program_invocation_short_name) + ": " + path + ": f1 is damaged (block " +
                  std::to_string(blocks - 1) + " of the archive does not decode)\n");
}
