#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "bps/bps.h"
#include "bps/navigator.h"
#include "screen/screen.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "DesktopWindowTest.h"
#include "support/PendingEvents.h"
#include "support/Sandbox.h"

// Xlib's macros (None, Bool, Status) would clash with the test framework's names: last.
#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace {

// Short texts for what one drain delivers.
std::vector<std::string> Drain()
{
    std::vector<std::string> seen;
    VornTest::ForEachPendingEvent([&](bps_event_t* e) {
        if (bps_event_get_domain(e) == navigator_get_domain()) {
            unsigned code = bps_event_get_code(e);
            std::string text = "nav " + std::to_string(code);
            if (code == NAVIGATOR_WINDOW_STATE)
                text += " " + std::to_string(navigator_event_get_window_state(e));
            seen.push_back(text);
            return;
        }
        int type = 0, pos[2] = {0, 0}, id = 0;
        screen_event_t s = screen_event_get_event(e);
        screen_get_event_property_iv(s, SCREEN_PROPERTY_TYPE, &type);
        screen_get_event_property_iv(s, SCREEN_PROPERTY_SOURCE_POSITION, pos);
        screen_get_event_property_iv(s, SCREEN_PROPERTY_TOUCH_ID, &id);
        const char* kind = type == SCREEN_EVENT_MTOUCH_TOUCH ? "down" : type == SCREEN_EVENT_MTOUCH_MOVE ? "move" : "up";
        seen.push_back(std::string(kind) + " " + std::to_string(pos[0]) + " " + std::to_string(pos[1]) +
                       " " + std::to_string(id));
    });
    return seen;
}

// The desktop backend with a real window of 200 x 300 (run under xvfb-run by the ctest
// "platform_desktop_xvfb"); skipped where no X server is reachable.
class SdlEvents : public DesktopWindowTest {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X server (DISPLAY unset)";
        ASSERT_NO_FATAL_FAILURE(StartServices());
        ASSERT_EQ(navigator_request_events(0), BPS_SUCCESS);
        ASSERT_NO_FATAL_FAILURE(CreateWindow());
        const int size[2] = {200, 300};
        ASSERT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_BUFFER_SIZE, size), 0);
        ASSERT_EQ(screen_create_window_buffers(window, 2), 0);
        for (Uint32 id = 1; id < 1000 && !sdlWindow; ++id)
            sdlWindow = SDL_GetWindowFromID(id);
        ASSERT_NE(sdlWindow, nullptr);
        Settle(200, Drain);
    }

    void Mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT)
    {
        SDL_Event e = {};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.windowID = SDL_GetWindowID(sdlWindow);
            e.motion.x = x;
            e.motion.y = y;
        } else {
            e.button.windowID = SDL_GetWindowID(sdlWindow);
            e.button.button = button;
            e.button.x = x;
            e.button.y = y;
        }
        SDL_PushEvent(&e);
    }

    void Finger(Uint32 type, SDL_FingerID finger, float x, float y)
    {
        SDL_Event e = {};
        e.type = type;
        e.tfinger.touchId = 7;
        e.tfinger.fingerId = finger;
        e.tfinger.x = x;
        e.tfinger.y = y;
        e.tfinger.windowID = SDL_GetWindowID(sdlWindow);
        SDL_PushEvent(&e);
    }

    void Window(Uint8 event)
    {
        SDL_Event e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        e.window.windowID = SDL_GetWindowID(sdlWindow);
        SDL_PushEvent(&e);
    }

    SDL_Window* sdlWindow = nullptr;
};

} // namespace

TEST_F(SdlEvents, TheLeftButtonIsFingerZeroAndMovesOnlyWhileHeld)
{
    Mouse(SDL_MOUSEMOTION, 5, 5);                       // hover
    Mouse(SDL_MOUSEBUTTONDOWN, 10, 20, SDL_BUTTON_RIGHT);
    Mouse(SDL_MOUSEBUTTONDOWN, 10, 20);
    Mouse(SDL_MOUSEMOTION, 15, 25);
    Mouse(SDL_MOUSEMOTION, -40, 400);                   // dragged out of the window
    Mouse(SDL_MOUSEBUTTONUP, -40, 400);
    Mouse(SDL_MOUSEMOTION, 30, 30);
    Mouse(SDL_MOUSEBUTTONUP, 30, 30);                   // no press to end
    std::vector<std::string> expected = {"down 10 20 0", "move 15 25 0", "move 0 299 0", "up 0 299 0"};
    EXPECT_EQ(Drain(), expected);
}

TEST_F(SdlEvents, FingersGetTheSmallestFreeIds)
{
    const SDL_FingerID big = static_cast<SDL_FingerID>(0x7FFFFFFF12345678LL);
    Finger(SDL_FINGERDOWN, big, 0.5f, 0.5f);
    Finger(SDL_FINGERDOWN, 42, 0.25f, 0.1f);
    Finger(SDL_FINGERMOTION, big, 0.75f, 0.5f);
    Finger(SDL_FINGERUP, big, 0.75f, 0.5f);
    Mouse(SDL_MOUSEBUTTONDOWN, 1, 2);                   // the mouse takes the freed id
    Finger(SDL_FINGERDOWN, 99, 1.0f, 1.0f);
    Finger(SDL_FINGERMOTION, 12345, 0.1f, 0.1f);        // never went down
    std::vector<std::string> expected = {"down 100 150 0", "down 50 30 1", "move 150 150 0",
                                         "up 150 150 0",   "down 1 2 0",   "down 199 299 2"};
    EXPECT_EQ(Drain(), expected);
}

