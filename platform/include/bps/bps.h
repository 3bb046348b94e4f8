/* Platform services: the event core of the stand-in (initialise, poll, shut down).
 * Our own declarations of the subset the engine calls, with the tablet's names and semantics. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define BPS_SUCCESS 0
#define BPS_FAILURE (-1)

typedef struct bps_event_t bps_event_t;

int bps_initialize(void);
void bps_shutdown(void);
/* Returns the next pending event in *event, or NULL in *event when none is pending within
 * timeout_ms (0: do not wait; -1: wait for ever). */
int bps_get_event(bps_event_t **event, int timeout_ms);
int bps_event_get_domain(bps_event_t *event);
unsigned int bps_event_get_code(bps_event_t *event);

#ifdef __cplusplus
}
#endif
