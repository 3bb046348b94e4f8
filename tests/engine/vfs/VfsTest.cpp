// Mount order, fall-through, prefixes and unmounting of the virtual file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/Sandbox.h"
#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "vfs/NativeMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using VornTest::Sandbox;

namespace {

// The content of the file at a virtual path, or "<none>".
std::string Slurp(const char* path)
{
    SmartPtr<File> file(Vfs::Open(path));
    if (!file)
        return "<none>";
    std::string text(file->GetSize(), '\0');
    s32 n = file->Read(&text[0], static_cast<u32>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

} // namespace

TEST(Vfs, TheNewestMatchingMountDecides)
{
    Sandbox sandbox;
    VornTest::WriteText(Sandbox::Native("outer/b/x"), "outer");
    VornTest::WriteText(Sandbox::Native("outer/only"), "outer only");
    VornTest::WriteText(Sandbox::Native("inner/y"), "inner");
    ASSERT_TRUE(Vfs::MountNative("outer/", "a/", 0));
    ASSERT_TRUE(Vfs::MountNative("inner/", "a/b/", 0));

    EXPECT_EQ(Slurp("a/b/y"), "inner");
    // The a/b/ mount lacks x and does not fall through, so a/'s b/x stays hidden.
    EXPECT_EQ(Slurp("a/b/x"), "<none>");
    EXPECT_EQ(Slurp("a/only"), "outer only");
    EXPECT_EQ(Slurp("c/only"), "<none>");
    EXPECT_EQ(Slurp("a/b"), "<none>"); // a directory is not a file
}

TEST(Vfs, FallThroughAsksTheOlderMounts)
{
    Sandbox sandbox;
    VornTest::WriteText(Sandbox::Native("outer/b/x"), "outer");
    VornTest::WriteText(Sandbox::Native("inner/x"), "inner");
    ASSERT_TRUE(Vfs::MountNative("outer/", "a/", 0));
    ASSERT_TRUE(Vfs::MountNative("empty/", "a/b/", VfsMount::FALL_THROUGH));
    EXPECT_EQ(Slurp("a/b/x"), "outer");

    // A non-matching mount in between is skipped; the first mount that opens the file wins.
    ASSERT_TRUE(Vfs::MountNative("inner/", "z/", 0));
    ASSERT_TRUE(Vfs::MountNative("inner/", "a/b/", VfsMount::FALL_THROUGH));
    EXPECT_EQ(Slurp("a/b/x"), "inner");
}

TEST(Vfs, MountPointsMatchWithoutRegardToCase)
{
    Sandbox sandbox;
    VornTest::WriteText(Sandbox::Native("dir/x"), "x");
    ASSERT_TRUE(Vfs::MountNative("dir/", "common/", 0));
    EXPECT_EQ(Slurp("COMMON/x"), "x");
    EXPECT_EQ(Slurp("common"), "<none>"); // shorter than the mount point
}

TEST(Vfs, AnEmptyMountPointServesEveryPath)
{
    Sandbox sandbox;
    VornTest::WriteText(Sandbox::Native("dir/any/path"), "p");
    ASSERT_TRUE(Vfs::MountNative("dir/", "", 0));
    EXPECT_EQ(Slurp("any/path"), "p");
}

TEST(Vfs, NothingOpensBeforeInitOrAfterShutdown)
{
    Vfs::Shutdown();
    EXPECT_EQ(Vfs::Open("a"), nullptr);
    EXPECT_FALSE(Vfs::MountNative("./", "a/", 0));
    EXPECT_FALSE(Vfs::MountPak("x.pak", "a/", 0));
}

TEST(Vfs, APathTooLongForADirectoryMountIsRefusedNotCut)
{
    Sandbox sandbox;
    ASSERT_TRUE(Vfs::MountNative("./", "n/", 0));
    // The name cut at the limit exists; the full name does not. A cut would open the wrong file.
    std::string name(NativeMount::MAX_PATH_LENGTH - 2, 'a');
    VornTest::WriteText(Sandbox::Native(name), "wrong file");
    EXPECT_EQ(Slurp(("n/" + name).c_str()), "wrong file");
    EXPECT_EQ(Slurp(("n/" + name + "bb").c_str()), "<none>");
    EXPECT_EQ(Vfs::OpenWrite(("n/" + name + "bb").c_str()), nullptr);

    EXPECT_FALSE(Vfs::MountNative(NarrowString(NativeMount::MAX_DIRECTORY_LENGTH + 1, 'd'), "d/", 0));
    EXPECT_EQ(g_vfsStaticData->GetHead()->GetMountPoint(), std::string("n/"));
}

TEST(Vfs, WritesGoWhereTheMountSays)
{
    Sandbox sandbox;
    ASSERT_TRUE(Vfs::MountNative("out/", "w/", 0));
    ASSERT_TRUE(Vfs::MountNative("./", "save/", VfsMount::FALL_THROUGH | VfsMount::SAVE_STORAGE));
    {
        SmartPtr<File> plain(Vfs::OpenWrite("w/file"));
        ASSERT_FALSE(plain); // out/ does not exist relative to the working directory
    }
    std::filesystem::create_directories("out");
    SmartPtr<File> plain(Vfs::OpenWrite("w/file"));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->WriteString("plain"));
    plain.Reset();
    EXPECT_TRUE(VornTest::Exists("out/file"));

    SmartPtr<File> saved(Vfs::OpenWrite("save/a/b"));
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved->WriteString("saved"));
    saved.Reset();
    EXPECT_TRUE(VornTest::Exists(Sandbox::Data("._a_b")));
    EXPECT_EQ(Slurp("save/a/b"), "saved");
}

