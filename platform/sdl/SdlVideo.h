// SDL's video subsystem, shared by everything of the sdl backend that needs it (windows, and the
// events that come from them). Calls nest: each successful SdlVideoInit needs one SdlVideoQuit.
#pragma once

namespace standin {

// Starts SDL's video on its X11 driver (EGL needs native X11 handles); false when no X server
// can be reached.
bool SdlVideoInit();
void SdlVideoQuit();

}  // namespace standin
