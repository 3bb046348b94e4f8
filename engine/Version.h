// The engine's version banner.
#pragma once

#include "base/NarrowString.h"

namespace Vorn {
namespace Version {

// "VORN ", the project's version (as CMake's project() gives it, "0.1"), " built " and the build
// date and time ("Nov 21 2012 17:45:05"); filled during static initialisation, before main runs.
extern NarrowString String;
void StaticInit();

} // namespace Version
} // namespace Vorn
