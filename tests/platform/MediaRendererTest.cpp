#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bps/bps.h"
#include "bps/mmrenderer.h"
#include "mm/renderer.h"
#include "screen/screen.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/Sandbox.h"
#include "support/TestVideo.h"
#include "support/VideoSuite.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const CONTEXT = "RendererTest";
const char* const VIDEO = "screen:?winid=Picture&wingrp=TestGroup";

// A context on the headless backend, a window that made the group "TestGroup", and a video of
// one second.
class Renderer : public VornTest::VideoSuiteTest {
protected:
    static void SetUpTestSuite() { MakeSuiteVideo("clip.mp4", 1.0, 64, 48); }

    void SetUp() override
    {
        ASSERT_TRUE(s_made) << "ffmpeg could not make the test video (scripts/install-deps installs it)";
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        bps_shutdown();
        ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
        ASSERT_EQ(screen_create_context(&screen, SCREEN_APPLICATION_CONTEXT), 0);
        ASSERT_EQ(screen_create_window(&window, screen), 0);
        ASSERT_EQ(screen_create_window_group(window, "TestGroup"), 0);
        connection = mmr_connect(nullptr);
        ASSERT_NE(connection, nullptr);
        ctx = mmr_context_create(connection, CONTEXT, 0, 0777);
        ASSERT_NE(ctx, nullptr);
        url = "file://" + *s_videos / "clip.mp4";
    }
    void TearDown() override
    {
        if (ctx) {
            EXPECT_EQ(mmr_context_destroy(ctx), 0);
        }
        if (connection)
            mmr_disconnect(connection);
        if (screen)
            screen_destroy_context(screen);
        bps_shutdown();
    }

