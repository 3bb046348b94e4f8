// Keeping the system's GL driver loaded to the end of the process, for tests and test programs
// that run under LeakSanitizer.
#pragma once

#include "standin/window.h"

namespace VornTest {

// Pins the GL driver that EGL loaded, so that terminating EGL does not unload it: leak reports
// can then name the driver's frames (its own small leaks at termination are suppressed for the
// tests, as are those of the desktop libraries SDL brings in). Call after EGL is initialised. It is
// the platform's own pin, the one the process entry takes in sanitizer builds.
inline void KeepGLDriverLoaded()
{
    standin_egl_keep_driver_loaded();
}

}  // namespace VornTest
