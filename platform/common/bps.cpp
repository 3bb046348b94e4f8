// The event core: one process-wide queue that every service posts to and bps_get_event drains.
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#include "Application.h"
#include "EventCore.h"
#include "bps/navigator.h"
#include "screen/screen_events.h"
#include "standin/events.h"
#include "standin/standin.h"

namespace standin {
namespace {

// How long a backgrounded application's empty poll may wait: short enough that a return to the
// foreground feels immediate, long enough that the loop stops spinning a core.
const int BACKGROUND_WAIT_MS = 10;

struct Core {
    std::mutex mutex;
    bool running = false;
    std::deque<bps_event_t> queue;
    bps_event_t current;
    bool requested[DOMAIN_COUNT] = {};
    bool background = false;
    bool inDrain = false;
};

// Never destroyed: a late poll during static destruction must still find it.
Core& GetCore()
{
    static Core* s_core = new Core;
    return *s_core;
}

// What the last delivered navigator event says about the window: the tablet throttles an
// application that is not in the foreground.
void TrackForeground(Core& core, const bps_event_t& event)
{
    if (event.domain != DOMAIN_NAVIGATOR)
        return;
    if (event.code == NAVIGATOR_WINDOW_ACTIVE)
        core.background = false;
    else if (event.code == NAVIGATOR_WINDOW_INACTIVE)
        core.background = true;
    else if (event.code == NAVIGATOR_WINDOW_STATE)
        core.background = event.value != NAVIGATOR_WINDOW_FULLSCREEN;
}

// Takes the next deliverable event into core.current; events of services nobody asked for are
// dropped on the way.
bool TakeNext(Core& core)
{
    while (!core.queue.empty()) {
        bps_event_t event = core.queue.front();
        core.queue.pop_front();
        if (event.domain > 0 && event.domain < DOMAIN_COUNT && core.requested[event.domain]) {
            core.current = event;
            TrackForeground(core, event);
            return true;
        }
    }
    return false;
}

}  // namespace

void PushEvent(const bps_event_t& event)
{
    Core& core = GetCore();
    std::lock_guard<std::mutex> lock(core.mutex);
    core.queue.push_back(event);
}

void PushNavigatorEvent(unsigned int code, int value)
{
    bps_event_t event;
    event.domain = DOMAIN_NAVIGATOR;
    event.code = code;
    event.value = value;
    PushEvent(event);
}

void PushTouch(int type, int x, int y, int id)
{
    bps_event_t event;
    event.domain = DOMAIN_SCREEN;
    event.code = 0;
    event.screen.type = type;
    event.screen.position[0] = x;
    event.screen.position[1] = y;
    event.screen.touchId = id;
    PushEvent(event);
}

void PushKey(int flags, int sym)
{
    bps_event_t event;
    event.domain = DOMAIN_SCREEN;
    event.code = 0;
    event.screen.type = SCREEN_EVENT_KEYBOARD;
    event.screen.keyFlags = flags;
    event.screen.keySym = sym;
    PushEvent(event);
}

void DropMediaEvents(void* userdata)
{
    Core& core = GetCore();
    std::lock_guard<std::mutex> lock(core.mutex);
    for (auto it = core.queue.begin(); it != core.queue.end();) {
        if (it->domain == DOMAIN_MMRENDERER && it->userdata == userdata)
            it = core.queue.erase(it);
        else
            ++it;
    }
}

bool ServicesRunning()
{
    Core& core = GetCore();
    std::lock_guard<std::mutex> lock(core.mutex);
    return core.running;
}

void SetRequested(Domain domain, bool requested)
{
    Core& core = GetCore();
    std::lock_guard<std::mutex> lock(core.mutex);
    core.requested[domain] = requested;
}

char* CopyForCaller(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace standin

using standin::Core;

extern "C" int bps_initialize(void)
{
    standin::SetLastError("%s", "");
    if (!standin::LoadFailuresFromEnvironment() || standin_should_fail("bps_initialize"))
        return BPS_FAILURE;
    Core& core = standin::GetCore();
    {
        std::lock_guard<std::mutex> lock(core.mutex);
        if (core.running)
            return BPS_SUCCESS;
        core.running = true;
        core.background = false;
        core.inDrain = false;
    }
    standin::ResetNavigator();
    standin::GetEventBackend().Reset(true);
    // The sandbox comes with its lock: the tablet runs one copy of an application, and here a
    // second one on the same save area is turned away before it reads or writes anything there.
    if (standin_prepare_sandbox() != 0)
        return BPS_FAILURE;
    standin::CatchExitSignals();
    return BPS_SUCCESS;
}

extern "C" void bps_shutdown(void)
{
    Core& core = standin::GetCore();
    {
        std::lock_guard<std::mutex> lock(core.mutex);
        if (!core.running)
            return;
        core.running = false;
        core.queue.clear();
        for (bool& r : core.requested)
            r = false;
    }
    standin::ResetMediaRequests();
    standin::GetEventBackend().Reset(false);
    standin::UnlockSaveArea();
}

extern "C" int bps_get_event(bps_event_t** event, int timeout_ms)
{
    if (!event)
        return BPS_FAILURE;
    *event = nullptr;
    Core& core = standin::GetCore();
    bool drainStart;
    bool background;
    {
        std::lock_guard<std::mutex> lock(core.mutex);
        if (!core.running)
            return BPS_FAILURE;
        drainStart = !core.inDrain;
        core.inDrain = true;
        background = core.background;
    }
    if (standin::TakeExitSignal())
        standin::PushNavigatorEvent(NAVIGATOR_EXIT, 0);
    standin::EventBackend& backend = standin::GetEventBackend();
    backend.Pump(drainStart, 0);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(core.mutex);
            if (standin::TakeNext(core)) {
                *event = &core.current;
                return BPS_SUCCESS;
            }
        }
        int wait = timeout_ms;
        if (wait == 0 && background && backend.ThrottlesBackground())
            wait = standin::BACKGROUND_WAIT_MS;
        if (wait == 0)
            break;
        // A wait for ever is taken in slices so that events queued by another thread are seen.
        backend.Pump(false, wait < 0 ? 100 : wait);
        if (timeout_ms >= 0) {
            std::lock_guard<std::mutex> lock(core.mutex);
            if (standin::TakeNext(core)) {
                *event = &core.current;
                return BPS_SUCCESS;
            }
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(core.mutex);
        core.inDrain = false;
    }
    standin::ClockDrainEnded();
    return BPS_SUCCESS;
}

extern "C" int bps_event_get_domain(bps_event_t* event)
{
    return event ? event->domain : BPS_FAILURE;
}

extern "C" unsigned int bps_event_get_code(bps_event_t* event)
{
    return event ? event->code : 0;
}

extern "C" void bps_free(void* ptr)
{
    std::free(ptr);
}

extern "C" void standin_queue_navigator_event(unsigned int code, int value)
{
    standin::PushNavigatorEvent(code, value);
}

extern "C" void standin_queue_touch(int type, int x, int y, int id)
{
    standin::PushTouch(type, x, y, id);
}

extern "C" void standin_queue_key(int flags, int sym)
{
    standin::PushKey(flags, sym);
}

extern "C" void standin_queue_media_event(int state, void* userdata)
{
    bps_event_t event;
    event.domain = standin::DOMAIN_MMRENDERER;
    event.mediaState = state;
    event.userdata = userdata;
    standin::PushEvent(event);
}

extern "C" size_t standin_pending_events(void)
{
    Core& core = standin::GetCore();
    std::lock_guard<std::mutex> lock(core.mutex);
    return core.queue.size();
}

extern "C" void standin_clear_events(void)
{
    Core& core = standin::GetCore();
    std::lock_guard<std::mutex> lock(core.mutex);
    core.queue.clear();
}
