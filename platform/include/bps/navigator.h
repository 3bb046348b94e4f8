/* The navigator: the system shell's events for the application window (exit, activation, window
 * state, orientation) and the invocation of other applications. Our own declarations of the subset
 * the engine calls, with the tablet's names, codes and semantics. */
#pragma once

#include <stdbool.h>

#include "bps/bps.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Event codes (bps_event_get_code of a navigator event). */
#define NAVIGATOR_EXIT 0x02
#define NAVIGATOR_WINDOW_STATE 0x03
#define NAVIGATOR_ORIENTATION_CHECK 0x07
#define NAVIGATOR_ORIENTATION 0x08
#define NAVIGATOR_WINDOW_ACTIVE 0x0a
#define NAVIGATOR_WINDOW_INACTIVE 0x0b

typedef enum navigator_window_state_t {
    NAVIGATOR_WINDOW_FULLSCREEN = 0,
    NAVIGATOR_WINDOW_THUMBNAIL = 1,
    NAVIGATOR_WINDOW_INVISIBLE = 2
} navigator_window_state_t;

/* flags: 0. Returns BPS_SUCCESS, or BPS_FAILURE before bps_initialize. */
int navigator_request_events(int flags);
int navigator_stop_events(int flags);
int navigator_get_domain(void);

/* Of a NAVIGATOR_WINDOW_STATE event. */
navigator_window_state_t navigator_event_get_window_state(bps_event_t *event);
/* Of a NAVIGATOR_ORIENTATION_CHECK or NAVIGATOR_ORIENTATION event: 0, 90, 180 or 270. */
int navigator_event_get_orientation_angle(bps_event_t *event);
/* Answers an orientation check: will_rotate true accepts the rotation. */
int navigator_orientation_check_response(bps_event_t *event, bool will_rotate);

/* Opens uri with the application the system associates with it (a web address: the browser).
 * BPS_SUCCESS when it was handed over; BPS_FAILURE otherwise, and then, when err is not NULL, *err
 * receives a text to free with bps_free. The desktop backend runs the desktop's opener
 * (xdg-open) and fails when there is none; the headless backend records the address (see
 * standin/events.h) and succeeds. */
int navigator_invoke(const char *uri, char **err);

#ifdef __cplusplus
}
#endif
