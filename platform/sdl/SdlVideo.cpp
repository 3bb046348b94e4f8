#include "SdlVideo.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include <SDL.h>
#include <X11/Xlib.h>

#include "Application.h"
#include "EventCore.h"
#include "UncheckedLibraryCall.h"
#include "standin/standin.h"

namespace standin {
namespace {

// Set on the main thread by Xlib's error handler, which may call no Xlib itself.
bool s_windowLost = false;
void (*s_displayLost)(void) = nullptr;
// Main thread only, as the windows are.
std::vector<std::pair<Display*, ::Window>> s_watched;

// Xlib's own handlers end the process on the first protocol error, and its handler for a lost
// connection calls exit, whose static destructors then meet a GL that has lost its display.
int OnXError(Display*, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable)
        s_windowLost = true;
    return 0;
}

int OnXConnectionLost(Display*)
{
    Say("lost the connection to the X display; ending");
    // A second loss met while the application saves ends the process at once.
    if (void (*handler)(void) = s_displayLost) {
        s_displayLost = nullptr;
        handler();
    }
    UnlockSaveArea();
    std::fflush(nullptr);
    _exit(0);
}

}  // namespace

bool SdlVideoInit()
{
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    // The platform turns the end signals into an exit request itself, with the same handlers for
    // both backends.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    bool started = false;
    {
        const UncheckedLibraryCall unchecked;
        started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (!started) {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            SetLastError("no X display (DISPLAY is not set)");
        else
            SetLastError("no X display (no X server answers at DISPLAY=%s)", display);
        return false;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXConnectionLost);
    return true;
}

void SdlVideoQuit()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool TakeWindowLost()
{
    const bool lost = s_windowLost;
    s_windowLost = false;
    return lost;
}

void WatchWindow(Display* display, unsigned long window)
{
    s_watched.emplace_back(display, static_cast<::Window>(window));
}

void UnwatchWindow(unsigned long window)
{
    s_watched.erase(std::remove_if(s_watched.begin(), s_watched.end(),
                                   [window](const std::pair<Display*, ::Window>& watched) {
                                       return watched.second == window;
                                   }),
                    s_watched.end());
}

void ProbeWindows()
{
    for (const auto& [display, window] : s_watched) {
        // The error, if any, comes to OnXError; a failure without one says the same.
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window, &attributes))
            s_windowLost = true;
    }
}

}  // namespace standin

extern "C" void standin_set_display_lost_handler(void (*handler)(void))
{
    standin::s_displayLost = handler;
}
