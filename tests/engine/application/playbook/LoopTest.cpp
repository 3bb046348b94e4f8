#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "application/playbook/Clock.h"
#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookProcess.h"
#include "base/WideString.h"
#include "bps/navigator.h"
#include "graphics/Display.h"
#include "graphics/surface/Surface.h"
#include "screen/screen.h"
#include "sound/mixer/Mixer.h"
#include "standin/audio.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "standin/window.h"
#include "support/HeadlessGL.h"
#include "support/PlaybookTest.h"
#include "support/Sandbox.h"

using namespace Vorn;

namespace {

bool s_alive = false;

// Records what the shell calls, and draws a frame of one colour.
class LoopApp : public PlaybookApplication {
public:
    LoopApp() : PlaybookApplication(0) { s_alive = true; }
    ~LoopApp() override { s_alive = false; }

    void Initialize() override { log.push_back("initialize"); }
    void Release() override { log.push_back("release"); }
    void Update(float seconds) override { updates.push_back(seconds); }
    void Render(Surface* screen) override
    {
        ++frames;
        screen->Clear(Color{0, 255, 0, 255});
    }
    void OnFocus(bool focused) override { log.push_back(focused ? "focus 1" : "focus 0"); }
    void OnTouchDown(int x, int y, int id) override { Touch("down", x, y, id); }
    void OnTouchMove(int x, int y, int id) override { Touch("move", x, y, id); }
    void OnTouchUp(int x, int y, int id) override { Touch("up", x, y, id); }

    std::vector<std::string> log;
    std::vector<float> updates;
    int frames = 0;

private:
    void Touch(const char* kind, int x, int y, int id)
    {
        log.push_back(std::string(kind) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                      std::to_string(id));
    }
};

// The process entry's start and stop around a recording application, on the headless backend
// with its stepped clock, in a sandbox.
class Loop : public VornTest::PlaybookTest<LoopApp> {
protected:
    void SetUp() override
    {
        VornTest::UseHeadlessBackend(480, 800);
        StartProcess(new LoopApp);
    }
    void TearDown() override
    {
        StopProcess();
        standin_clock_set_step(16);
    }

    VornTest::Sandbox sandbox;
};

} // namespace

TEST_F(Loop, StartMakesTheDisplayBeforeTheStartUp)
{
    ASSERT_NE(app->GetDisplay(), nullptr);
    Surface* screen = app->GetDisplay()->GetScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetWidth(), 480);
    EXPECT_EQ(screen->GetHeight(), 800);
    ASSERT_EQ(app->GetDisplaySizes().size(), 1u);
    EXPECT_EQ(app->GetDisplaySizes()[0].width, 480u);
    EXPECT_EQ(app->GetDisplaySizes()[0].height, 800u);
    EXPECT_EQ(app->GetScreenContext(), process->GetApplication()->GetScreenContext());
    EXPECT_NE(app->GetWindow(), nullptr);
    std::vector<std::string> expected = {"initialize"};
    EXPECT_EQ(app->log, expected);
}

TEST_F(Loop, AnExitMidDrainStillHandlesTheEventsBehindItAndDoesNotTick)
{
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 10, 20, 0);
    standin_queue_navigator_event(NAVIGATOR_EXIT, 0);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_RELEASE, 11, 21, 0);
    EXPECT_FALSE(Pass());
    std::vector<std::string> expected = {"initialize", "down 10 20 0", "up 11 21 0"};
    EXPECT_EQ(app->log, expected);
    EXPECT_TRUE(app->updates.empty());
    EXPECT_EQ(app->frames, 0);
    EXPECT_TRUE(app->IsQuitRequested());
}

TEST_F(Loop, TheFirstTickMeasuresFromJustBeforeTheFirstDrain)
{
    char* message = nullptr;
    std::string path = sandbox.Path() + "/events";
    VornTest::WriteText(path, "step 16\nframes 2\nstep 33\nframes 1\nexit\n");
    ASSERT_EQ(standin_load_event_script(path.c_str(), &message), 0);
    app->Run();
    // The drain that reads a step already lasts that long; the exit's drain ticks no more.
    std::vector<float> expected = {0.016f, 0.016f, 0.016f, 0.033f, 0.033f};
    EXPECT_EQ(app->updates, expected);
    EXPECT_EQ(app->frames, 5);
}

TEST_F(Loop, EachTickDrawsAFrameIntoTheWindow)
{
    ASSERT_TRUE(Pass());
    EXPECT_EQ(app->frames, 1);
    std::vector<unsigned char> pixels(480 * 800 * 4);
    ASSERT_EQ(standin_window_read_pixels(app->GetWindow(), 480, 800, pixels.data(), 480 * 4), 0);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 255);
    EXPECT_EQ(pixels[(799 * 480 + 479) * 4 + 1], 255);
}

