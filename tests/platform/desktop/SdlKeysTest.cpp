// The desktop keyboard through the sdl backend: printable keys as their character, the console's
// keys as their symbols, everything else dropped. Needs an X server (run by platform_desktop_xvfb).
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "bps/bps.h"
#include "bps/navigator.h"
#include "screen/screen.h"
#include "standin/standin.h"
#include "DesktopWindowTest.h"
#include "support/PendingEvents.h"

namespace {

class SdlKeys : public DesktopWindowTest {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X server (DISPLAY unset)";
        ASSERT_NO_FATAL_FAILURE(StartServices());
        ASSERT_NO_FATAL_FAILURE(CreateWindow());
        Settle(100, [this] { Drain(); });
    }
    // "down SYM" / "up SYM" for each keyboard event of one drain.
    std::vector<std::string> Drain()
    {
        std::vector<std::string> seen;
        VornTest::ForEachPendingEvent([&](bps_event_t* e) {
            if (bps_event_get_domain(e) != screen_get_domain())
                return;
            screen_event_t s = screen_event_get_event(e);
            int type = 0, flags = 0, sym = 0;
            screen_get_event_property_iv(s, SCREEN_PROPERTY_TYPE, &type);
            if (type != SCREEN_EVENT_KEYBOARD)
                return;
            screen_get_event_property_iv(s, SCREEN_PROPERTY_KEY_FLAGS, &flags);
            screen_get_event_property_iv(s, SCREEN_PROPERTY_KEY_SYM, &sym);
            seen.push_back(std::string(flags & KEY_FLAG_DOWN ? "down " : "up ") + std::to_string(sym));
        });
        return seen;
    }
    static void Key(Uint32 type, SDL_Keycode code)
    {
        SDL_Event e = {};
        e.type = type;
        e.key.keysym.sym = code;
        SDL_PushEvent(&e);
    }
};

TEST_F(SdlKeys, KeysBecomeKeyboardEvents)
{
    Key(SDL_KEYDOWN, SDLK_F12);
    Key(SDL_KEYUP, SDLK_F12);
    Key(SDL_KEYDOWN, SDLK_a);
    Key(SDL_KEYDOWN, SDLK_BACKQUOTE);
    Key(SDL_KEYDOWN, SDLK_RETURN);
    Key(SDL_KEYDOWN, SDLK_LSHIFT);
    Key(SDL_KEYDOWN, SDLK_F1);   // no symbol: dropped
    EXPECT_EQ(Drain(), (std::vector<std::string>{
                           "down " + std::to_string(KEYSYM_F12), "up " + std::to_string(KEYSYM_F12),
                           "down 97", "down 96", "down " + std::to_string(KEYSYM_RETURN),
                           "down " + std::to_string(KEYSYM_SHIFT)}));
}

} // namespace
