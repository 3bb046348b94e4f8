#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "bps/bps.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/Sandbox.h"

namespace {

// Runs each test in an empty working directory with its own home and data directories, and puts
// the environment and the working directory back afterwards.
class SandboxPreparation : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path().string();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "VORN_DATA_DIR"}) {
            const char* value = getenv(name);
            m_saved.push_back({name, value ? value : "", value != nullptr});
        }
        std::filesystem::create_directories(m_dir / "start");
        std::filesystem::create_directories(m_dir / "archives");
        std::filesystem::create_directories(m_dir / "other");
        ASSERT_EQ(chdir((m_dir / "start").c_str()), 0);
        setenv("HOME", (m_dir / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_dir / "xdg").c_str(), 1);
        setenv("VORN_DATA_DIR", (m_dir / "archives").c_str(), 1);
    }
    void TearDown() override
    {
        for (const Saved& s : m_saved) {
            if (s.set)
                setenv(s.name, s.value.c_str(), 1);
            else
                unsetenv(s.name);
        }
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
    }

    static std::string Cwd() { return std::filesystem::current_path().string(); }
    static std::string Real(const std::string& path)
    {
        char buffer[PATH_MAX];
        return realpath(path.c_str(), buffer) ? buffer : "";
    }

    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    VornTest::TempDir m_dir;
    std::string m_previous;
    std::vector<Saved> m_saved;
};

} // namespace