TEST(Vfs, PakMountsAreReadOnlyAndMissingPaksMountNothing)
{
    Sandbox sandbox;
    VornTools::PakWriter writer;
    ASSERT_TRUE(writer.AddFile("f", "x", 1));
    ASSERT_TRUE(writer.Write(Sandbox::Native("data.pak")));

    EXPECT_FALSE(Vfs::MountPak("missing.pak", "p/", 0));
    EXPECT_FALSE(g_vfsStaticData->GetHead());
    ASSERT_TRUE(Vfs::MountPak("data.pak", "p/", 0));
    EXPECT_EQ(Slurp("p/f"), "x");
    EXPECT_EQ(Vfs::OpenWrite("p/f"), nullptr);
}

TEST(Vfs, UnmountUnlinksOneMount)
{
    Sandbox sandbox;
    VornTest::WriteText(Sandbox::Native("one/x"), "1");
    VornTest::WriteText(Sandbox::Native("two/x"), "2");
    VornTest::WriteText(Sandbox::Native("three/x"), "3");
    ASSERT_TRUE(Vfs::MountNative("one/", "m/", 0));
    ASSERT_TRUE(Vfs::MountNative("two/", "m/", 0));
    ASSERT_TRUE(Vfs::MountNative("three/", "m/", 0));
    EXPECT_EQ(Slurp("m/x"), "3");

    // A middle mount.
    VfsMount* two = Vfs::FindMount(g_vfsStaticData.Get(), "m/x", g_vfsStaticData->GetHead()->GetNext().Get());
    SmartPtr<VfsMount> removed = Vfs::Unmount(two);
    ASSERT_EQ(removed.Get(), two);
    EXPECT_FALSE(removed->GetNext());
    EXPECT_EQ(Slurp("m/x"), "3");
    EXPECT_EQ(Vfs::Unmount(two), nullptr); // no longer listed

    // The head, by path: the next one takes over.
    EXPECT_TRUE(Vfs::UnmountPoint("m/x"));
    EXPECT_EQ(Slurp("m/x"), "1");
    EXPECT_EQ(Vfs::UnmountPoint("elsewhere/x"), nullptr);

    // A mount cannot be linked twice (that would make the list a loop).
    EXPECT_FALSE(Vfs::AddMount(g_vfsStaticData.Get(), g_vfsStaticData->GetHead().Get()));
    EXPECT_TRUE(Vfs::AddMount(g_vfsStaticData.Get(), removed.Get()));
    EXPECT_EQ(Slurp("m/x"), "2");
}

TEST(Vfs, AnUnmountedPakStaysAliveWhileItsFilesAre)
{
    Sandbox sandbox;
    VornTools::PakWriter writer;
    ASSERT_TRUE(writer.AddFile("f", "abc", 3));
    ASSERT_TRUE(writer.Write(Sandbox::Native("data.pak")));
    ASSERT_TRUE(Vfs::MountPak("data.pak", "p/", 0));
    SmartPtr<File> file(Vfs::Open("p/f"));
    ASSERT_TRUE(file);
    Vfs::Init(); // drops every mount
    char buffer[3];
    EXPECT_EQ(file->Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}
