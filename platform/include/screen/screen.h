/* Windowing: screen contexts, windows, window groups and window buffers.
 * Our own declarations of the subset the engine and its runtime call, with the tablet's names,
 * property numbers and semantics: every call returns 0 on success, or -1 with errno set. */
#pragma once

/* Input events of the windows: screen_request_events and the event properties. */
#include "screen/screen_events.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _screen_context *screen_context_t;
typedef struct _screen_window *screen_window_t;

/* Context types (screen_create_context flags). */
#define SCREEN_APPLICATION_CONTEXT 0

/* Window properties, by the tablet's numbers. Each holds the number of ints given beside it. */
#define SCREEN_PROPERTY_ALPHA_MODE 1     /* 1: SCREEN_*_ALPHA */
#define SCREEN_PROPERTY_BUFFER_COUNT 4   /* 1: read only, set by screen_create_window_buffers */
#define SCREEN_PROPERTY_BUFFER_SIZE 5    /* 2: width, height of the window buffers */
#define SCREEN_PROPERTY_FORMAT 14        /* 1: SCREEN_FORMAT_* */
#define SCREEN_PROPERTY_ROTATION 38      /* 1: 0, 90, 180 or 270 degrees */
#define SCREEN_PROPERTY_SOURCE_SIZE 42   /* 2: width, height of the buffer area shown */
#define SCREEN_PROPERTY_USAGE 48         /* 1: SCREEN_USAGE_* bits */
#define SCREEN_PROPERTY_SWAP_INTERVAL 57 /* 1: frames between buffer swaps */

#define SCREEN_NON_PRE_MULTIPLIED_ALPHA 0
#define SCREEN_PRE_MULTIPLIED_ALPHA 1

#define SCREEN_FORMAT_RGBA8888 7
#define SCREEN_FORMAT_RGBX8888 8

#define SCREEN_USAGE_OPENGL_ES2 (1 << 5)
#define SCREEN_USAGE_ROTATION (1 << 9)

int screen_create_context(screen_context_t *pctx, int flags);
/* Destroys the context and every window still made in it. */
int screen_destroy_context(screen_context_t ctx);

/* A new window of the context. Its buffer size starts as the display's natural size (the long
 * side horizontal), rotation 0; it has no buffers (and no visible window) until
 * screen_create_window_buffers. */
int screen_create_window(screen_window_t *pwin, screen_context_t ctx);
int screen_create_window_group(screen_window_t win, const char *name);
int screen_destroy_window(screen_window_t win);

int screen_set_window_property_iv(screen_window_t win, int pname, const int *param);
int screen_get_window_property_iv(screen_window_t win, int pname, int *param);

/* Makes count (1 or more) buffers of the window's buffer size; a window that has buffers is
 * resized to the new size. The rotation property is recorded, the buffers are not turned. */
int screen_create_window_buffers(screen_window_t win, int count);
int screen_destroy_window_buffers(screen_window_t win);

#ifdef __cplusplus
}
#endif