TEST_F(Loop, WindowStatesAndActivationPauseAndResumeWithTheSoundDevice)
{
    standin_audio_set_capture(0);
    g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    ASSERT_TRUE(g_mixer->HasDevice());
    const unsigned opened = standin_audio_open_count();
    const unsigned closed = standin_audio_close_count();

    standin_queue_navigator_event(NAVIGATOR_WINDOW_STATE, NAVIGATOR_WINDOW_THUMBNAIL);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 1, 1, 0);
    ASSERT_TRUE(Pass());
    EXPECT_TRUE(app->IsPaused());
    EXPECT_EQ(g_mixer->GetPauseMask(), 1u);
    EXPECT_FALSE(g_mixer->HasDevice());
    EXPECT_EQ(standin_audio_close_count(), closed + 1) << "the PCM device is given up";
    EXPECT_TRUE(app->updates.empty());
    EXPECT_EQ(app->frames, 0);

    standin_queue_navigator_event(NAVIGATOR_WINDOW_STATE, NAVIGATOR_WINDOW_FULLSCREEN);
    ASSERT_TRUE(Pass());
    EXPECT_FALSE(app->IsPaused());
    EXPECT_EQ(g_mixer->GetPauseMask(), 0u);
    EXPECT_TRUE(g_mixer->HasDevice());
    EXPECT_EQ(standin_audio_open_count(), opened + 1) << "and made anew";
    EXPECT_EQ(app->updates.size(), 1u);

    standin_queue_navigator_event(NAVIGATOR_WINDOW_INACTIVE, 0);
    ASSERT_TRUE(Pass());
    EXPECT_TRUE(app->IsPaused());
    standin_queue_navigator_event(NAVIGATOR_WINDOW_STATE, NAVIGATOR_WINDOW_INVISIBLE);
    standin_queue_navigator_event(NAVIGATOR_WINDOW_ACTIVE, 0);
    ASSERT_TRUE(Pass());
    EXPECT_FALSE(app->IsPaused());

    std::vector<std::string> expected = {"initialize", "focus 0", "focus 1", "focus 0", "focus 0",
                                         "focus 1"};
    EXPECT_EQ(app->log, expected) << "the touch while paused was dropped";
}

TEST_F(Loop, OrientationChecksAreAcceptedAndAChangeMakesANewDisplay)
{
    SmartPtr<Display> first(app->GetDisplay());
    standin_queue_navigator_event(NAVIGATOR_ORIENTATION_CHECK, 180);
    ASSERT_TRUE(Pass());
    EXPECT_EQ(standin_orientation_response(), 1);
    EXPECT_EQ(app->GetDisplay(), first.Get());

    standin_queue_navigator_event(NAVIGATOR_ORIENTATION, 180);
    ASSERT_TRUE(Pass());
    ASSERT_NE(app->GetDisplay(), first.Get());
    EXPECT_EQ(app->GetDisplay()->GetScreen(), first->GetScreen()) << "one window surface";
    ASSERT_EQ(app->GetDisplaySizes().size(), 1u) << "the first size stays";
    EXPECT_EQ(app->frames, 2);
}

TEST_F(Loop, TouchesOutsideTheIdRangeAreDropped)
{
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 5, 6, 256);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_MOVE, 5, 6, -1);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_MOVE, 7, 8, 255);
    standin_queue_touch(1234, 9, 9, 0);   // not a touch type
    ASSERT_TRUE(Pass());
    std::vector<std::string> expected = {"initialize", "move 7 8 255"};
    EXPECT_EQ(app->log, expected);
}

TEST_F(Loop, QuitEndsTheLoopAtTheNextDrain)
{
    app->Quit();
    EXPECT_FALSE(Pass());
    EXPECT_TRUE(app->updates.empty());
}

TEST_F(Loop, StopShutsDownAndReleasesTheApplicationWithItsAudio)
{
    g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    SmartPtr<Mixer> soundLayer = g_mixer;
    ASSERT_TRUE(soundLayer->HasDevice());
    ASSERT_TRUE(Pass());
    EXPECT_EQ(process->Stop(), PlaybookProcess::EXIT_OK);
    EXPECT_FALSE(s_alive);
    EXPECT_EQ(process->GetApplication(), nullptr);
    EXPECT_FALSE(soundLayer->HasDevice()) << "the playback thread is joined before the services go";
    bps_event_t* event = nullptr;
    EXPECT_EQ(bps_get_event(&event, 0), BPS_FAILURE) << "the platform services are down";
}

