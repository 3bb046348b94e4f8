#include "LevelSource.h"

#include "Files.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace DataBuild;

namespace {

std::string Error(const std::string& text)
{
    LevelSource source;
    std::string error;
    EXPECT_FALSE(ParseLevelSource(text, source, error)) << text;
    return error;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(LevelSource, ReadsTheDrawingTrimmedToItsCells)
{
    LevelSource source;
    std::string error;
    const std::string text = "; a comment: with a colon, still a comment? no: see below\n"
                             "; Just words.\n"
                             ";   shift: left\n"
                             "; difficulty: 7\n"
                             "......\n"
                             "..##..  \n"
                             "..#.#\r\n"
                             "..###\n"
                             "\n"
                             "\n";
    // "a comment: ..." has a space in its key, so it is a comment, not an unknown option.
    ASSERT_TRUE(ParseLevelSource(text, source, error)) << error;
    EXPECT_EQ(source.width, 3);
    EXPECT_EQ(source.height, 3);
    EXPECT_EQ(source.CellCount(), 7);
    EXPECT_TRUE(source.At(0, 0));
    EXPECT_TRUE(source.At(1, 0));
    EXPECT_FALSE(source.At(2, 0)); // the short first row counts as '.'
    EXPECT_FALSE(source.At(1, 1)); // the hole
    EXPECT_FALSE(source.At(3, 0));
    EXPECT_FALSE(source.At(-1, 0));
    EXPECT_EQ(source.shift, LevelSource::SHIFT_LEFT);
    EXPECT_EQ(source.difficulty, 7);
}

TEST(LevelSource, RefusesBadOptionsAndCharacters)
{
    EXPECT_TRUE(Contains(Error("; shfit: left\n##\n"), "unknown option 'shfit'"));
    EXPECT_TRUE(Contains(Error("; shift: up\n##\n"), "shift must be"));
    EXPECT_TRUE(Contains(Error("; difficulty: 11\n##\n"), "difficulty"));
    EXPECT_TRUE(Contains(Error("; difficulty: 0\n##\n"), "difficulty"));
    EXPECT_TRUE(Contains(Error("; difficulty: x\n##\n"), "difficulty"));
    EXPECT_TRUE(Contains(Error("##\n#x\n"), "line 2"));
    EXPECT_TRUE(Contains(Error("##\n\n##\n"), "empty line inside"));
    EXPECT_TRUE(Contains(Error("##\n; late\n"), "before the drawing"));
    EXPECT_TRUE(Contains(Error("; only a header\n....\n"), "no cell"));
    EXPECT_TRUE(Contains(Error(""), "no cell"));
}

TEST(LevelSource, RefusesOutlinesBeyondTheLimits)
{
    // An outline keeps half a cell clear of both screen edges: 10 columns, 11 when shifted.
    EXPECT_TRUE(Contains(Error(std::string(11, '#') + "\n"), "11 cells wide"));
    EXPECT_TRUE(Contains(Error("; shift: right\n" + std::string(12, '#') + "\n"), "half-cell"));
    std::string tall;
    for (int row = 0; row < 12; ++row)
        tall += "#\n";
    EXPECT_TRUE(Contains(Error(tall), "12 rows high"));
    std::string big;
    for (int row = 0; row < 8; ++row)
        big += std::string(10, '#') + "\n"; // 80 cells
    EXPECT_TRUE(Contains(Error(big), "80 cells"));
    EXPECT_TRUE(Contains(Error("#.#\n"), "not one piece"));
    EXPECT_TRUE(Contains(Error("#.\n.#\n"), "not one piece")); // corners do not join

    // The limits themselves pass.
    LevelSource source;
    std::string error, edge;
    for (int row = 0; row < 6; ++row)
        edge += std::string(10, '#') + "\n";
    edge += "##\n";
    EXPECT_TRUE(ParseLevelSource(edge, source, error)) << error;
    EXPECT_EQ(source.CellCount(), 62);
    EXPECT_TRUE(ParseLevelSource("; shift: left\n" + std::string(11, '#') + "\n", source, error))
        << error;
}

// The builder's files that cannot be read or written are said by name, with the reason.
TEST(LevelSource, ReportsUnreadableFilesByNameAndReason)
{
    LevelSource source;
    std::string error;
    EXPECT_FALSE(LoadLevelSource("/nonexistent/dir/x.txt", source, error));
    EXPECT_EQ(error, "/nonexistent/dir/x.txt: cannot be read: No such file or directory");
    EXPECT_FALSE(LoadLevelSource("/", source, error));
    EXPECT_EQ(error, "/: cannot be read: Is a directory");
    // A full disk, and a device is not removed as a half-written file would be.
    EXPECT_FALSE(WriteWholeFile("/dev/full", std::string("level"), error));
    EXPECT_EQ(error, "/dev/full: cannot be written: No space left on device");
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}
