#include <string>

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

using namespace Vorn;

namespace {

// Services up with navigator and screen events, a movie file in the install area.
class Movies : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        bps_shutdown();
        ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
        screen_request_events(reinterpret_cast<screen_context_t>(0x1));
        VornTest::WriteText(VornTest::Sandbox::Native("intro.mp4"), "not really a movie");
        contexts = standin_mmr_open_contexts();
    }
    void TearDown() override { bps_shutdown(); }

    VornTest::Sandbox sandbox;
    int contexts = 0;
};

// Exposes the held player and dispatches one drain's events without drawing.
class MovieApp : public PlaybookApplication {
public:
    MovieApp() : PlaybookApplication(0) {}
    PlaybookMoviePlayer* Movie() { return static_cast<PlaybookMoviePlayer*>(m_moviePlayer.Get()); }
    void OnTouchDown(int, int, int) override { ++touches; }
    int touches = 0;
};

} // namespace

TEST_F(Movies, AMissingFileFailsAndClosesTheRenderer)
{
    SmartPtr<PlaybookMoviePlayer> player(new PlaybookMoviePlayer);
    EXPECT_EQ(standin_mmr_open_contexts(), contexts + 1);
    EXPECT_FALSE(player->Play("missing.mp4", 50));
    EXPECT_TRUE(player->IsFinished());
    EXPECT_EQ(standin_mmr_open_contexts(), contexts);
    EXPECT_FALSE(player->Play("intro.mp4", 50)) << "a failed player stays closed";
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
    standin_clear_events();
}

TEST_F(Movies, APlayerReleasedWhilePlayingLeavesNoEventBehind)
{
    {
        SmartPtr<PlaybookMoviePlayer> player(new PlaybookMoviePlayer);
        ASSERT_TRUE(player->Play("intro.mp4", 10));
        EXPECT_GT(standin_pending_events(), 0u) << "the renderer has reported the end";
    }
    EXPECT_EQ(standin_mmr_open_contexts(), contexts);
    bps_event_t* event = nullptr;
    bps_get_event(&event, 0);
    EXPECT_EQ(event, nullptr) << "no event names the released player";
}

TEST_F(Movies, PauseAndResumeKeepTheMovieOpen)
{
    SmartPtr<PlaybookMoviePlayer> player(new PlaybookMoviePlayer);
    ASSERT_TRUE(player->Play("intro.mp4", 10));
    player->Pause();
    player->Resume();
    EXPECT_EQ(standin_mmr_open_contexts(), contexts + 1);
    EXPECT_FALSE(player->IsFinished());
    player->Stop(true);
    standin_clear_events();
}

TEST_F(Movies, TheRenderersEndStopsTheMovieAndTheNextTickReleasesIt)
{
    SmartPtr<MovieApp> app(new MovieApp);
    app->PlayMovie("intro.mp4", 40);
    ASSERT_NE(app->Movie(), nullptr);
    EXPECT_FALSE(app->IsMovieFinished());
    u64 last = GetTime();
    ASSERT_TRUE(app->RunPass(last));
    EXPECT_TRUE(app->IsMovieFinished());
    EXPECT_EQ(app->Movie(), nullptr);
    EXPECT_EQ(standin_mmr_open_contexts(), contexts);
}

TEST_F(Movies, ATouchSkipsTheMovieAtTheNextMediaEvent)
{
    SmartPtr<MovieApp> app(new MovieApp);
    app->PlayMovie("intro.mp4", 40);
    PlaybookMoviePlayer* player = app->Movie();
    ASSERT_NE(player, nullptr);
    standin_clear_events();   // the decoder-less renderer's end: this movie is still playing

    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 3, 4, 0);
    u64 last = GetTime();
    ASSERT_TRUE(app->RunPass(last));
    EXPECT_EQ(app->touches, 1) << "the touch reaches the application as usual";
    EXPECT_FALSE(app->IsMovieFinished()) << "the movie stops only at a media event";

    standin_queue_media_event(MMR_STATE_PLAYING, nullptr);   // without user data: nothing
    ASSERT_TRUE(app->RunPass(last));
    EXPECT_FALSE(app->IsMovieFinished());

    standin_queue_media_event(MMR_STATE_PLAYING, player);
    ASSERT_TRUE(app->RunPass(last));
    EXPECT_TRUE(app->IsMovieFinished());
}
