// Staged loading: which atlases and images each stage asks for at each base size, the fonts of
// stage 8, the per-level tables of stage 9, and stage numbers that are no stage.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Image.h"
#include "base/AssetDict.h"
#include "support/BoardWorld.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

// Serves nothing on "device/" and notes every path asked for.
class RecordingMount final : public Vorn::VfsMount {
public:
    RecordingMount() : Vorn::VfsMount("device/", 0) {}
    Vorn::File* Open(const char* path) override
    {
        opened.insert(path);
        return nullptr;
    }
    Vorn::File* OpenWrite(const char*) override { return nullptr; }

    std::set<std::string> opened;
};

class LoadStages : public ::testing::Test {
protected:
    void Start(int width, int height)
    {
        world.reset();
        world.reset(new BoardWorld(width, height));
        Content::s_images.clear();
        mount = new RecordingMount();
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), mount.Get()));
        Vorn::g_assetDict = new Vorn::AssetDict();
    }

    void TearDown() override
    {
        Vorn::g_assetDict = nullptr;
        world.reset();
    }

    // Whether any file of the atlas (its description or its picture) was looked for.
    bool Asked(const std::string& atlas) const
    {
        const std::string stem = atlas.substr(0, atlas.size() - 3);
        for (const std::string& path : mount->opened)
            if (path.rfind(stem, 0) == 0)
                return true;
        return false;
    }
    static bool Cached(int id) { return Content::s_images.count(id) != 0; }

    std::unique_ptr<BoardWorld> world;
    Vorn::SmartPtr<RecordingMount> mount;
};

} // namespace

TEST_F(LoadStages, TheFourthInterfaceAtlasOnlyFromSixHundredWide)
{
    Start(480, 800);
    world->game().LoadStep(1);
    EXPECT_TRUE(Asked("atlas_ui.xml"));
    EXPECT_TRUE(Asked("atlas_ui2.xml"));
    EXPECT_TRUE(Asked("atlas_ui3.xml"));
    EXPECT_FALSE(Asked("atlas_ui4.xml"));
    EXPECT_TRUE(Cached(Consts::THEME_LOGOS[0]));

    Start(600, 1024);
    world->game().LoadStep(1);
    EXPECT_TRUE(Asked("atlas_ui3.xml"));
    EXPECT_TRUE(Asked("atlas_ui4.xml"));
}

TEST_F(LoadStages, TheSmallGridOnlyAtTenTwentyFourHigh)
{
    Start(480, 800);
    world->game().LoadStep(3);
    EXPECT_TRUE(Cached(41));
    EXPECT_TRUE(Cached(42));
    EXPECT_TRUE(Cached(Consts::THEME_LINES_VERTICAL[0]));
    EXPECT_FALSE(Cached(43));

    Start(600, 1024);
    world->game().LoadStep(3);
    EXPECT_TRUE(Cached(43));
}

TEST_F(LoadStages, StagesTakeTheImagesOfTheThemeInUse)
{
    Start(480, 800);
    Game::theme = 5;
    world->game().LoadStep(2);
    world->game().LoadStep(7);
    EXPECT_TRUE(Cached(Consts::THEME_BACKGROUND[5]));
    EXPECT_FALSE(Cached(Consts::THEME_BACKGROUND[0]));
    for (int type = 0; type < 28; ++type)
        EXPECT_TRUE(Cached(Consts::THEME_BLOCKS[5] + type)) << type;
    world->game().LoadStep(5);
    EXPECT_TRUE(Asked("atlas_blocksZombie.xml"));
    EXPECT_TRUE(Cached(54));
    EXPECT_TRUE(Cached(58));
    Game::theme = 0;
}

TEST_F(LoadStages, NumbersOutsideTheStagesDoNothing)
{
    Start(480, 800);
    Game& game = world->game();
    for (int step : {-1, 10, 11, 1000}) {
        game.LoadStep(step);
        EXPECT_TRUE(Content::s_images.empty()) << step;
        EXPECT_TRUE(mount->opened.empty()) << step;
        EXPECT_FALSE(game.font);
    }
}

TEST_F(LoadStages, FontsLoadedTwiceLeaveOnePair)
{
    Start(480, 800);
    Game& game = world->game();
    game.LoadStep(8);
    ASSERT_TRUE(game.font);
    ASSERT_TRUE(game.smallFont);
    EXPECT_EQ(game.font->fontIndex, Consts::THEME_FONT[0]);
    EXPECT_EQ(game.smallFont->fontIndex, Consts::THEME_FONT_SMALL[0]);
    Vorn::SmartPtr<GLFont> first = game.font;
    Vorn::SmartPtr<GLFont> firstSmall = game.smallFont;
    game.LoadStep(8);
    EXPECT_NE(game.font, first);
    EXPECT_NE(game.smallFont, firstSmall);
    // Only this test still holds the first pair.
    EXPECT_EQ(first->GetRefCount(), 1);
    EXPECT_EQ(firstSmall->GetRefCount(), 1);
}

TEST_F(LoadStages, TheLastStageFillsEveryLevelsTables)
{
    Start(480, 800);
    Game& game = world->game();
    LevelDesign design;
    design.x0 = 3;
    design.y0 = 1;
    design.rows = {"##", "##"};
    design.tray = {{0, 12, 0}};
    design.solutions = {{{0, 3, 1}}};
    world->InstallLevel(7, design);
    game.levelSolutions[7] = SolutionTable();
    game.LoadStep(9);
    EXPECT_EQ(game.levelSolutions[7].Count(), 1);
    EXPECT_EQ(game.GetSolutionX(7, 0, 0), 3);
    EXPECT_FALSE(game.levelOutlines[7].empty());
    // An absent level has an empty outline and no solutions.
    EXPECT_TRUE(game.levelOutlines[8].empty());
    EXPECT_EQ(game.levelSolutions[8].Count(), 0);
}

TEST(LoadPaths, DevicePathPrefixesTheResolutionMount)
{
    EXPECT_EQ(Game::DevicePath("atlas_ui.xml"), "device/atlas_ui.xml");
}
