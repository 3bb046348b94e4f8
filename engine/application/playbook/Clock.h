// The runtime's clock: milliseconds of the time of day, and a sleep.
#pragma once

#include "system/Types.h"

namespace Vorn {

// Milliseconds since the epoch: seconds of the platform's time of day x 1000 + microseconds / 1000.
// Any thread.
u64 GetTime();

// Sleeps for a non-negative duration in seconds: the whole seconds, then the rest in microseconds.
void Sleep(float seconds);

} // namespace Vorn
