// The screen's side of the event core: input requests and the properties of its events.
#include <cerrno>

#include "EventCore.h"
#include "screen/screen_events.h"

extern "C" int screen_request_events(screen_context_t ctx)
{
    if (!ctx || !standin::ServicesRunning()) {
        errno = EINVAL;
        return -1;
    }
    standin::SetRequested(standin::DOMAIN_SCREEN, true);
    return 0;
}

extern "C" int screen_stop_events(screen_context_t ctx)
{
    if (!ctx || !standin::ServicesRunning()) {
        errno = EINVAL;
        return -1;
    }
    standin::SetRequested(standin::DOMAIN_SCREEN, false);
    return 0;
}

extern "C" int screen_get_domain(void)
{
    return standin::DOMAIN_SCREEN;
}

extern "C" screen_event_t screen_event_get_event(bps_event_t* event)
{
    if (!event || event->domain != standin::DOMAIN_SCREEN)
        return nullptr;
    return &event->screen;
}

extern "C" int screen_get_event_property_iv(screen_event_t ev, int pname, int* param)
{
    if (!ev || !param) {
        errno = EINVAL;
        return -1;
    }
    switch (pname) {
    case SCREEN_PROPERTY_TYPE:
        param[0] = ev->type;
        return 0;
    case SCREEN_PROPERTY_SOURCE_POSITION:
        param[0] = ev->position[0];
        param[1] = ev->position[1];
        return 0;
    case SCREEN_PROPERTY_TOUCH_ID:
        param[0] = ev->touchId;
        return 0;
    case SCREEN_PROPERTY_KEY_FLAGS:
    case SCREEN_PROPERTY_KEY_SYM:
        if (ev->type != SCREEN_EVENT_KEYBOARD)
            break;
        param[0] = pname == SCREEN_PROPERTY_KEY_FLAGS ? ev->keyFlags : ev->keySym;
        return 0;
    default:
        break;
    }
    errno = EINVAL;
    return -1;
}
