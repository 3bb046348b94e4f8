#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "SaveFile.h"
#include "support/Sandbox.h"
#include "vfs/Vfs.h"

using VornTest::ReadBytes;
using VornTest::Sandbox;
using VornTest::WriteBytes;

namespace {

class SaveFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Vorn::Vfs::MountNative("./", "save/", Vorn::VfsMount::FALL_THROUGH |
                                                               Vorn::VfsMount::SAVE_STORAGE));
    }

    Sandbox m_sandbox;
};

TEST_F(SaveFileTest, WritesLittleEndianWordsFloatsAndTexts)
{
    SaveWriter writer("save/record");
    ASSERT_TRUE(writer.IsOpen());
    writer.PutI32(-2);
    writer.PutU32(0x01020304u);
    writer.PutF32(1.0f);
    writer.PutU64(0x1122334455667788ull);
    writer.PutText("Zoë");
    EXPECT_TRUE(writer.Finish());

    std::vector<uint8_t> expected = {
        0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F,
        0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x04, 0x00, 0x00, 0x00,
        'Z',  'o',  0xC3, 0xAB,
    };
    EXPECT_EQ(ReadBytes(Sandbox::Data("._record")), expected);

    SaveReader reader;
    ASSERT_TRUE(reader.Open("save/record", 1000));
    Vorn::s32 i = 0;
    Vorn::u32 u = 0;
    float f = 0;
    Vorn::u64 w = 0;
    Vorn::NarrowString text;
    EXPECT_TRUE(reader.GetI32(i));
    EXPECT_TRUE(reader.GetU32(u));
    EXPECT_TRUE(reader.GetF32(f));
    EXPECT_TRUE(reader.GetU64(w));
    EXPECT_TRUE(reader.GetText(text, 16));
    EXPECT_EQ(i, -2);
    EXPECT_EQ(u, 0x01020304u);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(w, 0x1122334455667788ull);
    EXPECT_EQ(text, "Zoë");
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_FALSE(reader.GetU32(u));
}

TEST_F(SaveFileTest, ReadsNeverPastTheEndOrTheLimit)
{
    ASSERT_TRUE(WriteBytes(Sandbox::Data("._short"), {1, 2, 3, 4, 5, 6}));
    SaveReader reader;
    ASSERT_TRUE(reader.Open("save/short", 1000));
    Vorn::u64 w = 7;
    EXPECT_FALSE(reader.GetU64(w));
    EXPECT_EQ(w, 7u);
    Vorn::u32 u = 0;
    EXPECT_TRUE(reader.GetU32(u));
    EXPECT_FALSE(reader.GetU32(u));
    EXPECT_EQ(reader.Remaining(), 2u);

    // Only the first maxBytes are taken, whatever the file holds.
    SaveReader limited;
    ASSERT_TRUE(limited.Open("save/short", 4));
    EXPECT_EQ(limited.Size(), 4u);

    SaveReader missing;
    EXPECT_FALSE(missing.Open("save/nothing", 100));
    EXPECT_FALSE(missing.IsOpen());
}

TEST_F(SaveFileTest, TextCountsAreCheckedAgainstTheRestAndTheLimit)
{
    // Claims 2^31 bytes: refused without allocating.
    std::vector<uint8_t> huge = {0x00, 0x00, 0x00, 0x80, 'a', 'b'};
    SaveReader reader;
    reader.SetBytes(huge.data(), huge.size());
    Vorn::NarrowString text = "kept";
    EXPECT_FALSE(reader.GetText(text, 1u << 31));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(reader.Remaining(), 6u) << "a refused text leaves the position alone";

    std::vector<uint8_t> longName = {5, 0, 0, 0, 'a', 'b', 'c', 'd', 'e'};
    reader.SetBytes(longName.data(), longName.size());
    EXPECT_FALSE(reader.GetText(text, 4));
    EXPECT_TRUE(reader.GetText(text, 5));
    EXPECT_EQ(text, "abcde");
}

