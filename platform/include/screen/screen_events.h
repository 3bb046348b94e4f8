/* Screen events: multi-touch input of the application's windows, delivered through the platform
 * services' event queue. Our own declarations of the subset the engine calls, with the tablet's
 * names, property numbers and semantics: every call returns 0 on success, or -1 with errno set. */
#pragma once

#include "bps/bps.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _screen_context *screen_context_t;
typedef struct _screen_event *screen_event_t;

/* Event types (SCREEN_PROPERTY_TYPE). */
#define SCREEN_EVENT_MTOUCH_TOUCH 100
#define SCREEN_EVENT_MTOUCH_MOVE 101
#define SCREEN_EVENT_MTOUCH_RELEASE 102

/* Event properties, by the tablet's numbers. */
#define SCREEN_PROPERTY_SOURCE_POSITION 41 /* 2 ints: x, y in window pixels */
#define SCREEN_PROPERTY_TYPE 47            /* 1 int: SCREEN_EVENT_* */
#define SCREEN_PROPERTY_TOUCH_ID 73        /* 1 int: which finger, 0 for the first one down */

/* Asks for the input events of the context's windows. */
int screen_request_events(screen_context_t ctx);
int screen_stop_events(screen_context_t ctx);
int screen_get_domain(void);

/* The screen event a BPS event of the screen domain carries; valid as long as that BPS event. */
screen_event_t screen_event_get_event(bps_event_t *event);
/* Reads an event property into param (as many ints as the property holds); -1 with EINVAL for a
 * property the event does not have. */
int screen_get_event_property_iv(screen_event_t ev, int pname, int *param);

#ifdef __cplusplus
}
#endif
