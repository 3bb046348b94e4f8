#include "Version.h"

namespace Vorn {
namespace Version {

NarrowString String;

void StaticInit()
{
    String = NarrowString("VORN ") + "master" + "." + "???" + " built " + __DATE__ + " " + __TIME__;
}

namespace {
// Defined after String, so String is constructed first within this file.
struct Initializer {
    Initializer() { StaticInit(); }
} s_initializer;
} // namespace

} // namespace Version
} // namespace Vorn
