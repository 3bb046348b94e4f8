// SDL's video subsystem, shared by everything of the sdl backend that needs it (windows, and the
// events that come from them). Calls nest: each successful SdlVideoInit needs one SdlVideoQuit.
#pragma once

typedef struct _XDisplay Display;

namespace standin {

// Starts SDL's video on its X11 driver (EGL needs native X11 handles); false, with the reason
// (standin_last_error), when no X server can be reached. From then on the X server's complaints
// about a window that is gone end the run as a close does (TakeWindowLost), and the loss of the
// server itself runs the display-lost handler and ends the process.
bool SdlVideoInit();
void SdlVideoQuit();

// Whether the X server said a window or its drawable is gone (destroyed by another client)
// since the last call.
bool TakeWindowLost();

// The application's own windows, which ProbeWindows asks the server about. An application that
// waits in the background draws nothing, so without asking, the loss of its window would be
// heard of only when it draws again.
void WatchWindow(Display* display, unsigned long window);
void UnwatchWindow(unsigned long window);
// One round trip for each watched window; a window that is gone is then told by TakeWindowLost.
void ProbeWindows();

}  // namespace standin
