// Leaks of the system's GL driver and of libxcb, not ours, at the end of a test process (the game's
// executable names the same in game/main): neither calls any code of ours, so a leak with one of
// them on its stack was allocated inside it (libxcb's seen: 36 bytes when another client destroys
// the game's window). Here also libmpv's, with the fontconfig its subtitles use, which the game
// never loads: a movie player whose picture lost its X connection is given up with what its
// threads hold, never shut down, and one still shutting down when the process ends is left to it
// (platform/common/MpvPlayer.h). The table of suppressions used is not printed: a test that checks
// stderr would take it for noise. The desktop libraries
// (SDL, X11, D-Bus) are not named here: a suppression matches any frame of a leak's stack, so it
// would hide our own leaks made under their calls too. What they keep for themselves is covered by
// the platform's guard around the calls that make it (platform/sdl/UncheckedLibraryCall.h).
// Compiled into every test executable (not taken from the support library, whose members are
// linked only when something calls them), so that each suite gets them whatever helpers it uses.
#include <cstdlib>

extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_dri.so\nleak:libgallium\nleak:libEGL_mesa\nleak:libglapi\nleak:libLLVM\n"
           "leak:libxcb.so\nleak:libmpv.so\nleak:libfontconfig.so\n";
}

namespace {

// No shader cache on disk for the test processes and the programs they start (tests/CMakeLists.txt
// says why). Set before main, so before any test brings up EGL.
const bool s_noShaderCache = setenv("MESA_SHADER_CACHE_DISABLE", "true", 0) == 0;

}  // namespace
