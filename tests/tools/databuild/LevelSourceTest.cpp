#include "LevelSource.h"

#include "Files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
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

// A folder of the test's own, removed with what it holds.
struct Folder {
    std::string path = (std::filesystem::temp_directory_path() / "levelsource-XXXXXX").string();
    Folder() { EXPECT_TRUE(mkdtemp(path.data())); }
    ~Folder() { std::error_code ec; std::filesystem::remove_all(path, ec); }
};

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

    // Written through a link past a file size limit (SIGXFSZ ignored, as by the builder): said,
    // and the file, the link and the folder are left as they were. Within the limit the file is
    // replaced and the link stays.
    Folder folder;
    const std::string file = folder.path + "/level", link = folder.path + "/link";
    ASSERT_TRUE(WriteWholeFile(file, std::string("old"), error)) << error;
    std::filesystem::create_symlink("level", link);
    const auto left = [&] {
        std::string content, unread;
        ReadWholeFile(file, content, unread);
        const auto entries = std::distance(std::filesystem::directory_iterator(folder.path), {});
        return std::filesystem::is_symlink(link) && entries == 2 ? content : "changed around it";
    };
    rlimit unlimited;
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit limit = {4, unlimited.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = WriteWholeFile(link, std::string("longer"), error);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, link + ": cannot be written: File too large");
    EXPECT_EQ(left(), "old");
    ASSERT_TRUE(WriteWholeFile(link, std::string("new"), error)) << error;
    EXPECT_EQ(left(), "new");

    // What is no regular file (a device) is written into, never replaced: a pipe of the test's
    // own stands in for one.
    const std::string pipe = folder.path + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    char got[8] = {};
    EXPECT_TRUE(WriteWholeFile(pipe, std::string("level"), error) && read(reader, got, 8) == 5);
    close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe) && std::string(got) == "level") << got;
}