TEST_F(SdlEvents, MoreFingersThanTouchIdsAreDropped)
{
    for (int i = 0; i < 257; ++i)
        Finger(SDL_FINGERDOWN, 1000 + i, 0.0f, 0.0f);
    Finger(SDL_FINGERUP, 1000 + 256, 0.0f, 0.0f);
    Finger(SDL_FINGERUP, 1000 + 255, 0.0f, 0.0f);
    std::vector<std::string> seen = Drain();
    ASSERT_EQ(seen.size(), 257u);
    EXPECT_EQ(seen[255], "down 0 0 255");
    EXPECT_EQ(seen[256], "up 0 0 255");
    for (int i = 0; i < 256; ++i)
        Finger(SDL_FINGERUP, 1000 + i, 0.0f, 0.0f);
    Drain();
}

TEST_F(SdlEvents, ClosingTheWindowIsOneExit)
{
    Window(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    std::vector<std::string> expected = {"nav 2"};
    EXPECT_EQ(Drain(), expected);
}

TEST_F(SdlEvents, FocusAndMinimisingBecomeActivationAndWindowStates)
{
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    Window(SDL_WINDOWEVENT_MINIMIZED);
    Window(SDL_WINDOWEVENT_HIDDEN);
    Window(SDL_WINDOWEVENT_RESTORED);
    Window(SDL_WINDOWEVENT_SHOWN);
    Window(SDL_WINDOWEVENT_FOCUS_GAINED);
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    Window(SDL_WINDOWEVENT_FOCUS_GAINED);
    std::vector<std::string> expected = {"nav 11", "nav 3 1", "nav 3 2", "nav 3 0", "nav 11", "nav 10"};
    EXPECT_EQ(Drain(), expected);
}

TEST_F(SdlEvents, ABackgroundedApplicationsEmptyPollWaits)
{
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    Drain();
    Uint32 start = SDL_GetTicks();
    for (int i = 0; i < 10; ++i)
        Drain();
    EXPECT_GE(SDL_GetTicks() - start, 50u) << "ten empty polls in the background take a while";
    Window(SDL_WINDOWEVENT_FOCUS_GAINED);
    Drain();
    start = SDL_GetTicks();
    for (int i = 0; i < 10; ++i)
        Drain();
    EXPECT_LT(SDL_GetTicks() - start, 50u) << "and in the foreground they do not";
}

// Another client's window going away (a video player's, a library's) is not the application's,
// even when the X server's complaint about it comes to this process; the application's own window
// destroyed by another client ends the run as a close does (found out here by the wait of the
// backgrounded application).
TEST_F(SdlEvents, OnlyTheApplicationsOwnWindowGoingAwayEndsTheRun)
{
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const ::Window foreign = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(other, foreign);
    XDestroyWindow(other, foreign);
    XSync(other, False);
    EXPECT_EQ(Drain(), std::vector<std::string>{});
    EXPECT_EQ(Drain(), std::vector<std::string>{});

    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(sdlWindow, &info));
    XDestroyWindow(other, info.info.x11.window);
    XSync(other, False);
    XCloseDisplay(other);
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    std::vector<std::string> seen;
    for (int drain = 0; drain < 3; ++drain)
        for (const std::string& event : Drain())
            seen.push_back(event);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "nav 2"), seen.end());
}

namespace {

// navigator_invoke on the desktop: the opener is whatever xdg-open PATH finds.
class DesktopInvoke : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_SDL);
        const char* path = std::getenv("PATH");
        m_path = path ? path : "";
        setenv("PATH", m_bin.Path().c_str(), 1);
    }
    void TearDown() override { setenv("PATH", m_path.c_str(), 1); }

    // An opener that records its argument and exits with status.
    void Opener(int status)
    {
        std::string script = "#!/bin/sh\nprintf '%s' \"$1\" > '" + m_bin.Path() + "/opened'\nexit " +
                             std::to_string(status) + "\n";
        VornTest::WriteText(m_bin / "xdg-open", script);
        chmod((m_bin / "xdg-open").c_str(), 0755);
    }

    VornTest::TempDir m_bin;
    std::string m_path;
};

} // namespace

TEST_F(DesktopInvoke, FailsWithoutAnOpener)
{
    char* error = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(navigator_invoke("https://example.org/", &error), BPS_FAILURE);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error).find("xdg-open"), std::string::npos) << error;
    // The player is told too, in one line naming the address and the reason.
    EXPECT_EQ(said, std::string(program_invocation_short_name) + ": cannot open https://example.org/: " +
                        std::string(error) + "\n");
    bps_free(error);
}

TEST_F(DesktopInvoke, HandsTheAddressToTheOpenerAndReportsItsFailure)
{
    Opener(0);
    EXPECT_EQ(navigator_invoke("https://example.org/?a=b&c", nullptr), BPS_SUCCESS);
    bool found = false;
    std::vector<uint8_t> opened = VornTest::ReadBytes(m_bin / "opened", &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(std::string(opened.begin(), opened.end()), "https://example.org/?a=b&c");

    Opener(3);
    char* error = nullptr;
    EXPECT_EQ(navigator_invoke("https://example.org/", &error), BPS_FAILURE);
    EXPECT_NE(error, nullptr);
    bps_free(error);
}