TEST_F(SaveFileTest, FailedWriteIsReportedAndKeepsTheOldFile)
{
    ASSERT_TRUE(WriteBytes(Sandbox::Data("._kept"), {9, 9}));
    // Without the save directory nothing can be opened for writing; the message names the folder
    // where it was.
    std::filesystem::rename("data", "gone");
    SaveWriter::ResetFailureReport();
    testing::internal::CaptureStderr();
    SaveWriter writer("save/kept");
    EXPECT_FALSE(writer.IsOpen());
    writer.PutU32(1);
    EXPECT_FALSE(writer.Finish());
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string folder = std::filesystem::canonical(m_sandbox.Path()).string() + "/data";
    EXPECT_NE(said.find("cannot save the game in " + folder + ": No such file or directory"),
              std::string::npos)
        << said;
    std::filesystem::rename("gone", "data");
    EXPECT_EQ(ReadBytes(Sandbox::Data("._kept")), (std::vector<uint8_t>{9, 9}));
}

TEST_F(SaveFileTest, TheFirstDamagedCopyIsKeptAndAReplacedOneIsSaid)
{
    for (uint8_t damage = 1; damage <= 10; ++damage) {
        ASSERT_TRUE(WriteBytes(Sandbox::Data("._x"), {damage}));
        // One damage a start, as a player meets them.
        SaveWriter::ResetFailureReport();
        testing::internal::CaptureStderr();
        EXPECT_TRUE(KeepDamagedSave("save/x", "nothing"));
        const std::string said = testing::internal::GetCapturedStderr();
        const std::string copy = "._x.damaged" + (damage == 1 ? "" : std::to_string(std::min<int>(damage, 9)));
        EXPECT_NE(said.find("set aside as " + copy + (damage == 10 ? ", replacing" : ";")), std::string::npos)
            << said;
    }
    EXPECT_EQ(ReadBytes(Sandbox::Data("._x.damaged")), (std::vector<uint8_t>{1}));
    EXPECT_EQ(ReadBytes(Sandbox::Data("._x.damaged8")), (std::vector<uint8_t>{8}));
    EXPECT_EQ(ReadBytes(Sandbox::Data("._x.damaged9")), (std::vector<uint8_t>{10}));
}

namespace {

// A save mount in front of the save area's own: it notes the files the save thread opens for
// writing, in order, and holds the first until released; each write then falls through to the
// save area.
struct HoldingMount final : Vorn::VfsMount {
    HoldingMount() : Vorn::VfsMount("save/", FALL_THROUGH) {}

    Vorn::File* Open(const char*) override { return nullptr; }
    Vorn::File* OpenWrite(const char* path) override
    {
        opened.push_back(path);
        if (opened.size() == 1)
            firstOpen.set_value();
        released.wait();
        return nullptr;
    }

    std::vector<std::string> opened; // read once the save thread is joined
    std::promise<void> firstOpen;
    std::promise<void> release;
    std::future<void> released = release.get_future();
};

} // namespace

TEST_F(SaveFileTest, BackgroundWritesAreMadeInTheOrderGiven)
{
    Vorn::SmartPtr<HoldingMount> mount(new HoldingMount);
    ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), mount.Get()));
    // The save thread holds the first write while two moves' saves queue behind it: the place,
    // then the board, each time.
    SaveWriter::WriteInBackground("save/save2", {1});
    mount->firstOpen.get_future().wait();
    SaveWriter::WriteInBackground("save/save", {1});
    SaveWriter::WriteInBackground("save/save2", {2});
    SaveWriter::WriteInBackground("save/save", {2});
    mount->release.set_value();
    SaveWriter::WaitForBackgroundWrites();
    Vorn::Vfs::Unmount(mount.Get());
    // The first board was overtaken while it waited; the rest came in the order given.
    EXPECT_EQ(mount->opened, (std::vector<std::string>{"save2", "save2", "save"}));
    EXPECT_EQ(ReadBytes(Sandbox::Data("._save")), (std::vector<uint8_t>{2}));
    EXPECT_EQ(ReadBytes(Sandbox::Data("._save2")), (std::vector<uint8_t>{2}));
}

TEST_F(SaveFileTest, AnUnfinishedWriterStillWritesAndAnEmptyOneEmptiesTheFile)
{
    ASSERT_TRUE(WriteBytes(Sandbox::Data("._a"), {1, 2, 3}));
    {
        SaveWriter writer("save/a");
    }
    bool found = false;
    EXPECT_TRUE(ReadBytes(Sandbox::Data("._a"), &found).empty());
    EXPECT_TRUE(found);
    {
        SaveWriter writer("save/a");
        writer.PutU32(3);
    }
    EXPECT_EQ(ReadBytes(Sandbox::Data("._a")).size(), 4u);
}

} // namespace
