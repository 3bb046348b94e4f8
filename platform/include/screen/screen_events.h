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
/* A key of an attached keyboard went down or up (SCREEN_PROPERTY_KEY_FLAGS, _KEY_SYM). */
#define SCREEN_EVENT_KEYBOARD 6

/* Event properties, by the tablet's numbers. */
#define SCREEN_PROPERTY_SOURCE_POSITION 41 /* 2 ints: x, y in window pixels */
#define SCREEN_PROPERTY_TYPE 47            /* 1 int: SCREEN_EVENT_* */
#define SCREEN_PROPERTY_TOUCH_ID 73        /* 1 int: which finger, 0 for the first one down */
#define SCREEN_PROPERTY_KEY_FLAGS 200      /* 1 int: KEY_FLAG_DOWN while the key is down */
#define SCREEN_PROPERTY_KEY_SYM 201        /* 1 int: the key's symbol (below) */

/* Key flags and symbols: a printable key reports its unshifted character (the digit row and
 * small letters), the others these codes. */
#define KEY_FLAG_DOWN 0x01
#define KEYSYM_BACKSPACE 0x100
#define KEYSYM_RETURN 0x101
#define KEYSYM_LEFT 0x102
#define KEYSYM_RIGHT 0x103
#define KEYSYM_UP 0x104
#define KEYSYM_DOWN 0x105
#define KEYSYM_PAGE_UP 0x106
#define KEYSYM_PAGE_DOWN 0x107
#define KEYSYM_SHIFT 0x108
#define KEYSYM_F12 0x109

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
