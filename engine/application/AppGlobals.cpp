#include "application/AppGlobals.h"

namespace Vorn {

SmartPtr<AppGlobals> g_appGlobals;
std::vector<SmartPtr<Joystick>> g_joysticks;
NarrowString g_applicationName;

} // namespace Vorn
