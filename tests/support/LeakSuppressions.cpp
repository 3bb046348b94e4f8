// Leaks of the system's GL driver and desktop libraries, not ours, at the end of a test process.
// Compiled into every test executable (not taken from the support library, whose members are
// linked only when something calls them), so that each suite gets them whatever helpers it uses.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_dri.so\nleak:libgallium\nleak:libEGL_mesa\nleak:libglapi\nleak:libLLVM\n"
           "leak:libdbus-1\nleak:libX11\nleak:libSDL2\n";
}
