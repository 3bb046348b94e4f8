/* Events of the media renderer: the renderer tells a client about its context's playback state.
 * Our own declarations of the subset the engine calls, with the tablet's names and semantics. */
#pragma once

#include "bps/bps.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Playback states (mmrenderer_event_get_state). */
typedef enum mmr_state_t {
    MMR_STATE_DESTROYED = 0,
    MMR_STATE_IDLE = 1,
    MMR_STATE_STOPPED = 2,
    MMR_STATE_PLAYING = 3
} mmr_state_t;

/* Asks for the events of the renderer context named ctxname; each event carries userdata.
 * flags: 0. Returns a request id (positive), or 0 on failure (before bps_initialize, or a null
 * name). */
int mmrenderer_request_events(const char *ctxname, int flags, void *userdata);
/* Withdraws a request; its undelivered events are dropped. */
int mmrenderer_stop_events(int request_id);
int mmrenderer_get_domain(void);

mmr_state_t mmrenderer_event_get_state(bps_event_t *event);
void *mmrenderer_event_get_userdata(bps_event_t *event);

#ifdef __cplusplus
}
#endif
