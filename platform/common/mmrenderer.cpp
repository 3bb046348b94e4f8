// The media renderer's side of the event core: event requests per renderer context.
#include <mutex>
#include <string>
#include <vector>

#include "EventCore.h"
#include "bps/mmrenderer.h"
#include "standin/events.h"

namespace {

struct Request {
    int id;
    std::string context;
    void* userdata;
};

struct Requests {
    std::mutex mutex;
    std::vector<Request> list;
    int nextId = 1;
};

Requests& GetRequests()
{
    static Requests* s_requests = new Requests;
    return *s_requests;
}

}  // namespace

namespace standin {

void ResetMediaRequests()
{
    Requests& r = GetRequests();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.list.clear();
}

void PushMediaStateForContext(const std::string& context, int state)
{
    // Queued under the lock that mmrenderer_stop_events takes: once a request is withdrawn, no
    // event naming its user data can be queued any more.
    Requests& r = GetRequests();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const Request& request : r.list)
        if (request.context == context)
            standin_queue_media_event(state, request.userdata);
}

}  // namespace standin

extern "C" int mmrenderer_request_events(const char* ctxname, int flags, void* userdata)
{
    if (!ctxname || flags != 0 || !standin::ServicesRunning())
        return 0;
    int id;
    {
        Requests& r = GetRequests();
        std::lock_guard<std::mutex> lock(r.mutex);
        id = r.nextId++;
        r.list.push_back(Request{id, ctxname, userdata});
        standin::SetRequested(standin::DOMAIN_MMRENDERER, true);
    }
    // Asked after the lock is let go (the renderer's own lock comes first), then queued only
    // while the request still stands.
    if (standin::MediaContextEnded(ctxname)) {
        Requests& r = GetRequests();
        std::lock_guard<std::mutex> lock(r.mutex);
        for (const Request& request : r.list)
            if (request.id == id)
                standin_queue_media_event(MMR_STATE_STOPPED, userdata);
    }
    return id;
}

extern "C" int mmrenderer_stop_events(int request_id)
{
    Requests& r = GetRequests();
    void* userdata = nullptr;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.list.begin();
        while (it != r.list.end() && it->id != request_id)
            ++it;
        if (it == r.list.end())
            return BPS_FAILURE;
        userdata = it->userdata;
        r.list.erase(it);
        standin::SetRequested(standin::DOMAIN_MMRENDERER, !r.list.empty());
        // Under the lock the event thread queues under: nothing naming it can follow.
        standin::DropMediaEvents(userdata);
    }
    return BPS_SUCCESS;
}

extern "C" int mmrenderer_get_domain(void)
{
    return standin::DOMAIN_MMRENDERER;
}

extern "C" mmr_state_t mmrenderer_event_get_state(bps_event_t* event)
{
    if (!event || event->domain != standin::DOMAIN_MMRENDERER)
        return MMR_STATE_DESTROYED;
    return static_cast<mmr_state_t>(event->mediaState);
}

extern "C" void* mmrenderer_event_get_userdata(bps_event_t* event)
{
    if (!event || event->domain != standin::DOMAIN_MMRENDERER)
        return nullptr;
    return event->userdata;
}
