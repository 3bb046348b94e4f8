// The fixture of the desktop backend's window tests: a screen context with its events and one
// window over a real X server, closed again with the event service after each test.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include "bps/bps.h"
#include "screen/screen.h"
#include "standin/standin.h"
#include "support/HeadlessGL.h"
#include "support/Sandbox.h"

class DesktopWindowTest : public ::testing::Test {
protected:
    // The sdl backend with a display of 200 x 300, and the platform services up.
    void StartServices()
    {
        standin_set_backend(STANDIN_BACKEND_SDL);
        standin_set_display_size(200, 300);
        ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
    }
    // The context, asking for its events, and the window (the services started before).
    void CreateWindow()
    {
        ASSERT_EQ(screen_create_context(&context, SCREEN_APPLICATION_CONTEXT), 0);
        ASSERT_EQ(screen_request_events(context), 0);
        ASSERT_EQ(screen_create_window(&window, context), 0);
    }
    // Waits ms for what the window system says about the new window, which is not the tests'
    // business, and drops it with drain (which reads every pending event).
    template <class Drain>
    void Settle(Uint32 ms, Drain drain)
    {
        VornTest::KeepGLDriverLoaded();   // and the desktop libraries' own leaks are not reported
        SDL_Delay(ms);
        drain();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        drain();
    }
    void TearDown() override
    {
        if (context)
            screen_destroy_context(context);
        bps_shutdown();
    }

    VornTest::Sandbox sandbox;
    screen_context_t context = nullptr;
    screen_window_t window = nullptr;
};
