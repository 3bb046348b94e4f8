#include "SdlVideo.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
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

// Set by Xlib's error handler, which may call no Xlib itself and runs on whichever thread's Xlib
// call met the error (a video player draws from threads of its own).
std::atomic<bool> s_windowLost{false};
void (*s_displayLost)(void) = nullptr;
// The thread that started the video, which runs the application.
pthread_t s_mainThread;

// The application's own windows; read by the error handler on any thread.
struct Watched {
    std::mutex mutex;
    std::vector<std::pair<Display*, ::Window>> windows;
};

Watched& GetWatched()
{
    static Watched* s_watched = new Watched;  // never destroyed: a late error still finds it
    return *s_watched;
}

bool IsOurWindow(XID resource)
{
    Watched& watched = GetWatched();
    std::lock_guard<std::mutex> lock(watched.mutex);
    for (const auto& window : watched.windows)
        if (window.second == resource)
            return true;
    return false;
}

// Xlib's own handlers end the process on the first protocol error, and its handler for a lost
// connection calls exit, whose static destructors then meet a GL that has lost its display.
// Only the loss of one of the application's own windows ends the run: the windows of a video
// player or a library come and go as they will.
int OnXError(Display*, XErrorEvent* error)
{
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
        IsOurWindow(error->resourceid))
        s_windowLost = true;
    return 0;
}

}  // namespace

int DisplaySocket()
{
    Watched& watched = GetWatched();
    std::lock_guard<std::mutex> lock(watched.mutex);
    return watched.windows.empty() ? -1 : ConnectionNumber(watched.windows.front().first);
}

namespace {

// Whether the server has hung up on the application's own connection: asked of the socket, since
// another thread may be in Xlib on it.
bool OwnConnectionHungUp()
{
    pollfd fd = {DisplaySocket(), POLLRDHUP, 0};
    return fd.fd >= 0 && poll(&fd, 1, 0) == 1 && (fd.revents & (POLLHUP | POLLRDHUP | POLLERR));
}

int OnXConnectionLost(Display*)
{
    // Another thread (a video player's) met the loss of its connection, which Xlib will not let
    // go on: it waits here for ever. When only that connection went (another client killed the
    // picture's window), its player gives up its track, so that the application is not left
    // waiting for a movie that can no longer end. When the server itself has gone, the
    // application's own thread meets the loss next, or the watchdog ends the process.
    if (!pthread_equal(pthread_self(), s_mainThread)) {
        if (!OwnConnectionHungUp())
            VideoConnectionLost();
        for (;;)
            pause();
    }
    SayDisplayLost();
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
    s_mainThread = pthread_self();
    ClaimXErrorHandlers();
    return true;
}

void SdlVideoQuit()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void ClaimXErrorHandlers()
{
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXConnectionLost);
}

bool TakeWindowLost()
{
    return s_windowLost.exchange(false);
}

void WatchWindow(Display* display, unsigned long window)
{
    Watched& watched = GetWatched();
    std::lock_guard<std::mutex> lock(watched.mutex);
    // The windows share the connection, which is watched while any of them is.
    if (watched.windows.empty())
        WatchDisplayConnection(ConnectionNumber(display));
    watched.windows.emplace_back(display, static_cast<::Window>(window));
}

void UnwatchWindow(unsigned long window)
{
    Watched& watched = GetWatched();
    std::lock_guard<std::mutex> lock(watched.mutex);
    auto& windows = watched.windows;
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [window](const std::pair<Display*, ::Window>& w) {
                                     return w.second == window;
                                 }),
                  windows.end());
    if (windows.empty())
        WatchDisplayConnection(-1);
}

void ProbeWindows()
{
    std::vector<std::pair<Display*, ::Window>> windows;
    {
        Watched& watched = GetWatched();
        std::lock_guard<std::mutex> lock(watched.mutex);
        windows = watched.windows;
    }
    for (const auto& [display, window] : windows) {
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