TEST_F(Loop, OpenUrlHandsTheAddressToThePlatform)
{
    EXPECT_TRUE(app->OpenUrl(WideString(L"http://example.org/caf\u00e9")));
    EXPECT_STREQ(standin_last_invoke(), "http://example.org/caf\xc3\xa9");
    standin_fail_call("navigator_invoke", 1);
    EXPECT_FALSE(app->OpenUrl(WideString(L"http://example.org/")));
}

namespace {

// Each failing call of the start: the exit code, and whether the application was released
// without its start-up.
struct StartFailure {
    const char* call;
    int code;
};

class FailedStart : public ::testing::TestWithParam<StartFailure> {
protected:
    void SetUp() override { standin_set_backend(STANDIN_BACKEND_HEADLESS); }
    VornTest::Sandbox sandbox;
};

} // namespace

TEST_P(FailedStart, GivesItsExitCodeAndReleasesTheApplication)
{
    ASSERT_EQ(standin_fail_call(GetParam().call, 1), 0);
    LoopApp* app = new LoopApp;
    PlaybookProcess process(app);
    EXPECT_EQ(process.Start(), GetParam().code);
    EXPECT_FALSE(s_alive);
    EXPECT_EQ(process.GetApplication(), nullptr);
    EXPECT_EQ(process.Stop(), PlaybookProcess::EXIT_OK) << "nothing left to take down";
}

INSTANTIATE_TEST_SUITE_P(Calls, FailedStart,
                         ::testing::Values(StartFailure{"navigator_request_events", -1},
                                           StartFailure{"bps_initialize", 1},
                                           StartFailure{"screen_create_context", 1},
                                           StartFailure{"screen_create_window", 1},
                                           StartFailure{"screen_create_window_group", 1}),
                         [](const ::testing::TestParamInfo<StartFailure>& info) {
                             return std::string(info.param.call);
                         });

namespace {

// A start-up that finds it cannot run; what reached it is kept past its end.
std::vector<std::string> s_givenUpLog;

class GivingUpApp : public LoopApp {
public:
    ~GivingUpApp() override { s_givenUpLog = log; }
    void Initialize() override
    {
        LoopApp::Initialize();
        AbandonStart();
    }
};

} // namespace

TEST(AbandonedStart, EndsWithExitCodeOneWithoutTheLoopOrTheShutdown)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    VornTest::Sandbox sandbox;
    PlaybookProcess process(new GivingUpApp);
    EXPECT_EQ(process.Start(), PlaybookProcess::EXIT_START_FAILED);
    EXPECT_EQ(process.GetApplication(), nullptr);
    EXPECT_FALSE(s_alive);
    EXPECT_EQ(s_givenUpLog, std::vector<std::string>{"initialize"})
        << "no shutdown slot for a start given up";
    bps_event_t* event = nullptr;
    EXPECT_EQ(bps_get_event(&event, 0), BPS_FAILURE) << "the platform services are down";
    EXPECT_EQ(process.Stop(), PlaybookProcess::EXIT_OK) << "nothing left to take down";
}

TEST(FailedStop, AFailedDestroyGivesExitCodeOneAfterTheShutdown)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    for (const char* call : {"screen_destroy_window", "screen_destroy_context"}) {
        VornTest::Sandbox sandbox;
        LoopApp* app = new LoopApp;
        PlaybookProcess process(app);
        ASSERT_EQ(process.Start(), PlaybookProcess::EXIT_OK);
        VornTest::KeepGLDriverLoaded();
        ASSERT_EQ(standin_fail_call(call, 1), 0);
        EXPECT_EQ(process.Stop(), PlaybookProcess::EXIT_SCREEN_FAILED) << call;
        EXPECT_FALSE(s_alive);
    }
}

TEST(Clock, MillisecondsOfTheTimeOfDay)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    standin_clock_set_step(16);
    timeval tv;
    standin_gettimeofday(&tv);
    u64 expected = static_cast<u64>(tv.tv_sec) * 1000u + static_cast<u64>(tv.tv_usec) / 1000u;
    EXPECT_EQ(GetTime(), expected);
    standin_clock_advance(1500);
    EXPECT_EQ(GetTime(), expected + 1500);
}

TEST(Clock, SleepWaitsAboutAsLongAsAsked)
{
    timeval before, after;
    gettimeofday(&before, nullptr);
    Sleep(0.05f);
    Sleep(-1.0f);   // nothing
    gettimeofday(&after, nullptr);
    long long us = (after.tv_sec - before.tv_sec) * 1000000LL + (after.tv_usec - before.tv_usec);
    EXPECT_GE(us, 50000);
    EXPECT_LT(us, 2000000);
}
