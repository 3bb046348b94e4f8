// The common archive the build produced, read back through the engine's own file system.
#include "BinaryFiles.h"
#include "LevelFile.h"
#include "base/SmartPtr.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string PAK = std::string(VORN_BINARY_DIR) + "/data/data_common.pak";

class CommonPak : public ::testing::Test {
protected:
    void SetUp() override
    {
        FILE* probe = std::fopen(PAK.c_str(), "rb");
        if (!probe)
            GTEST_SKIP() << "no " << PAK << " (data build switched off)";
        std::fclose(probe);
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
