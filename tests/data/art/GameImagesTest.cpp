// The images the game's loading stages take, for every theme at every base size, read from the
// archive the data build made for that size: a picture the game asks for and the archive lacks
// would be drawn as nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "Content.h"
#include "Game.h"
#include "Image.h"
#include "ImageTable.h"
#include "base/AssetDict.h"
#include "support/BoardWorld.h"
#include "support/BuiltData.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

namespace {

// The stages that load pictures and atlases; the later ones read texts and level tables.
constexpr int IMAGE_STAGES = 8;

std::string ArchivePath(int width)
{
    return VornTest::BuiltData("data_" + std::to_string(width) + ".pak");
}

class GameImages : public ::testing::TestWithParam<std::pair<int, int>> {
protected:
    void SetUp() override
    {
        VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({ArchivePath(GetParam().first)}));
    }

    void TearDown() override
    {
        Content::s_images.clear();
        Vorn::g_assetDict = nullptr;
        Game::theme = 0;
    }
};

} // namespace

TEST_P(GameImages, EveryImageTheLoadingStagesTakeIsInTheArchive)
{
    const int width = GetParam().first, height = GetParam().second;
    for (int theme = 0; theme < ImageTable::THEMES; ++theme) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << " theme " << theme);
        VornTest::BoardWorld world(width, height);
        Vorn::SmartPtr<Vorn::PakMount> archive(new Vorn::PakMount(
            ArchivePath(width).c_str(), "device/", 0, Vorn::PakMount::NATIVE_PATH));
        ASSERT_TRUE(archive->IsValid());
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), archive.Get()));
        Vorn::g_assetDict = new Vorn::AssetDict();
        Content::SetImagePath("");
        Content::s_images.clear();
        Game::theme = theme;
        for (int stage = 0; stage < IMAGE_STAGES; ++stage)
            world.game().LoadStep(stage);

        // The stages take the theme's background, logo and blocks at least.
        EXPECT_GT(Content::s_images.size(), static_cast<size_t>(ImageTable::BLOCK_TYPES + 2));
        for (const auto& entry : Content::s_images) {
            ASSERT_TRUE(entry.second) << entry.first;
            EXPECT_TRUE(entry.second->surface)
                << entry.first << " " << ImageTable::FileName(entry.first);
            EXPECT_GT(entry.second->width, 0) << entry.first;
            EXPECT_GT(entry.second->height, 0) << entry.first;
        }
        Content::s_images.clear();
        Vorn::g_assetDict = nullptr;
    }
}

INSTANTIATE_TEST_SUITE_P(BaseSizes, GameImages,
                         ::testing::Values(std::make_pair(240, 320), std::make_pair(320, 480),
                                           std::make_pair(480, 800), std::make_pair(600, 1024)));
