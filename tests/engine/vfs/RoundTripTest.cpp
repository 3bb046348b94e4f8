// A large archive written by the pak writer and read back byte for byte through the Vfs.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/Sandbox.h"
#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using VornTest::Sandbox;

namespace {

const size_t MIB = 1024 * 1024;

// Mostly small files, some medium, a few up to 1 MiB; about 15 MiB in all.
size_t PickSize(std::mt19937& rng, size_t index)
{
    if (index == 0)
        return 0;
    if (index == 1)
        return MIB;
    u32 r = rng() % 1000;
    if (r < 800)
        return rng() % 4096;
    if (r < 970)
        return 4096 + rng() % (60 * 1024);
    if (r < 995)
        return 64 * 1024 + rng() % (400 * 1024);
    return 512 * 1024 + rng() % (MIB - 512 * 1024 + 1);
}

} // namespace

TEST(PakRoundTrip, EveryByteOfAThousandFilesReadsBack)
{
    Sandbox sandbox;
    std::mt19937 rng(20240601);
    VornTools::PakWriter::Options options;
    options.level = 1; // the archive's format, not the encoder's effort, is what is tested here
    VornTools::PakWriter writer(options);

    const size_t fileCount = 1100;
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> contents;
    for (size_t i = 0; i < fileCount; ++i) {
        size_t size = PickSize(rng, i);
        // Half compress well, half not: the archive gets both coded and raw blocks.
        std::vector<uint8_t> data = (i % 2) ? VornTest::RandomBytes(size, static_cast<u32>(i))
                                            : VornTest::TextBytes(size, static_cast<u32>(i));
        std::string name = "dir" + std::to_string(i % 7) + "/File_" + std::to_string(i) + ".bin";
        ASSERT_TRUE(writer.AddFile(name, data.data(), data.size())) << writer.GetError();
        names.push_back(name);
        contents.push_back(std::move(data));
    }
    ASSERT_TRUE(writer.Write(Sandbox::Native("big.pak"))) << writer.GetError();
    const VornTools::BlockFileWriter::Stats& stats = writer.GetStats();
    EXPECT_GT(stats.codedBlocks, 0u);
    EXPECT_LT(stats.codedBlocks, stats.blockCount);
    ASSERT_TRUE(Vfs::MountPak("big.pak", "data/", 0));

    // Every file whole, in reads of random lengths, looked up in a different case.
    for (size_t i = 0; i < fileCount; ++i) {
        std::string upper = "DATA/" + names[i];
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        SmartPtr<File> file(Vfs::Open(upper.c_str()));
        ASSERT_TRUE(file) << names[i];
        ASSERT_EQ(file->GetSize(), contents[i].size()) << names[i];
        std::vector<uint8_t> out(contents[i].size());
        size_t at = 0;
        while (at < out.size()) {
            u32 want = 1 + rng() % 70000;
            s32 got = file->Read(out.data() + at, std::min<u32>(want, static_cast<u32>(out.size() - at)));
            ASSERT_GT(got, 0) << names[i] << " at " << at;
            at += static_cast<size_t>(got);
        }
        char extra;
        EXPECT_EQ(file->Read(&extra, 1), 0);
        ASSERT_TRUE(out == contents[i]) << names[i];
    }

    // Random files, offsets and lengths, interleaved so that blocks are restarted often.
    std::vector<SmartPtr<File>> open;
    for (size_t i = 0; i < fileCount; ++i)
        open.push_back(Vfs::Open(("data/" + names[i]).c_str()));
    for (int probe = 0; probe < 1500; ++probe) {
        size_t i = rng() % fileCount;
        const std::vector<uint8_t>& expected = contents[i];
        u32 offset = expected.empty() ? 0 : rng() % (expected.size() + 1);
        u32 length = rng() % 20000;
        ASSERT_TRUE(open[i]->Seek(static_cast<int>(offset), SeekableStream::FROM_START));
        std::vector<uint8_t> out(length);
        s32 got = open[i]->Read(out.data(), length);
        u32 available = static_cast<u32>(expected.size()) - offset;
        ASSERT_EQ(got, static_cast<s32>(std::min(length, available))) << names[i];
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + got, expected.begin() + offset))
            << names[i] << " at " << offset << " length " << length;
    }
}
