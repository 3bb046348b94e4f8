#include "LevelSource.h"

#include "Files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/FileSizeLimit.h"

#include <csignal>
#include <filesystem>
#include <functional>

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
    {
        const VornTest::FileSizeLimit limit(4);
        EXPECT_FALSE(WriteWholeFile(link, std::string("longer"), error));
    }
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

// A file is replaced whole where that is safe; where renaming would harm, it is written in place;
// what may not be written is refused and left as it was. Each row makes a file (or a link) in a
// folder of its own, writes "new" to the path it gives, and checks what is left.
TEST(LevelSource, WritesAFileInPlaceWhereReplacingItWouldHarm)
{
    const bool root = geteuid() == 0;
    const auto content = [](const std::string& path) {
        std::string bytes, unread;
        return ReadWholeFile(path, bytes, unread) ? bytes : "unreadable";
    };
    const auto owner = [](const std::string& path) {
        struct stat info = {};
        stat(path.c_str(), &info);
        return std::make_pair(info.st_ino, info.st_uid);
    };
    const std::string name(250, 'n');
    struct Row {
        const char* what;
        std::function<std::string()> make;  // the path to write
        std::string error;                  // how the refusal ends, or ""
        std::function<bool()> left;         // what is left is right
        bool replaced;  // a new file in its place (root may make one where others may not)
    } rows[] = {
        {"its own", [] { return "f"; }, "", [&] { return content("f") == "new"; }, true},
        {"another link", [] { return link("f", "g") == 0 ? "f" : ""; }, "", [&] { return content("g") == "new"; }, false},
        {"another owner", [root] { return root && chown("f", 65534, 65534) == 0 ? "f" : ""; }, "",
         [&] { return content("f") == "new" && owner("f").second == 65534; }, false},
        {"read-only", [] { return chmod("f", 0444) == 0 ? "f" : ""; }, root ? "" : "f: cannot be written: Permission denied",
         [&] { return content("f") == (root ? "new" : "old"); }, root},
        {"a long name", [&] { return rename("f", name.c_str()) == 0 ? name : ""; }, "", [&] { return content(name) == "new"; }, false},
        {"in a read-only folder", [] { return chmod(".", 0555) == 0 ? "f" : ""; }, "",
         [&] { return chmod(".", 0755) == 0 && content("f") == "new"; }, root},
        {"a link to nothing", [] { return symlink("gone/f", "l") == 0 ? "l" : ""; },
         "l: cannot be written: it is a symbolic link to gone/f, which does not exist",
         [] { return !std::filesystem::exists("gone"); }, false},
    };
    const std::string home = std::filesystem::current_path();
    for (const Row& row : rows) {
        Folder folder;
        std::string error;
        ASSERT_EQ(chdir(folder.path.c_str()), 0);
        ASSERT_TRUE(WriteWholeFile("f", std::string("old"), error)) << error;
        const std::string path = row.make();
        const auto before = owner(path);
        if (!path.empty()) {
            EXPECT_EQ(WriteWholeFile(path, std::string("new"), error), row.error.empty()) << row.what;
            EXPECT_EQ(row.error.empty() ? "" : error, row.error) << row.what;
            EXPECT_TRUE(row.left()) << row.what;
            EXPECT_EQ(before != owner(path), row.replaced) << row.what;
        }
        ASSERT_EQ(chdir(home.c_str()), 0);
    }
}
