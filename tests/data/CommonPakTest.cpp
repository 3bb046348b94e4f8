// The common archive the build produced, read back through the engine's own file system.
#include "BinaryFiles.h"
#include "LevelFile.h"
#include "base/SmartPtr.h"
#include "support/BuiltData.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string PAK = VornTest::BuiltData("data_common.pak");

class CommonPak : public ::testing::Test {
protected:
    void SetUp() override
    {
        VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({PAK}));
        m_pak = new Vorn::PakMount(PAK.c_str(), "common/", 0, Vorn::PakMount::NATIVE_PATH);
        ASSERT_TRUE(m_pak->IsValid());
        Vorn::Vfs::Init();
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), m_pak.Get()));
    }
    void TearDown() override { Vorn::Vfs::Shutdown(); }

    static bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes)
    {
        Vorn::SmartPtr<Vorn::File> file(Vorn::Vfs::Open(path.c_str()));
        if (!file)
            return false;
        bytes.resize(file->GetSize());
        size_t used = 0;
        while (used < bytes.size()) {
            const Vorn::s32 got = file->Read(bytes.data() + used,
                                             static_cast<Vorn::u32>(bytes.size() - used));
            if (got <= 0)
                return false;
            used += static_cast<size_t>(got);
        }
        return true;
    }

    Vorn::SmartPtr<Vorn::PakMount> m_pak;
};

} // namespace

TEST_F(CommonPak, HoldsEveryLevelAsTheGameReadsIt)
{
    BinaryFiles::Init();
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        // The path the game builds: the level directory, "/", then the table's name.
        const std::string path = "common/levels/android_full/" + BinaryFiles::files[level];
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadAll(path, bytes)) << path;
        LevelFile file;
        ASSERT_TRUE(file.Parse(bytes.data(), bytes.size())) << path;
        EXPECT_GE(file.solutionCount, 1) << path;
        EXPECT_LE(file.storedSolutions, 63) << path;
    }
}

TEST_F(CommonPak, HoldsTheTextsAndSounds)
{
    std::vector<uint8_t> bytes;
    for (const char* language : {"en", "fr", "it", "de", "es"}) {
        const std::string path = std::string("common/texts/") + language + ".xml";
        EXPECT_TRUE(ReadAll(path, bytes) && !bytes.empty()) << path;
    }
    for (const char* sound : {"music", "musichelloween", "drop", "single", "whole", "eraser"}) {
        const std::string path = std::string("common/sounds/") + sound + ".ogg";
        EXPECT_TRUE(ReadAll(path, bytes) && bytes.size() > 4) << path;
        if (bytes.size() > 4) {
            EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "OggS") << path;
        }
    }
}

// The game streams its music while it plays: the data builder gives each piece of music blocks of
// its own, so that a stream reading block by block starts at one and meets no other file's bytes.
TEST_F(CommonPak, StartsEveryPieceOfMusicOnABlockOfItsOwn)
{
    int musicFiles = 0;
    for (Vorn::u32 i = 0; i < m_pak->GetEntryCount(); ++i) {
        const Vorn::PakMount::Entry& entry = *m_pak->GetEntry(i);
        const std::string name = m_pak->GetName(entry);
        if (name.compare(0, 12, "sounds/music") != 0 || entry.size == 0)
            continue;
        ++musicFiles;
        Vorn::SmartPtr<Vorn::File> file(Vorn::Vfs::Open(("common/" + name).c_str()));
        ASSERT_TRUE(file) << name;
        Vorn::u32 blockSize = 0;
        const Vorn::u32 toEnd = file->BytesToBlockEnd(0, blockSize);
        ASSERT_GT(blockSize, 0u) << name;
        EXPECT_EQ(toEnd, blockSize) << name;
        EXPECT_EQ(entry.dataOffset % blockSize, 0u) << name;
        // No other file's bytes in the blocks from its first to its last.
        const Vorn::u64 firstBlock = entry.dataOffset / blockSize;
        const Vorn::u64 lastBlock = (static_cast<Vorn::u64>(entry.dataOffset) + entry.size - 1) / blockSize;
        for (Vorn::u32 j = 0; j < m_pak->GetEntryCount(); ++j) {
            const Vorn::PakMount::Entry& other = *m_pak->GetEntry(j);
            if (j == i || other.size == 0)
                continue;
            const Vorn::u64 otherFirst = other.dataOffset / blockSize;
            const Vorn::u64 otherLast = (static_cast<Vorn::u64>(other.dataOffset) + other.size - 1) / blockSize;
            EXPECT_TRUE(otherLast < firstBlock || otherFirst > lastBlock)
                << name << " shares a block with " << m_pak->GetName(other);
        }
    }
    EXPECT_EQ(musicFiles, 2);
}
