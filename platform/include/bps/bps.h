/* Platform services: the event core of the stand-in (initialise, poll, shut down).
 * Our own declarations of the subset the engine calls, with the tablet's names and semantics. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define BPS_SUCCESS 0
#define BPS_FAILURE (-1)

typedef struct bps_event_t bps_event_t;

/* Starts the platform services for the process. The stand-in also places the process in its
 * sandbox here (see standin/events.h). Returns BPS_SUCCESS, or BPS_FAILURE when the sandbox could
 * not be prepared (the services still start). */
int bps_initialize(void);
/* Stops the services: event requests are withdrawn and undelivered events dropped. */
void bps_shutdown(void);
/* Returns the next pending event in *event, or NULL in *event when none is pending within
 * timeout_ms (0: do not wait; -1: wait for ever). The event stays valid until the next call.
 * Events of a service are delivered only while they are requested (navigator_request_events,
 * screen_request_events, mmrenderer_request_events); others are dropped. Before bps_initialize
 * the result is BPS_FAILURE with *event NULL. On the desktop a backgrounded application (its
 * window last reported inactive or not full screen) waits a few milliseconds here when nothing is
 * pending, even with timeout 0, as the tablet throttles it; stepped headless runs never wait. */
int bps_get_event(bps_event_t **event, int timeout_ms);
/* The service that sent the event (compare with navigator_get_domain() and the like). */
int bps_event_get_domain(bps_event_t *event);
unsigned int bps_event_get_code(bps_event_t *event);
/* Frees a text the services allocated for the caller (the error text of navigator_invoke). */
void bps_free(void *ptr);

#ifdef __cplusplus
}
#endif
