#include "Version.h"

#ifndef VORN_VERSION
#error "the build defines VORN_VERSION, the project's version"
#endif

namespace Vorn {
namespace Version {

NarrowString String;

void StaticInit()
{
    String = NarrowString("VORN ") + VORN_VERSION + " built " + __DATE__ + " " + __TIME__;
}

namespace {
// Defined after String, so String is constructed first within this file.
struct Initializer {
    Initializer() { StaticInit(); }
} s_initializer;
} // namespace

} // namespace Version
} // namespace Vorn