    // The state of the next media event within the time, or -1.
    static int NextState(double seconds)
    {
        const auto start = Clock::now();
        for (;;) {
            bps_event_t* event = nullptr;
            bps_get_event(&event, 0);
            if (event && bps_event_get_domain(event) == mmrenderer_get_domain())
                return mmrenderer_event_get_state(event);
            if (std::chrono::duration<double>(Clock::now() - start).count() > seconds)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // Waits for a stopped event, passing over the playing ones; false when none came in time.
    static bool WaitForStopped(double seconds)
    {
        const auto start = Clock::now();
        while (std::chrono::duration<double>(Clock::now() - start).count() < seconds)
            if (NextState(0.05) == MMR_STATE_STOPPED)
                return true;
        return false;
    }

    VornTest::Sandbox sandbox;
    screen_context_t screen = nullptr;
    screen_window_t window = nullptr;
    mmr_connection_t* connection = nullptr;
    mmr_context_t* ctx = nullptr;
    std::string url;
    int userdata = 0;
};

} // namespace

TEST_F(Renderer, OutputsNameAWindowGroupThatExistsAndComeOneOfEachKind)
{
    EXPECT_EQ(mmr_output_attach(ctx, "screen:?winid=Picture&wingrp=Elsewhere", "video"), -1);
    EXPECT_EQ(mmr_output_attach(ctx, "screen:?wingrp=TestGroup", "video"), -1) << "no window id";
    EXPECT_EQ(mmr_output_attach(ctx, VIDEO, "audio"), -1);
    EXPECT_EQ(mmr_output_attach(ctx, "audio:headphones", "audio"), -1);
    const int video = mmr_output_attach(ctx, VIDEO, "video");
    ASSERT_GE(video, 0);
    EXPECT_EQ(mmr_output_attach(ctx, VIDEO, "video"), -1) << "one picture per context";
    const int audio = mmr_output_attach(ctx, "audio:default", "audio");
    ASSERT_GE(audio, 0);
    EXPECT_NE(audio, video);
    EXPECT_EQ(mmr_output_detach(ctx, static_cast<unsigned>(video)), 0);
    EXPECT_EQ(mmr_output_detach(ctx, static_cast<unsigned>(video)), -1);
    EXPECT_GE(mmr_output_attach(ctx, VIDEO, "video"), 0) << "attachable again once detached";
}

// A volume is a whole number from 0 to 100. A volume or a speed the playing player refuses is a
// failure, and what was set before stands.
TEST_F(Renderer, OnlyAWholeVolumeFromZeroToAHundredIsTaken)
{
    const int audio = mmr_output_attach(ctx, "audio:default", "audio");
    ASSERT_GE(audio, 0);
    auto set = [&](const char* text) {
        return mmr_output_parameters(ctx, static_cast<unsigned>(audio),
                                     strm_dict_set(strm_dict_new(), "volume", text));
    };
    EXPECT_EQ(set("0"), 0);
    EXPECT_EQ(set("100"), 0);
    EXPECT_STREQ(standin_mmr_last_volume(), "100");
    for (const char* bad : {"101", "-1", "", "50x", " 5", "+5", "99999999999999999999"})
        EXPECT_EQ(set(bad), -1) << "'" << bad << "'";
    EXPECT_STREQ(standin_mmr_last_volume(), "100");
    ASSERT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
    EXPECT_EQ(set("40"), 0) << "and set on a player that runs";
    ASSERT_EQ(mmr_play(ctx), 0);
    ASSERT_EQ(standin_fail_call("mmr_output_parameters", 1), 0);
    EXPECT_EQ(set("70"), -1);
    EXPECT_STREQ(standin_mmr_last_volume(), "40");
    EXPECT_EQ(set("70"), 0);
    ASSERT_EQ(standin_fail_call("mmr_speed_set", 1), 0);
    EXPECT_EQ(mmr_speed_set(ctx, 2000), -1);
    EXPECT_EQ(mmr_speed_set(ctx, 2000), 0);
}

TEST_F(Renderer, AnInputIsAReadableFileByItsPathAsItStands)
{
    ASSERT_GE(mmr_output_attach(ctx, VIDEO, "video"), 0);
    EXPECT_EQ(mmr_speed_set(ctx, 1000), -1) << "no input yet";
    EXPECT_EQ(mmr_play(ctx), -1);
    EXPECT_EQ(mmr_input_attach(ctx, url.c_str(), "video"), -1);
    EXPECT_EQ(mmr_input_attach(ctx, ("http://" + *s_videos / "clip.mp4").c_str(), "track"), -1);
    EXPECT_EQ(mmr_input_attach(ctx, ("file://" + s_videos->Path()).c_str(), "track"), -1) << "a directory";
    EXPECT_EQ(mmr_input_attach(ctx, "file://clip.mp4", "track"), -1) << "a relative path";
    // An escape is not decoded: "%63lip.mp4" names no file here.
    EXPECT_EQ(mmr_input_attach(ctx, ("file://" + *s_videos / "%63lip.mp4").c_str(), "track"), -1);
    // A playlist is no track, even one that names a good one.
    ASSERT_TRUE(VornTest::WriteText(*s_videos / "list.mp4", "#EXTM3U\n" + *s_videos / "clip.mp4" + "\n"));
    EXPECT_EQ(mmr_input_attach(ctx, ("file://" + *s_videos / "list.mp4").c_str(), "track"), -1);
    EXPECT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
    EXPECT_EQ(mmr_speed_set(ctx, -1), -1);
    EXPECT_EQ(mmr_speed_set(ctx, 5), -1);
    EXPECT_EQ(mmr_speed_set(ctx, 100001), -1);
    EXPECT_EQ(mmr_speed_set(ctx, 2000), 0);
    EXPECT_EQ(mmr_speed_set(ctx, 0), 0);
}

TEST_F(Renderer, TheEndAndAStopAreReportedAsStoppedAndAnEndedTrackPlaysAgain)
{
    ASSERT_GE(mmr_output_attach(ctx, VIDEO, "video"), 0);
    ASSERT_GE(mmr_output_attach(ctx, "audio:default", "audio"), 0);
    ASSERT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
    ASSERT_GT(mmrenderer_request_events(CONTEXT, 0, &userdata), 0);
    EXPECT_EQ(NextState(0.3), -1) << "nothing while it waits to be played";

    ASSERT_EQ(mmr_play(ctx), 0);
    EXPECT_EQ(NextState(1.0), MMR_STATE_PLAYING) << "a playing track reports its state";
    const auto start = Clock::now();
    ASSERT_TRUE(WaitForStopped(5.0));
    EXPECT_GT(std::chrono::duration<double>(Clock::now() - start).count(), 0.5);

    ASSERT_EQ(mmr_play(ctx), 0) << "from the start again";
    EXPECT_EQ(NextState(1.0), MMR_STATE_PLAYING);
    ASSERT_EQ(mmr_stop(ctx), 0);
    EXPECT_TRUE(WaitForStopped(0.5));
    EXPECT_EQ(NextState(0.3), -1) << "a stopped track is quiet";
}

TEST_F(Renderer, ARequestAfterTheEndStillLearnsOfIt)
{
    ASSERT_GE(mmr_output_attach(ctx, "audio:default", "audio"), 0);
    ASSERT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
    ASSERT_EQ(mmr_play(ctx), 0);
    ASSERT_EQ(mmr_stop(ctx), 0);
    ASSERT_GT(mmrenderer_request_events(CONTEXT, 0, &userdata), 0);
    EXPECT_EQ(NextState(0.5), MMR_STATE_STOPPED);
}

TEST_F(Renderer, ADestroyedContextsPlayerShutsDownInTheBackground)
{
    // Without outputs the track still plays its length.
    ASSERT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
    ASSERT_EQ(mmr_play(ctx), 0);
    EXPECT_GE(standin_mmr_live_players(), 1);
    ASSERT_EQ(mmr_context_destroy(ctx), 0);
    ctx = nullptr;
    const auto begin = Clock::now();
    while (standin_mmr_live_players() != 0 && Clock::now() - begin < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(standin_mmr_live_players(), 0);
    EXPECT_EQ(NextState(0.2), -1);
}

TEST_F(Renderer, WithoutItsLibraryAnInputIsRefusedAndTheNextAttachTriesAgain)
{
    ASSERT_EQ(standin_fail_call("mmr_load_mpv", 1), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), -1);
    const std::string message = testing::internal::GetCapturedStderr();
    // One line, under the running program's name.
    EXPECT_EQ(message.rfind(std::string(program_invocation_short_name) + ": movies cannot play: libmpv", 0), 0u)
        << message;
    EXPECT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
}

// The player's thread reports a playing track every tenth of a second while the requests come
// and go: once mmrenderer_stop_events has returned, no event naming the withdrawn request's user
// data is ever delivered.
TEST_F(Renderer, AWithdrawnRequestIsNamedByNoLaterEvent)
{
    ASSERT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0);
    ASSERT_EQ(mmr_play(ctx), 0);
    int other = 0;
    const int keeper = mmrenderer_request_events(CONTEXT, 0, &other);
    ASSERT_GT(keeper, 0);
    const auto start = Clock::now();
    int delivered = 0;
    while (Clock::now() - start < std::chrono::milliseconds(800)) {
        const int id = mmrenderer_request_events(CONTEXT, 0, &userdata);
        ASSERT_GT(id, 0);
        std::this_thread::yield();
        ASSERT_EQ(mmrenderer_stop_events(id), BPS_SUCCESS);
        for (bps_event_t* event = nullptr; bps_get_event(&event, 0), event; event = nullptr) {
            ASSERT_NE(mmrenderer_event_get_userdata(event), &userdata);
            ++delivered;
        }
    }
    EXPECT_GT(delivered, 0) << "the standing request heard the track";
    EXPECT_EQ(mmrenderer_stop_events(keeper), BPS_SUCCESS);
}

