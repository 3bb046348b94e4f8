/* The stand-in's own audio controls, which the tablet does not have: what kind of output a PCM
 * handle got, and, on the headless backend, a capture device for tests. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum standin_audio_sink {
    STANDIN_AUDIO_SINK_NONE = 0,      /* no PCM handle configured yet */
    STANDIN_AUDIO_SINK_SDL = 1,       /* an SDL audio device on the default driver */
    STANDIN_AUDIO_SINK_SDL_DUMMY = 2, /* SDL's dummy driver: no sound card, paced by SDL */
    STANDIN_AUDIO_SINK_NULL = 3,      /* the null device, paced by the clock */
    STANDIN_AUDIO_SINK_CAPTURE = 4    /* headless capture: keeps what it is given */
} standin_audio_sink;

/* The kind of output the most recently configured PCM handle got. */
standin_audio_sink standin_audio_last_sink(void);
/* Handles opened and closed since the process started (any backend). */
unsigned standin_audio_open_count(void);
unsigned standin_audio_close_count(void);

/* Headless backend: while on, PCM handles configured afterwards capture every byte written to
 * them (paced like the null device) instead of dropping it. Turning it off keeps what was kept. */
void standin_audio_set_capture(int on);
/* Bytes captured and not yet taken. */
size_t standin_audio_captured_size(void);
/* Moves up to max captured bytes, oldest first, into out; returns the count. */
size_t standin_audio_take_captured(void *out, size_t max);
/* Drops everything captured. */
void standin_audio_clear_captured(void);

#ifdef __cplusplus
}
#endif
