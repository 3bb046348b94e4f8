#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "application/playbook/Clock.h"
#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookMoviePlayer.h"
#include "bps/mmrenderer.h"
#include "mm/renderer.h"
#include "screen/screen.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/Sandbox.h"
#include "support/TestVideo.h"
#include "support/VideoSuite.h"

using namespace Vorn;

namespace {

using Clock = std::chrono::steady_clock;

const double LENGTH = 2.0;  // seconds of the test video

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Polls until done() holds or the time is up; true when it held.
bool WaitFor(const std::function<bool()>& done, double seconds)
{
    const auto start = Clock::now();
    while (!done()) {
        if (Since(start) > seconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Services up with screen events, the application's window group, and a two-second video of the
// test pattern in the install area (made once for all tests).
class Movies : public VornTest::VideoSuiteTest {
protected:
    static void SetUpTestSuite() { MakeSuiteVideo("intro.mp4", LENGTH, 160, 120); }

    void SetUp() override
    {
        ASSERT_TRUE(s_made) << "ffmpeg could not make the test video (scripts/install-deps installs it)";
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        bps_shutdown();
        ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
        ASSERT_EQ(screen_create_context(&context, SCREEN_APPLICATION_CONTEXT), 0);
        screen_request_events(context);
        ASSERT_EQ(screen_create_window(&window, context), 0);
        ASSERT_EQ(screen_create_window_group(window, "VornApplication"), 0);
        ASSERT_EQ(symlink((*s_videos / "intro.mp4").c_str(), VornTest::Sandbox::Native("intro.mp4").c_str()), 0);
        contexts = standin_mmr_open_contexts();
    }
    void TearDown() override
    {
        if (context)
            screen_destroy_context(context);
        bps_shutdown();
        EXPECT_EQ(standin_mmr_open_contexts(), contexts);
        EXPECT_TRUE(WaitFor([] { return standin_mmr_live_players() == 0; }, 10.0))
            << "every player shuts down";
    }

    VornTest::Sandbox sandbox;
    screen_context_t context = nullptr;
    screen_window_t window = nullptr;
    int contexts = 0;
};

// Exposes the held player and counts the touches that reach it.
class MovieApp : public PlaybookApplication {
public:
    MovieApp() : PlaybookApplication(0) {}
    PlaybookMoviePlayer* Movie() { return static_cast<PlaybookMoviePlayer*>(m_moviePlayer.Get()); }
    void OnTouchDown(int, int, int) override { ++touches; }
    void OnTouchMove(int, int, int) override { ++touches; }
    void OnTouchUp(int, int, int) override { ++touches; }

    // Runs passes of the loop until the movie has finished or the time is up; the seconds it took.
    double RunUntilFinished(double seconds)
    {
        const auto start = Clock::now();
        u64 last = GetTime();
        while (!IsMovieFinished() && Since(start) < seconds) {
            RunPass(last);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return Since(start);
    }

    int touches = 0;
};

void RunPasses(MovieApp& app, double seconds)
{
    const auto start = Clock::now();
    u64 last = GetTime();
    while (Since(start) < seconds) {
        app.RunPass(last);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

TEST_F(Movies, AMissingOrDamagedFileFailsAndClosesTheRenderer)
{
    const auto whole = VornTest::ReadBytes(VornTest::Sandbox::Native("intro.mp4"));
    ASSERT_GT(whole.size(), 4096u);
    VornTest::WriteBytes(VornTest::Sandbox::Native("noise.mp4"), VornTest::RandomBytes(20000, 7));
    VornTest::WriteBytes(VornTest::Sandbox::Native("cut.mp4"),
                         std::vector<uint8_t>(whole.begin(), whole.begin() + 2048));
    VornTest::WriteText(VornTest::Sandbox::Native("empty.mp4"), "");
    ASSERT_EQ(mkdir(VornTest::Sandbox::Native("folder.mp4").c_str(), 0755), 0);
    for (const char* name : {"missing.mp4", "noise.mp4", "cut.mp4", "empty.mp4", "folder.mp4"}) {
        SmartPtr<PlaybookMoviePlayer> player(new PlaybookMoviePlayer);
        EXPECT_EQ(standin_mmr_open_contexts(), contexts + 1);
        EXPECT_FALSE(player->Play(name, 50)) << name;
        EXPECT_TRUE(player->IsFinished()) << name;
        EXPECT_EQ(standin_mmr_open_contexts(), contexts) << name;
        EXPECT_FALSE(player->Play("intro.mp4", 50)) << "a failed player stays closed";
    }
    EXPECT_EQ(standin_pending_events(), 0u);
}

TEST_F(Movies, ANameTooLongForTheAddressIsRefusedNotCut)
{
    // The name is cut to "intro.mp4" when the renderer's address runs out: both files exist.
    char directory[4096];
    ASSERT_NE(getcwd(directory, sizeof(directory)), nullptr);
    const size_t prefix = std::string("file://").size() + std::string(directory).size() +
                          std::string("/app/native/").size();
    ASSERT_LT(prefix + 9, 1023u);
    const size_t padding = 1023 - 9 - prefix;
    const std::string lead = std::string(padding % 2, '/');
    std::string dots;
    for (size_t i = 0; i < padding / 2; ++i)
        dots += "./";
    const std::string cut = lead + dots + "intro.mp4";
    ASSERT_EQ(prefix + cut.size(), 1023u);
    ASSERT_EQ(symlink("intro.mp4", VornTest::Sandbox::Native("intro.mp4.long").c_str()), 0);

    SmartPtr<PlaybookMoviePlayer> fits(new PlaybookMoviePlayer);
    EXPECT_TRUE(fits->Play(cut, 10)) << "an address of 1023 bytes fits";
    fits->Stop(true);
    SmartPtr<PlaybookMoviePlayer> tooLong(new PlaybookMoviePlayer);
    EXPECT_FALSE(tooLong->Play(cut + ".long", 10));
    EXPECT_TRUE(tooLong->IsFinished());
    standin_clear_events();
}

TEST_F(Movies, VolumeIsCappedAtAHundredAndANegativeOneLeavesIt)
{
    SmartPtr<PlaybookMoviePlayer> loud(new PlaybookMoviePlayer);
    ASSERT_TRUE(loud->Play("intro.mp4", 150));
    EXPECT_FALSE(loud->IsFinished());
    EXPECT_STREQ(standin_mmr_last_volume(), "100");
    loud->Stop(true);

    SmartPtr<PlaybookMoviePlayer> quiet(new PlaybookMoviePlayer);
    ASSERT_TRUE(quiet->Play("intro.mp4", 99));
    EXPECT_STREQ(standin_mmr_last_volume(), "99");
    quiet->Stop(true);

    SmartPtr<PlaybookMoviePlayer> unchanged(new PlaybookMoviePlayer);
    ASSERT_TRUE(unchanged->Play("intro.mp4", -1));
    EXPECT_STREQ(standin_mmr_last_volume(), "99");
    unchanged->Stop(true);
    standin_clear_events();
}

TEST_F(Movies, StopEndsOnlyAPlayingMovieAndOnlyWhenAsked)
{
    SmartPtr<PlaybookMoviePlayer> player(new PlaybookMoviePlayer);
    ASSERT_TRUE(player->Play("intro.mp4", 10));
    player->Stop(false);
    EXPECT_FALSE(player->IsFinished());
    player->Stop(true);
    EXPECT_TRUE(player->IsFinished());
    EXPECT_EQ(standin_mmr_open_contexts(), contexts);
    player->Stop(true);
    EXPECT_TRUE(player->IsFinished());
    bps_event_t* event = nullptr;
    bps_get_event(&event, 0);
    EXPECT_EQ(event, nullptr) << "a stopped player has withdrawn its events";
}

TEST_F(Movies, APlayerReleasedWhilePlayingLeavesNoEventBehind)
{
    {
        SmartPtr<PlaybookMoviePlayer> player(new PlaybookMoviePlayer);
        ASSERT_TRUE(player->Play("intro.mp4", 10));
        EXPECT_TRUE(WaitFor([] { return standin_pending_events() > 0; }, 2.0))
            << "a playing track reports its state";
    }
    EXPECT_EQ(standin_mmr_open_contexts(), contexts);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    bps_event_t* event = nullptr;
    bps_get_event(&event, 0);
    EXPECT_EQ(event, nullptr) << "no event names the released player";
}

TEST_F(Movies, TheMovieEndsAfterItsLengthAndTheNextTickReleasesIt)
{
    SmartPtr<MovieApp> app(new MovieApp);
    app->PlayMovie("intro.mp4", 40);
    ASSERT_NE(app->Movie(), nullptr);
    EXPECT_FALSE(app->IsMovieFinished());
    const double took = app->RunUntilFinished(10.0);
    EXPECT_TRUE(app->IsMovieFinished());
    EXPECT_GT(took, LENGTH - 0.3) << "the whole track plays";
    EXPECT_LT(took, LENGTH + 4.0);
    EXPECT_EQ(app->Movie(), nullptr) << "released by the tick of the pass that stopped it";
    EXPECT_EQ(standin_mmr_open_contexts(), contexts);
}

TEST_F(Movies, PauseHoldsTheMovieAndResumeLetsItEnd)
{
    SmartPtr<MovieApp> app(new MovieApp);
    app->PlayMovie("intro.mp4", 40);
    ASSERT_NE(app->Movie(), nullptr);
    RunPasses(*app, 0.5);
    app->PauseMovie();
    RunPasses(*app, LENGTH + 0.5);
    EXPECT_FALSE(app->IsMovieFinished()) << "a paused movie does not reach its end";
    app->ResumeMovie();
    const double took = app->RunUntilFinished(10.0);
    EXPECT_TRUE(app->IsMovieFinished());
    EXPECT_GT(took, 0.5) << "the rest of the track plays after the pause";
}

TEST_F(Movies, ATouchEndsTheMovieWithoutReachingTheApplication)
{
    SmartPtr<MovieApp> app(new MovieApp);
    app->PlayMovie("intro.mp4", 40);
    ASSERT_NE(app->Movie(), nullptr);
    RunPasses(*app, 0.3);
    ASSERT_FALSE(app->IsMovieFinished());

    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 3, 4, 0);
    const double took = app->RunUntilFinished(LENGTH);
    EXPECT_TRUE(app->IsMovieFinished());
    EXPECT_LT(took, 1.0) << "the touch ends the movie at the renderer's next event";
    EXPECT_EQ(app->Movie(), nullptr);

    // The rest of that touch is the movie's too; the next one is the application's.
    standin_queue_touch(SCREEN_EVENT_MTOUCH_MOVE, 5, 6, 0);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_RELEASE, 5, 6, 0);
    RunPasses(*app, 0.05);
    EXPECT_EQ(app->touches, 0) << "no part of the skipping touch reaches the application";
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 7, 8, 0);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_RELEASE, 7, 8, 0);
    RunPasses(*app, 0.05);
    EXPECT_EQ(app->touches, 2);
}

TEST_F(Movies, AFingerDownBeforeTheMovieStillLiftsInTheApplication)
{
    SmartPtr<MovieApp> app(new MovieApp);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 3, 4, 1);
    RunPasses(*app, 0.02);
    ASSERT_EQ(app->touches, 1);
    app->PlayMovie("intro.mp4", 40);
    ASSERT_FALSE(app->IsMovieFinished());
    standin_queue_touch(SCREEN_EVENT_MTOUCH_RELEASE, 3, 4, 1);
    app->RunUntilFinished(LENGTH);
    EXPECT_EQ(app->touches, 2) << "the release of a touch the application saw begin";
    EXPECT_TRUE(app->IsMovieFinished()) << "and, as any touch, it skips the movie";
}