// However long the player takes to load a file (its events held up here for longer than any fixed
// wait would allow), the input is attached once it has loaded; and the video output is detached
// within a few seconds whatever the player does (its output thread held for good).
TEST_F(Renderer, ASlowLoadIsWaitedForAndAStuckPictureIsLetGo)
{
    const int video = mmr_output_attach(ctx, VIDEO, "video");
    ASSERT_GE(video, 0);
    // The player's event thread is the one new thread that keeps the process's name once mpv's
    // core has taken its own (mpv is set up by then).
    const std::vector<int> before = VornTest::Threads("");
    std::atomic<bool> attached{false};
    std::thread holder([&attached, &before] {
        for (std::vector<int> events; !attached && events.empty();) {
            for (int thread : VornTest::Threads("mpv/mpv core").empty() ? before : VornTest::Threads(""))
                if (std::find(before.begin(), before.end(), thread) == before.end() && thread != gettid())
                    events.push_back(thread);
            if (VornTest::HoldThreads(events) == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(std::chrono::seconds(6));
        VornTest::ReleaseThreads();
    });
    EXPECT_EQ(mmr_input_attach(ctx, url.c_str(), "track"), 0) << standin_last_error();
    attached = true;
    holder.join();

    ASSERT_EQ(mmr_play(ctx), 0);
    ASSERT_GT(VornTest::HoldThreads(VornTest::Threads("mpv/vo")), 0);
    auto detach = std::async(std::launch::async, [this, video] {
        return mmr_output_detach(ctx, static_cast<unsigned>(video));
    });
    const bool returned = detach.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    VornTest::ReleaseThreads();
    EXPECT_TRUE(returned) << "the detach waited on the player";
    EXPECT_EQ(detach.get(), 0);
}
