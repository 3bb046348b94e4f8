// The save area: flat names, and saves that replace the old file only once completely written.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/FileSizeLimit.h"
#include "support/Sandbox.h"
#include "base/SmartPtr.h"
#include "vfs/Vfs.h"
#include "vfs/playbook/PlaybookGameSaveFile.h"

using namespace Vorn;
using VornTest::Sandbox;

namespace {

std::string Content(const std::string& path)
{
    std::vector<uint8_t> bytes = VornTest::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(SaveFile, PathsAreFlattenedIntoTheDataDirectory)
{
    Sandbox sandbox;
    EXPECT_EQ(PlaybookGameSaveFile::MapPath("./a/b"), "./data/._a_b");
    VornTest::WriteText(Sandbox::Data("._a_b"), "saved");
    PlaybookGameSaveFile file;
    ASSERT_TRUE(file.Open("./a/b"));
    EXPECT_EQ(file.GetSize(), 5u);

    // Through the mount the game makes: "./" on "save/" with both flags.
    ASSERT_TRUE(Vfs::MountNative("./", "save/", VfsMount::FALL_THROUGH | VfsMount::SAVE_STORAGE));
    SmartPtr<File> viaVfs(Vfs::Open("save/a/b"));
    ASSERT_TRUE(viaVfs);
    EXPECT_EQ(viaVfs->GetSize(), 5u);
    SmartPtr<File> written(Vfs::OpenWrite("save/profiles"));
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->WriteString("p"));
    written.Reset();
    EXPECT_EQ(Content(Sandbox::Data("._profiles")), "p");
}

TEST(SaveFile, TheTargetChangesOnlyWhenTheFileIsClosed)
{
    Sandbox sandbox;
    const std::string target = Sandbox::Data("._s");
    VornTest::WriteText(target, "old save");
    SmartPtr<File> file(new PlaybookGameSaveFile());
    ASSERT_TRUE(file->OpenWrite("./s"));
    EXPECT_TRUE(file->WriteString("new save, longer"));
    EXPECT_TRUE(file->Flush());
    EXPECT_EQ(Content(target), "old save");
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(Content(target), "new save, longer");
    EXPECT_FALSE(VornTest::Exists(target + PlaybookGameSaveFile::TEMPORARY_SUFFIX));

    // The last release closes, which commits too; an untouched write empties the save.
    ASSERT_TRUE(file->OpenWrite("./s"));
    file.Reset();
    bool found = false;
    EXPECT_TRUE(VornTest::ReadBytes(target, &found).empty());
    EXPECT_TRUE(found);
}

TEST(SaveFile, AFullDiskKeepsThePreviousSave)
{
    Sandbox sandbox;
    const std::string target = Sandbox::Data("._s");
    VornTest::WriteText(target, "old save");
    const VornTest::FileSizeLimit full(4096);
    PlaybookGameSaveFile file;
    ASSERT_TRUE(file.OpenWrite("./s"));
    std::string big(100000, 'n');
    file.Write(big.data(), static_cast<u32>(big.size()));
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(Content(target), "old save");
    EXPECT_FALSE(VornTest::Exists(target + PlaybookGameSaveFile::TEMPORARY_SUFFIX));
}

TEST(SaveFile, ACrashWhileWritingKeepsThePreviousSave)
{
    Sandbox sandbox;
    const std::string target = Sandbox::Data("._s");
    VornTest::WriteText(target, "old save");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        PlaybookGameSaveFile* file = new PlaybookGameSaveFile();
        file->OpenWrite("./s");
        file->WriteString("half of a new s");
        file->Flush();
        _exit(0); // dies without closing
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(Content(target), "old save");

    // The next save goes through despite the leftover temporary file.
    PlaybookGameSaveFile file;
    ASSERT_TRUE(file.OpenWrite("./s"));
    EXPECT_TRUE(file.WriteString("complete"));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Content(target), "complete");
}

TEST(SaveFile, StartUpRemovesTheLeftoversOfCutShortSavesAndNothingElse)
{
    Sandbox sandbox;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        PlaybookGameSaveFile* file = new PlaybookGameSaveFile();
        file->OpenWrite("./s");
        file->WriteString("half");
        file->Flush();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(std::filesystem::exists(Sandbox::Data("._s.tmp")));
    VornTest::WriteText(Sandbox::Data("._t"), "a save");
    VornTest::WriteText(Sandbox::Data(".tmp"), "only the suffix");
    std::filesystem::create_directory(Sandbox::Data("._d.tmp"));
    std::filesystem::create_symlink(Sandbox::Data("._t"), Sandbox::Data("._l.tmp"));

    EXPECT_EQ(PlaybookGameSaveFile::RemoveLeftovers(), 1);
    EXPECT_FALSE(std::filesystem::exists(Sandbox::Data("._s.tmp")));
    EXPECT_EQ(Content(Sandbox::Data("._t")), "a save");
    EXPECT_TRUE(std::filesystem::exists(Sandbox::Data(".tmp")));
    EXPECT_TRUE(std::filesystem::is_directory(Sandbox::Data("._d.tmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(Sandbox::Data("._l.tmp")));
    EXPECT_EQ(PlaybookGameSaveFile::RemoveLeftovers(), 0);
}

TEST(SaveFile, WritingWithoutASaveDirectoryFails)
{
    Sandbox sandbox;
    std::filesystem::remove_all("data");
    PlaybookGameSaveFile file;
    EXPECT_FALSE(file.OpenWrite("./s"));
    EXPECT_TRUE(file.Close());
}
