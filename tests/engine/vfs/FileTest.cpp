// Streams and the concrete file classes: line reading, stdio files, in-memory files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/FileSizeLimit.h"
#include "support/Sandbox.h"
#include "base/SmartPtr.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"
#include "vfs/playbook/PlaybookFile.h"
#include "vfs/posix/PosixFile.h"

using namespace Vorn;
using VornTest::Sandbox;

namespace {

std::vector<std::string> ReadLines(IOStream& stream, bool* lastTerminated = nullptr)
{
    std::vector<std::string> lines;
    for (;;) {
        NarrowString line;
        bool ok = stream.ReadLine(line);
        if (ok || !line.empty())
            lines.push_back(line);
        if (!ok) {
            if (lastTerminated)
                *lastTerminated = line.empty();
            return lines;
        }
    }
}

// A file that claims a size it does not deliver, and the mount that hands it out.
class LyingFile : public File {
public:
    LyingFile(u32 claimed, u32 actual) : m_claimed(claimed), m_actual(actual), m_position(0) {}
    s32 Read(void* buffer, u32 count) override
    {
        u32 n = std::min(count, m_actual - m_position);
        std::memset(buffer, 'x', n);
        m_position += n;
        return static_cast<s32>(n);
    }
    u32 Write(const void*, u32) override { return 0; }
    bool Seek(int, int) override { return true; }
    u32 Tell() override { return m_claimed; }
    u32 GetSize() override { return m_claimed; }
    bool Close() override { return true; }

private:
    u32 m_claimed, m_actual, m_position;
};

class LyingMount : public VfsMount {
public:
    LyingMount(u32 claimed, u32 actual) : VfsMount("lie/", 0), m_claimed(claimed), m_actual(actual) {}
    File* Open(const char*) override { return new LyingFile(m_claimed, m_actual); }
    File* OpenWrite(const char*) override { return nullptr; }

private:
    u32 m_claimed, m_actual;
};

} // namespace

TEST(ReadLine, SplitsOnLineFeedAndDropsCarriageReturns)
{
    const char text[] = "a\r\nb\n\nlast";
    CachedFile file(text, sizeof text - 1, false);
    bool terminated = true;
    std::vector<std::string> lines = ReadLines(file, &terminated);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "", "last"}));
    EXPECT_FALSE(terminated); // the last line had no line feed: ReadLine said false, bytes kept
}

TEST(ReadLine, AppendsToWhatTheLineHeld)
{
    const char text[] = "tail\n";
    CachedFile file(text, sizeof text - 1, false);
    NarrowString line("head-");
    EXPECT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "head-tail");
    NarrowString next;
    EXPECT_FALSE(file.ReadLine(next));
    EXPECT_TRUE(next.empty());
}

TEST(PosixFile, WritesReadsSeeksAndSizes)
{
    Sandbox sandbox;
    SmartPtr<PosixFile> file(new PosixFile());
    ASSERT_TRUE(file->OpenWrite("f.bin"));
    EXPECT_TRUE(file->WriteString("0123456789"));
    EXPECT_TRUE(file->WriteString(""));
    EXPECT_EQ(file->Write(nullptr, 0), 0u);
    EXPECT_EQ(file->GetSize(), 10u);
    EXPECT_EQ(file->Tell(), 10u); // GetSize restores the position
    EXPECT_TRUE(file->Flush());
    EXPECT_TRUE(file->Close());

    ASSERT_TRUE(file->Open("f.bin"));
    char buffer[16] = {};
    EXPECT_TRUE(file->Seek(-4, SeekableStream::FROM_END));
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_TRUE(file->Seek(2, SeekableStream::FROM_START));
    EXPECT_TRUE(file->Seek(1, SeekableStream::FROM_CURRENT));
    EXPECT_FALSE(file->Seek(0, 3));
    EXPECT_EQ(file->Tell(), 3u); // the refused seek did not move
    EXPECT_EQ(file->Read(buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "34");
    EXPECT_EQ(file->Read(nullptr, 0), 0);
}

TEST(PosixFile, ClosedFileAnswersNothingAndLeavesTheActivityFlag)
{
    PosixFile file;
    EXPECT_FALSE(file.Open("/nonexistent/dir/file"));
    g_vfsAccess = false;
    char c;
    EXPECT_EQ(file.Read(&c, 1), 0);
    EXPECT_EQ(file.Write(&c, 1), 0u);
    EXPECT_FALSE(file.Seek(0, SeekableStream::FROM_START));
    EXPECT_EQ(file.Tell(), 0u);
    EXPECT_EQ(file.GetSize(), 0u);
    EXPECT_FALSE(g_vfsAccess);
    EXPECT_FALSE(file.IsOpen());
}

TEST(PosixFile, FlushAndCloseReportAFullDisk)
{
    Sandbox sandbox;
    PosixFile file;
    ASSERT_TRUE(file.OpenWrite("full"));
    const VornTest::FileSizeLimit full(4096);
    std::vector<char> data(64 * 1024, 'z');
    file.Write(data.data(), static_cast<u32>(data.size()));
    EXPECT_FALSE(file.Flush());
    file.Write(data.data(), 10);
    EXPECT_FALSE(file.Close());
    EXPECT_FALSE(file.IsOpen());
}

TEST(PlaybookFile, ReadsFromTheInstallArea)
{
    Sandbox sandbox;
    VornTest::WriteText(Sandbox::Native("x/y.txt"), "installed");
    VornTest::WriteText("x/y.txt", "outside");
    PlaybookFile file;
    ASSERT_TRUE(file.Open("x/y.txt"));
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "installed");
    // Writing is not redirected: it lands relative to the working directory.
    ASSERT_TRUE(file.OpenWrite("w.txt"));
    EXPECT_TRUE(file.WriteString("w"));
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(VornTest::Exists("w.txt"));
}

