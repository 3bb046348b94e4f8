#include "bps/audiodevice.h"
#include "bps/bps.h"

// The stand-in has no audio-device events to deliver (no routing changes, no headset jack), so a
// request only succeeds.
extern "C" int audiodevice_request_events(int)
{
    return BPS_SUCCESS;
}

extern "C" int audiodevice_stop_events(int)
{
    return BPS_SUCCESS;
}
