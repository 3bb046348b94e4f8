// The game's executable: main() is the engine's process entry (vorn_main), which asks the game's
// library for its application (Tessela::CreateApplication). This file only adds what belongs to
// the program as a whole.

// Leaks of the system's GL driver and of libxcb at exit, not ours: not reported when the game runs
// under LeakSanitizer. The same list as the tests' (tests/support/LeakSuppressions.cpp), which says
// why these and no others.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_dri.so\nleak:libgallium\nleak:libEGL_mesa\nleak:libglapi\nleak:libLLVM\n"
           "leak:libxcb.so\n";
}
