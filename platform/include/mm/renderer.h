/* The media renderer's client library and its parameter dictionaries. Our own declarations of the
 * subset the engine calls, with the tablet's names and semantics.
 *
 * The stand-in plays through libmpv, loaded when the first input is attached (without it, attaching
 * fails and stderr says so once). A context takes one video output, "screen:?winid=ID&wingrp=G":
 * the picture fills the window that made window group G (the desktop backend embeds it there;
 * headless, the video is decoded without a picture), and one audio output, "audio:default": the
 * machine's sound output, or silence paced by the clock when there is none (headless: always).
 * While a track plays, the context reports MMR_STATE_PLAYING every 100 ms; its end, an error while
 * playing, and mmr_stop report MMR_STATE_STOPPED, to every client that asked for the context's
 * events (bps/mmrenderer.h). No call waits for playback or for the player to carry it out, but for
 * two: attaching an input waits while the file is opened and probed (however long a busy machine
 * takes, a minute at most), and detaching the video output until the picture has left the window
 * (ten seconds at most: a player that takes longer is paused and left to shut down in the
 * background). Setting the speed or the volume of a running player waits for the player's answer
 * (not for the change), so that a value it refuses is reported. */
#pragma once

#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mmr_connection mmr_connection_t;
typedef struct mmr_context mmr_context_t;
typedef struct strm_dict strm_dict_t;

/* A connection to the renderer (name: NULL for the default one); NULL on failure. */
mmr_connection_t *mmr_connect(const char *name);
void mmr_disconnect(mmr_connection_t *connection);

/* A named playback context; NULL on failure (a null connection or name). */
mmr_context_t *mmr_context_create(mmr_connection_t *connection, const char *name, uint32_t flags,
                                  mode_t mode);
int mmr_context_destroy(mmr_context_t *ctx);

/* Attaches an output ("screen:..." of type "video", "audio:..." of type "audio"); its id, or -1. */
int mmr_output_attach(mmr_context_t *ctx, const char *url, const char *type);
int mmr_output_detach(mmr_context_t *ctx, unsigned output_id);
/* Sets the output's parameters; the dictionary is consumed whatever the result. 0 or -1 (for an
 * audio output, a "volume" that is not a whole number from 0 to 100, or one the player refuses). */
int mmr_output_parameters(mmr_context_t *ctx, unsigned output_id, strm_dict_t *parms);
/* Attaches the input: a "file://" URL of a readable regular file by its absolute path, taken as it
 * stands (no escapes), of type "track". The file is opened and probed before this returns, paused
 * at its start: 0, or -1 when it is missing or no media file the player can open (the reason in
 * standin_last_error). */
int mmr_input_attach(mmr_context_t *ctx, const char *url, const char *type);
/* Playback speed in thousandths of normal: 0 pauses, 10 to 100000 play. 0 or -1 (no input
 * attached, another speed, or the player refuses it). */
int mmr_speed_set(mmr_context_t *ctx, int speed);
/* Plays the input at the speed set (a track that has ended starts again). 0 or -1. */
int mmr_play(mmr_context_t *ctx);
/* Stops playback and goes back to the start of the track. 0 or -1 (not a context). */
int mmr_stop(mmr_context_t *ctx);

/* Dictionaries of text values. strm_dict_set returns the dictionary to use from then on (the one
 * passed in is consumed) or NULL on failure. */
strm_dict_t *strm_dict_new(void);
strm_dict_t *strm_dict_set(strm_dict_t *dict, const char *key, const char *value);
/* The value of key, or NULL. */
const char *strm_dict_find_value(const strm_dict_t *dict, const char *key);
int strm_dict_destroy(strm_dict_t *dict);

/* Stand-in controls for tests: the volume text last set on an audio output ("" for none), the
 * number of contexts open, and the number of players not yet shut down (a destroyed context's
 * player shuts down in the background). */
const char *standin_mmr_last_volume(void);
int standin_mmr_open_contexts(void);
int standin_mmr_live_players(void);

#ifdef __cplusplus
}
#endif
