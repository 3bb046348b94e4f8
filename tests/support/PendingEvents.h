// The events the platform services hold now, taken one by one without waiting.
#pragma once

#include "bps/bps.h"

namespace VornTest {

// Takes each pending event in turn and hands it to each(bps_event_t*); returns once none is left.
template <class Each>
void ForEachPendingEvent(Each each)
{
    for (;;) {
        bps_event_t* e = nullptr;
        bps_get_event(&e, 0);
        if (!e)
            return;
        each(e);
    }
}

}  // namespace VornTest
