/* PCM output of the platform's audio service: the subset the engine's output device calls, with
 * the tablet's names and semantics, declared here for the stand-in.
 *
 * A handle is opened for playback, configured once with snd_pcm_plugin_params, prepared, and then
 * fed with snd_pcm_plugin_write, which blocks until the device has room for the data: the write is
 * what paces a playback thread. Functions return 0 (EOK) or a negative errno value; the write
 * returns the number of bytes accepted. */
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct snd_pcm snd_pcm_t;

/* snd_pcm_open_name modes */
#define SND_PCM_OPEN_PLAYBACK 0x0001
#define SND_PCM_OPEN_CAPTURE 0x0002

/* channel directions */
#define SND_PCM_CHANNEL_PLAYBACK 0
#define SND_PCM_CHANNEL_CAPTURE 1

/* transfer modes */
#define SND_PCM_MODE_UNKNOWN 0
#define SND_PCM_MODE_BLOCK 1
#define SND_PCM_MODE_STREAM 2

/* when playback starts, when it stops */
#define SND_PCM_START_DATA 1
#define SND_PCM_START_FULL 2
#define SND_PCM_START_GO 3
#define SND_PCM_STOP_STOP 1
#define SND_PCM_STOP_ROLLOVER 2

/* sample formats; the stand-in plays signed 16-bit little-endian only */
#define SND_PCM_SFMT_U8 0
#define SND_PCM_SFMT_S8 1
#define SND_PCM_SFMT_U16_LE 2
#define SND_PCM_SFMT_U16_BE 3
#define SND_PCM_SFMT_S16_LE 4
#define SND_PCM_SFMT_S16_BE 5

/* snd_pcm_plugin_set_disable flags */
#define PLUGIN_DISABLE_MMAP 0x0001
#define PLUGIN_DISABLE_BUFFER_PARTIAL_BLOCKS 0x0002

/* channel states reported by the set-up */
#define SND_PCM_STATUS_NOTREADY 0
#define SND_PCM_STATUS_READY 1
#define SND_PCM_STATUS_PREPARED 2
#define SND_PCM_STATUS_RUNNING 3

typedef struct snd_pcm_info {
    uint32_t type;
    uint32_t flags;
    int32_t card;
    int32_t device;
    char name[80];
    char id[64];
} snd_pcm_info_t;

typedef struct snd_pcm_channel_info {
    int32_t subdevice;
    int32_t channel;
    uint32_t flags;
    uint32_t formats;  /* bit (1 << SND_PCM_SFMT_x) for each accepted format */
    int32_t min_rate;
    int32_t max_rate;
    int32_t min_voices;
    int32_t max_voices;
    int32_t max_buffer_size;
    int32_t min_fragment_size;
    int32_t max_fragment_size;
    int32_t fragment_align;
} snd_pcm_channel_info_t;

typedef struct snd_pcm_format {
    int32_t interleave;
    int32_t format;
    int32_t rate;
    int32_t voices;
} snd_pcm_format_t;

typedef struct snd_pcm_channel_params {
    int32_t channel;
    int32_t mode;
    snd_pcm_format_t format;
    union {
        struct {
            int32_t frag_size;
            int32_t frags_min;
            int32_t frags_max;
        } block;
        struct {
            int32_t queue_size;
            int32_t fill;
            int32_t max_fill;
        } stream;
    } buf;
    int32_t start_mode;
    int32_t stop_mode;
    char sw_mixer_subchn_name[32];
} snd_pcm_channel_params_t;

typedef struct snd_pcm_channel_setup {
    int32_t channel;
    int32_t mode;
    snd_pcm_format_t format;
    union {
        struct {
            int32_t frag_size;
            int32_t frags;
            int32_t frags_min;
            int32_t frags_max;
        } block;
        struct {
            int32_t queue_size;
        } stream;
    } buf;
    int32_t status;
} snd_pcm_channel_setup_t;

/* The desktop's own sound library shares several of these names (snd_pcm_close, snd_pcm_info) and
 * is loaded into the same process by SDL, which calls them: the stand-in's definitions stay
 * inside the program, so that SDL's calls reach the library and ours reach the stand-in. */
#pragma GCC visibility push(hidden)

/* Opens the named device ("pcmPreferred" is the user's preferred output). */
int snd_pcm_open_name(snd_pcm_t **handle, const char *name, int mode);
int snd_pcm_close(snd_pcm_t *handle);
int snd_pcm_info(snd_pcm_t *handle, snd_pcm_info_t *info);
int snd_pcm_plugin_set_disable(snd_pcm_t *handle, unsigned int plugins);
/* Fills what the device accepts for info->channel. */
int snd_pcm_plugin_info(snd_pcm_t *handle, snd_pcm_channel_info_t *info);
/* Sets the format and transfer parameters; refuses (-EINVAL) a format other than interleaved
 * signed 16-bit little-endian, or a rate or voice count outside the device's range. */
int snd_pcm_plugin_params(snd_pcm_t *handle, snd_pcm_channel_params_t *params);
int snd_pcm_plugin_prepare(snd_pcm_t *handle, int channel);
/* Reports the granted set-up for setup->channel. */
int snd_pcm_plugin_setup(snd_pcm_t *handle, snd_pcm_channel_setup_t *setup);
/* Queues size bytes (whole frames); blocks while the device holds more than about two blocks of
 * 4096 bytes not yet played. Returns size, or a negative errno when the handle is not prepared. */
ssize_t snd_pcm_plugin_write(snd_pcm_t *handle, const void *buffer, size_t size);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif
