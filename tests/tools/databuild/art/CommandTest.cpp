#include "Command.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

using namespace DataBuild;

namespace {

const std::string TEXTS_DIR = std::string(VORN_SOURCE_DIR) + "/data/texts";

std::filesystem::path TempDir(const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("tessela_art_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    return dir;
}

} // namespace

TEST(ArtCommand, StagesTheArchiveContent)
{
    const std::filesystem::path out = TempDir("stage");
    ASSERT_EQ(RunCommandLine({"art", "240", TEXTS_DIR, out.string(), "--jobs", "2"}), 0);
    for (const char* name : {"atlas_ui.xml", "atlas_ui.png", "atlas_blocksZombie.xml", "vorn_on_black.png",
                             "ver03_on_white.png", "ui/background.png", "ui/bg_hell_red.png",
                             "fonts/efigs/glfonts/font.png", "fonts/efigs/glfonts/font_small.xml",
                             "fonts/efigs/glfontsBeach/font.xml"})
        EXPECT_TRUE(std::filesystem::is_regular_file(out / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(out / "atlas_ui4.xml"));
    std::filesystem::remove_all(out);
}

TEST(ArtCommand, RefusesBadArguments)
{
    const std::filesystem::path out = TempDir("bad");
    EXPECT_EQ(RunCommandLine({"art", "500", TEXTS_DIR, out.string()}), 1);
    EXPECT_EQ(RunCommandLine({"art", "240", TEXTS_DIR}), 2);
    EXPECT_EQ(RunCommandLine({"art", "240", TEXTS_DIR, out.string(), "--jobs", "0"}), 2);
    EXPECT_EQ(RunCommandLine({"art", "240", "/nonexistent", out.string()}), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ArtCommand, PreviewWritesAContactSheetPerThemeAndSize)
{
    const std::filesystem::path out = TempDir("preview");
    ASSERT_EQ(RunCommandLine({"preview", "art", TEXTS_DIR, out.string(), "--size", "240", "--theme", "4",
                              "--screens"}),
              0);
    for (const char* name : {"art_4_240.png", "art_4_240_menu.png", "art_4_240_play.png", "art_4_240_settings.png"})
        EXPECT_TRUE(std::filesystem::is_regular_file(out / name)) << name;
    EXPECT_EQ(RunCommandLine({"preview", "art", TEXTS_DIR, out.string(), "--size", "123"}), 1);
    // A theme that is no theme's number is a usage error, never theme 0.
    for (const char* theme : {"beach", "8", "-1", "1x", ""})
        EXPECT_EQ(RunCommandLine({"preview", "art", TEXTS_DIR, out.string(), "--theme", theme}), 2) << theme;
    // A level folder that is not there writes no sheet of unreadable tiles.
    EXPECT_EQ(RunCommandLine({"preview", "levels", "/nonexistent", (out / "levels.png").string()}), 1);
    EXPECT_FALSE(std::filesystem::exists(out / "levels.png"));
    std::filesystem::remove_all(out);
}
