#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "application/playbook/Clock.h"
#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookProcess.h"
#include "graphics/Display.h"
#include "graphics/surface/Surface.h"
#include "mm/renderer.h"
#include "sound/mixer/Mixer.h"
#include "standin/standin.h"
#include "standin/window.h"
#include "support/HeadlessGL.h"
#include "support/PlaybookTest.h"
#include "support/Sandbox.h"
#include "support/TestVideo.h"

using namespace Vorn;

namespace {

using Clock = std::chrono::steady_clock;

const int WIDTH = 240;
const int HEIGHT = 320;
const Color BACKGROUND = {0, 0, 96, 255};
// Pixels in the middle third of the window.
const int MIDDLE = (2 * WIDTH / 3 - WIDTH / 3) * (2 * HEIGHT / 3 - HEIGHT / 3);

// Draws its own frame in one colour, under the movie when one plays.
class FrameApp : public PlaybookApplication {
public:
    FrameApp() : PlaybookApplication(0) {}
    void Render(Surface* screen) override { screen->Clear(BACKGROUND); }
    void OnTouchDown(int, int, int) override { ++touches; }
    int touches = 0;
};

// What the window shows: its pixels as the X server has them.
struct Shot {
    std::vector<unsigned char> rgba;
    bool ok = false;

    bool IsBackground(int x, int y) const
    {
        const unsigned char* p = &rgba[(static_cast<size_t>(y) * WIDTH + x) * 4];
        return p[0] < 8 && p[1] < 8 && p[2] > 88 && p[2] < 104;
    }
    // Distinct colours (to 5 bits a channel) in the middle third of the window.
    size_t MiddleColours() const
    {
        std::set<unsigned> colours;
        for (int y = HEIGHT / 3; y < 2 * HEIGHT / 3; ++y)
            for (int x = WIDTH / 3; x < 2 * WIDTH / 3; ++x) {
                const unsigned char* p = &rgba[(static_cast<size_t>(y) * WIDTH + x) * 4];
                colours.insert((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3));
            }
        return colours.size();
    }
    int MiddleBackground() const
    {
        int count = 0;
        for (int y = HEIGHT / 3; y < 2 * HEIGHT / 3; ++y)
            for (int x = WIDTH / 3; x < 2 * WIDTH / 3; ++x)
                count += IsBackground(x, y) ? 1 : 0;
        return count;
    }
};

// The real process start on the desktop backend, in a window of 240 x 320 (run under xvfb-run by
// the ctest "movie_window_xvfb"); skipped where no X server is reachable.
class MovieWindow : public VornTest::PlaybookTest<FrameApp> {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X server (DISPLAY unset)";
        // Longer than any run: only a click, or the loss of its picture, ends it.
        ASSERT_TRUE(VornTest::MakeTestVideo(videos / "intro.mp4", 600.0, 160, 120, 2, true))
            << "ffmpeg could not make the test video (scripts/install-deps installs it)";
        ASSERT_EQ(symlink((videos / "intro.mp4").c_str(), VornTest::Sandbox::Native("intro.mp4").c_str()), 0);
        standin_set_backend(STANDIN_BACKEND_SDL);
        standin_set_display_size(WIDTH, HEIGHT);
        StartProcess(new FrameApp);
    }
    void TearDown() override { StopProcess(); }

    // Passes of the loop for a while, at about the display's rate.
    void Run(double seconds)
    {
        const auto start = Clock::now();
        while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
            app->RunPass(last);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    }
    // Passes of the loop until done() holds, however long a busy machine takes; false only when
    // nothing happens for longer than any test should take.
    template <typename Done>
    bool RunUntil(Done done)
    {
        const auto start = Clock::now();
        while (!done())
            if (Run(0.05), Clock::now() - start > std::chrono::seconds(200))
                return false;
        return true;
    }
    bool RunUntilThePictureShows(Shot& shot)
    {
        return RunUntil([&] {
            shot = Take();
            return app->IsMovieFinished() || (shot.ok && shot.MiddleBackground() == 0);
        }) && !app->IsMovieFinished();
    }
    Shot Take()
    {
        Shot shot;
        shot.rgba.resize(static_cast<size_t>(WIDTH) * HEIGHT * 4);
        shot.ok = standin_window_read_pixels(app->GetWindow(), WIDTH, HEIGHT, shot.rgba.data(), WIDTH * 4) == 0;
        return shot;
    }

    VornTest::TempDir videos;
    VornTest::Sandbox sandbox;
};

} // namespace

TEST_F(MovieWindow, TheMovieShowsUntilAClickEndsItAndTheApplicationsFrameComesBack)
{
    Run(0.5);
    Shot before = Take();
    ASSERT_TRUE(before.ok);
    EXPECT_EQ(before.MiddleBackground(), MIDDLE) << "the application's own frame";

    app->PlayMovie("intro.mp4", 30);
    ASSERT_FALSE(app->IsMovieFinished());
    // The picture comes up once the player has chosen its output.
    Shot during;
    ASSERT_TRUE(RunUntilThePictureShows(during));
    EXPECT_GE(during.MiddleColours(), 6u) << "the test pattern's bars";

    // The window is centred on the virtual screen of 1280 x 1024, where the pointer starts (a
    // move there with --sync would wait for ever).
    const std::string click = "xdotool mousemove --sync 600 480 sleep 0.2 click 1";
    ASSERT_EQ(std::system(click.c_str()), 0) << "xdotool (scripts/install-deps installs it)";
    EXPECT_TRUE(RunUntil([this] { return app->IsMovieFinished(); })) << "the click ends the movie";
    Shot after;
    EXPECT_TRUE(RunUntil([&] {
        after = Take();
        return after.ok && after.MiddleBackground() == MIDDLE;
    })) << "the application's frame is back";
    EXPECT_EQ(app->touches, 0) << "and the click does not reach it";
    EXPECT_TRUE(RunUntil([] { return standin_mmr_live_players() == 0; }));
}

// The player's output thread stuck for good (as in a driver that spins on a connection that has
// gone), and then its connection killed by another client: the movie still ends.
TEST_F(MovieWindow, AMovieWhosePictureLosesItsConnectionEnds)
{
    app->PlayMovie("intro.mp4", 0);
    Shot during;
    ASSERT_TRUE(RunUntilThePictureShows(during));
    ASSERT_GT(VornTest::HoldThreads(VornTest::Threads("mpv/vo")), 0);
    ASSERT_EQ(std::system("xdotool search --class '^mpv$' windowkill"), 0);
    EXPECT_TRUE(RunUntil([this] { return app->IsMovieFinished(); }));
    VornTest::ReleaseThreads();
}