TEST_F(SandboxPreparation, MovesIntoTheDataHomeWithDataAndArchives)
{
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_EQ(Cwd(), Real(m_dir / "xdg/tessela"));
    struct stat st;
    ASSERT_EQ(stat("data", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(Real("app/native"), Real(m_dir / "archives"));

    // A later start with other archives points the same sandbox at them.
    ASSERT_EQ(chdir((m_dir / "start").c_str()), 0);
    setenv("VORN_DATA_DIR", (m_dir / "other").c_str(), 1);
    VornTest::WriteText("../xdg/tessela/data/save", "kept");
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_EQ(Real("app/native"), Real(m_dir / "other"));
    bool found = false;
    VornTest::ReadBytes("data/save", &found);
    EXPECT_TRUE(found) << "the save data stays";
}

TEST_F(SandboxPreparation, ADirectoryThatIsASandboxIsKept)
{
    std::filesystem::create_directories("app/native");
    std::filesystem::create_directories("data");
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_EQ(Cwd(), Real(m_dir / "start"));
    EXPECT_FALSE(VornTest::Exists(m_dir / "xdg"));
}

TEST_F(SandboxPreparation, ARealArchiveDirectoryInTheSandboxIsTheUsers)
{
    std::filesystem::create_directories(m_dir / "xdg/tessela/app/native");
    VornTest::WriteText(m_dir / "xdg/tessela/app/native/mine", "x");
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_TRUE(VornTest::Exists("app/native/mine"));
}

TEST_F(SandboxPreparation, ARelativeDataHomeFallsBackToTheHomeDirectory)
{
    setenv("XDG_DATA_HOME", "relative/path", 1);
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_EQ(Cwd(), Real(m_dir / "home/.local/share/tessela"));
    EXPECT_FALSE(VornTest::Exists(m_dir / "start/relative"));
}

TEST_F(SandboxPreparation, ADataHomeThatCannotHoldTheSandboxFails)
{
    // A file where the directory should be: no directory can be made below it, not even by the
    // superuser.
    VornTest::WriteText(m_dir / "blocked", "x");
    setenv("XDG_DATA_HOME", (m_dir / "blocked").c_str(), 1);
    EXPECT_EQ(standin_prepare_sandbox(), -1);
    EXPECT_EQ(Cwd(), Real(m_dir / "start"));
}

TEST_F(SandboxPreparation, ASandboxWhoseArchivesAreNotBuiltYetIsStillOne)
{
    std::filesystem::create_directories("app");
    std::filesystem::create_directories("data");
    std::filesystem::create_directory_symlink(m_dir / "not-built", "app/native");
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_EQ(Cwd(), Real(m_dir / "start"));
}

TEST_F(SandboxPreparation, DiscardingAFreshSandboxLeavesNothing)
{
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    ASSERT_TRUE(VornTest::Exists(m_dir / "xdg/tessela/data"));
    standin_discard_sandbox();
    EXPECT_FALSE(VornTest::Exists(m_dir / "xdg")) << "every directory it made is gone";
    EXPECT_EQ(Cwd(), Real(m_dir / "start"));
    standin_discard_sandbox();  // a second time: nothing left to do
    EXPECT_EQ(Cwd(), Real(m_dir / "start"));
}

TEST_F(SandboxPreparation, DiscardingKeepsWhatWasThereAndPutsTheArchivesBack)
{
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    VornTest::WriteText("data/save", "kept");
    ASSERT_EQ(chdir((m_dir / "start").c_str()), 0);

    // A later start pointed at other archives gives up.
    setenv("VORN_DATA_DIR", (m_dir / "other").c_str(), 1);
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    EXPECT_EQ(Real("app/native"), Real(m_dir / "other"));
    standin_discard_sandbox();
    EXPECT_EQ(Real(m_dir / "xdg/tessela/app/native"), Real(m_dir / "archives"));
    bool found = false;
    VornTest::ReadBytes(m_dir / "xdg/tessela/data/save", &found);
    EXPECT_TRUE(found);

    // A directory that holds a file is never taken away, even one the start made.
    unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(chdir((m_dir / "start").c_str()), 0);
    ASSERT_EQ(standin_prepare_sandbox(), 0);
    VornTest::WriteText("data/written", "x");
    standin_discard_sandbox();
    EXPECT_TRUE(VornTest::Exists(m_dir / "home/.local/share/tessela/data/written"));
    EXPECT_FALSE(VornTest::Exists(m_dir / "home/.local/share/tessela/app/native"));
}

// Two copies started at the same moment on a save area that does not exist yet: whichever takes
// the lock runs in a whole sandbox, the other is turned away and takes nothing of it away.
TEST_F(SandboxPreparation, OfTwoCopiesStartedTogetherOnANewSaveAreaExactlyOneRuns)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        SCOPED_TRACE(attempt);
        const std::string home = m_dir / ("xdg" + std::to_string(attempt));
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        int go[2], result[2];
        ASSERT_EQ(pipe(go), 0);
        ASSERT_EQ(pipe(result), 0);
        pid_t copies[2];
        for (pid_t& copy : copies) {
            copy = fork();
            if (copy == 0) {
                // A copy waits for its byte on go, prepares the sandbox, says whether it runs ('0')
                // or was turned away, and holds what it got until it is killed.
                char byte = 0;
                const char ran = read(go[0], &byte, 1) == 1 && standin_prepare_sandbox() == 0 ? '0' : '1';
                if (write(result[1], &ran, 1) == 1)
                    pause();
                _exit(2);
            }
        }
        close(result[1]);
        char ran[2] = {0, 0};
        const bool reported = copies[0] > 0 && copies[1] > 0 && write(go[1], "ab", 2) == 2 &&
                              read(result[0], &ran[0], 1) == 1 && read(result[0], &ran[1], 1) == 1;
        // Both have done what they do while the one that runs still holds the lock.
        const bool whole = Real(home + "/tessela/app/native") == Real(m_dir / "archives") &&
                           VornTest::Exists(home + "/tessela/data");
        for (const pid_t copy : copies) {
            if (copy > 0 && kill(copy, SIGKILL) == 0)
                waitpid(copy, nullptr, 0);
        }
        for (const int end : {go[0], go[1], result[0]})
            close(end);
        ASSERT_TRUE(reported);
        ASSERT_EQ((ran[0] == '0') + (ran[1] == '0'), 1) << "results " << ran[0] << ran[1];
        ASSERT_TRUE(whole) << "the sandbox the running copy uses is whole";
    }
}

// The save folder moved while the copy runs: the lock file goes with it and is removed from
// there; a folder made where it was, with another copy's lock in it, keeps that lock.
TEST_F(SandboxPreparation, TheLockFileOfAMovedSaveFolderIsRemovedWhereItIsNow)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
    ASSERT_TRUE(VornTest::Exists("data/.lock"));
    ASSERT_EQ(rename("data", "moved"), 0);
    ASSERT_EQ(mkdir("data", 0755), 0);
    VornTest::WriteText("data/.lock", "another copy's");
    bps_shutdown();
    EXPECT_FALSE(VornTest::Exists("moved/.lock"));
    EXPECT_TRUE(VornTest::Exists("data/.lock"));
}
