// libmpv, which the media renderer (mmr.cpp) plays its tracks with. It is loaded when the first
// input is attached, not with the process: a program that plays no movie never loads it (nor the
// couple of hundred libraries it brings).
#pragma once

#include <mpv/client.h>

namespace standin {

// The libmpv calls the media renderer makes, looked up in the library when it is first needed.
#define VORN_MPV_CALLS(X) \
    X(create) X(set_option_string) X(initialize) X(terminate_destroy) X(command_async) \
    X(set_property_string) X(set_property_async) X(wait_event) X(wakeup) X(error_string)

struct MpvCalls {
#define VORN_MPV_FIELD(name) decltype(&::mpv_##name) name = nullptr;
    VORN_MPV_CALLS(VORN_MPV_FIELD)
#undef VORN_MPV_FIELD
};

// libmpv's calls, loading the library on first use; null, with one line on stderr the first
// time, when it cannot be loaded (or VORN_FAIL names mmr_load_mpv). Any thread.
const MpvCalls* LoadMpv();
// The calls, once LoadMpv has given them: for the players it made possible.
const MpvCalls& Mpv();

}  // namespace standin