TEST(CachedFile, SeeksPastTheEndReadNothingAndNegativePositionsAreRefused)
{
    const char text[] = "abcd";
    CachedFile file(text, 4, true);
    EXPECT_TRUE(file.Seek(10, SeekableStream::FROM_START));
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 0);
    EXPECT_EQ(buffer[0], 0);

    EXPECT_TRUE(file.Seek(1, SeekableStream::FROM_START));
    EXPECT_FALSE(file.Seek(-2, SeekableStream::FROM_CURRENT));
    EXPECT_FALSE(file.Seek(-5, SeekableStream::FROM_END));
    EXPECT_FALSE(file.Seek(0, 7));
    EXPECT_EQ(file.Tell(), 1u);
    EXPECT_EQ(file.Read(nullptr, 0), 0);
    EXPECT_EQ(file.Read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), "bcd");
    EXPECT_TRUE(file.Seek(-4, SeekableStream::FROM_END));
    EXPECT_EQ(file.Tell(), 0u);
}

TEST(CachedFile, CopiesOrBorrowsTheBuffer)
{
    std::vector<char> buffer = {'1', '2', '3'};
    {
        CachedFile borrowed(buffer.data(), 3, false);
        buffer[0] = '9';
        char c;
        EXPECT_EQ(borrowed.Read(&c, 1), 1);
        EXPECT_EQ(c, '9');
        EXPECT_TRUE(borrowed.Close());
        EXPECT_FALSE(borrowed.IsOpen());
        EXPECT_EQ(borrowed.Read(&c, 1), 0);
    }
    EXPECT_EQ(buffer[1], '2'); // still ours, and intact

    CachedFile copied(buffer.data(), 3, true);
    buffer[1] = '0';
    char out[3];
    EXPECT_EQ(copied.Read(out, 3), 3);
    EXPECT_EQ(out[1], '2');
    EXPECT_EQ(copied.Write(out, 3), 0u);
    EXPECT_FALSE(copied.OpenWrite("x"));
    EXPECT_FALSE(copied.IsOpen());
}

TEST(CachedFile, OpenKeepsWhatWasReadNotWhatWasClaimed)
{
    Sandbox sandbox;
    ASSERT_TRUE(Vfs::AddMount(g_vfsStaticData.Get(), new LyingMount(3000000000u, 5)));
    SmartPtr<File> file(Vfs::OpenCached("lie/any"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->GetSize(), 5u);

    Vfs::Init();
    ASSERT_TRUE(Vfs::AddMount(g_vfsStaticData.Get(), new LyingMount(2, 100000)));
    file = Vfs::OpenCached("lie/any");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->GetSize(), 100000u);
}

TEST(CachedFile, OpensEmptyFilesAndRefusesMissingOnes)
{
    Sandbox sandbox;
    ASSERT_TRUE(Vfs::MountNative("./", "n/", 0));
    VornTest::WriteText(Sandbox::Native("empty"), "");
    CachedFile file;
    EXPECT_TRUE(file.Open("n/empty"));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetSize(), 0u);
    EXPECT_FALSE(file.Open("n/missing"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Vfs::OpenCached("n/missing"), nullptr);
}
