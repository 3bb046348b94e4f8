// SDL's video subsystem, shared by everything of the sdl backend that needs it (windows, and the
// events that come from them). Calls nest: each successful SdlVideoInit needs one SdlVideoQuit.
#pragma once

typedef struct _XDisplay Display;

namespace standin {

// Starts SDL's video on its X11 driver (EGL needs native X11 handles); false, with the reason
// (standin_last_error), when no X server can be reached. From then on the X server's complaints
// about one of the application's windows that is gone end the run as a close does
// (TakeWindowLost), and the loss of the server itself runs the display-lost handler and ends the
// process (or the watchdog does, when the application's thread is stuck in the driver).
bool SdlVideoInit();
void SdlVideoQuit();

// Puts the platform's X error handlers back: Xlib's handlers are the process's, and a library
// that sets its own (a video player's output does while it draws) leaves Xlib's fatal defaults
// behind when it closes. Main thread; cheap enough for every event pump.
void ClaimXErrorHandlers();

// Whether the X server said one of the watched windows or its drawable is gone (destroyed by
// another client) since the last call.
bool TakeWindowLost();

// The application's own windows, which ProbeWindows asks the server about, and whose connection
// the watchdog watches while any is. An application that waits in the background draws nothing,
// so without asking, the loss of its window would be heard of only when it draws again.
void WatchWindow(Display* display, unsigned long window);
void UnwatchWindow(unsigned long window);
// One round trip for each watched window; a window that is gone is then told by TakeWindowLost.
void ProbeWindows();

}  // namespace standin
