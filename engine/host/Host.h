// What this build's platform stand-in offers beyond the tablet's own interfaces (events and the
// navigator, screen windows, PCM output, the media renderer): its reasons for failures, its clock,
// its choice of EGL display and window, the sandbox it prepares and the developer switches it
// reads from the environment. Host.cpp is the one engine source that calls the stand-in's own
// functions; the tablet folders (the playbook folders) ask for them here.
#pragma once

#include <EGL/egl.h>
#include <sys/time.h>

#include <string>

#include "screen/screen.h"

namespace Vorn {
namespace Host {

// Why the last platform call failed, or "" when the platform gave no reason.
const char* LastError();
// Called once when the display goes away for good (the X server lost); null removes it.
void SetDisplayLostHandler(void (*handler)());
// Sanitizer builds keep the GL driver loaded to the end, so that its leaks can be told apart.
void KeepGLDriverLoaded();
// Removes the sandbox a start that gave up had prepared.
void DiscardSandbox();
// Where a file installed with the program lies: PREFIX/relative for a program in PREFIX/bin (named
// even when missing), or buildCopy for a program of the build tree that has none installed there.
std::string InstalledFile(const char* relative, const char* buildCopy);

// The platform's time of day: the real one, or a stepped one in headless runs. 0 on success.
int GetTimeOfDay(timeval* tv);
// The display's refresh rate in Hz, 0 when the clock is simulated.
int DisplayRefreshRate();

// Developer switches: the debug overlay, and the remote console's port (0: none).
bool DebugOverlayWanted();
int RemoteConsolePort();

// The EGL display, configuration and window surface of the platform's window.
EGLDisplay GetEGLDisplay();
EGLBoolean ChooseEGLConfig(EGLDisplay display, const EGLint* attributes, EGLConfig* configs,
                           EGLint size, EGLint* count);
EGLSurface CreateWindowSurface(EGLDisplay display, EGLConfig config, screen_window_t window,
                               const EGLint* attributes);

}  // namespace Host
}  // namespace Vorn
