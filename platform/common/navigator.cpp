// The navigator's side of the event core: its requests, the payload of its events, orientation
// answers and the invocation of other applications.
#include <atomic>
#include <mutex>
#include <string>

#include "EventCore.h"
#include "bps/navigator.h"
#include "standin/events.h"

namespace {

std::atomic<int> s_orientationResponse{-1};

std::mutex& InvokeMutex()
{
    static std::mutex s_mutex;
    return s_mutex;
}

std::string& LastInvoke()
{
    static std::string* s_last = new std::string;
    return *s_last;
}

}  // namespace

namespace standin {

void ResetNavigator()
{
    s_orientationResponse = -1;
}

void RecordInvoke(const std::string& uri)
{
    std::lock_guard<std::mutex> lock(InvokeMutex());
    LastInvoke() = uri;
}

}  // namespace standin

extern "C" int navigator_request_events(int flags)
{
    if (flags != 0 || !standin::ServicesRunning() || standin_should_fail("navigator_request_events"))
        return BPS_FAILURE;
    standin::SetRequested(standin::DOMAIN_NAVIGATOR, true);
    return BPS_SUCCESS;
}

extern "C" int navigator_stop_events(int)
{
    if (!standin::ServicesRunning())
        return BPS_FAILURE;
    standin::SetRequested(standin::DOMAIN_NAVIGATOR, false);
    return BPS_SUCCESS;
}

extern "C" int navigator_get_domain(void)
{
    return standin::DOMAIN_NAVIGATOR;
}

extern "C" navigator_window_state_t navigator_event_get_window_state(bps_event_t* event)
{
    if (!event || event->domain != standin::DOMAIN_NAVIGATOR || event->code != NAVIGATOR_WINDOW_STATE)
        return NAVIGATOR_WINDOW_INVISIBLE;
    return static_cast<navigator_window_state_t>(event->value);
}

extern "C" int navigator_event_get_orientation_angle(bps_event_t* event)
{
    if (!event || event->domain != standin::DOMAIN_NAVIGATOR ||
        (event->code != NAVIGATOR_ORIENTATION_CHECK && event->code != NAVIGATOR_ORIENTATION))
        return BPS_FAILURE;
    return event->value;
}

extern "C" int navigator_orientation_check_response(bps_event_t* event, bool will_rotate)
{
    if (!event || event->domain != standin::DOMAIN_NAVIGATOR ||
        event->code != NAVIGATOR_ORIENTATION_CHECK)
        return BPS_FAILURE;
    s_orientationResponse = will_rotate ? 1 : 0;
    return BPS_SUCCESS;
}

extern "C" int navigator_invoke(const char* uri, char** err)
{
    if (err)
        *err = nullptr;
    std::string error;
    bool ok = false;
    if (!uri || !*uri)
        error = "no address";
    // An address is never taken for an option of the opener.
    else if (uri[0] == '-')
        error = "not an address";
    else if (standin_should_fail("navigator_invoke"))
        error = "invocation refused";
    else
        ok = standin::GetEventBackend().Invoke(uri, error);
    if (ok)
        return BPS_SUCCESS;
    if (err)
        *err = standin::CopyForCaller(error);
    return BPS_FAILURE;
}

extern "C" int standin_orientation_response(void)
{
    return s_orientationResponse;
}

extern "C" const char* standin_last_invoke(void)
{
    std::lock_guard<std::mutex> lock(InvokeMutex());
    return LastInvoke().c_str();
}
