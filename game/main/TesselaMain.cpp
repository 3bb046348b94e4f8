// The game's executable: main() is the engine's process entry (vorn_main), which asks the game's
// library for its application (Tessela::CreateApplication). This file only adds what belongs to
// the program as a whole.

// Leaks of the system's GL driver and desktop libraries at exit, not ours: not reported when the
// game runs under LeakSanitizer.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_dri.so\nleak:libgallium\nleak:libEGL_mesa\nleak:libglapi\nleak:libLLVM\n"
           "leak:libdbus-1\nleak:libX11\nleak:libSDL2\n";
}
