#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "standin/events.h"
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
