/* The stand-in's bridge between screen windows and EGL, and the hooks tests use to look at a
 * window. On the tablet EGL takes the screen window itself; here the native display and window
 * depend on the backend (sdl: the X11 display and window of the SDL window; headless: Mesa's
 * surfaceless display and a pbuffer of the window's buffer size), so the engine asks for them
 * through these calls. */
#pragma once

#include <EGL/egl.h>

#include "screen/screen.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The EGL display of the backend (not yet initialised; eglInitialize it as usual), or
 * EGL_NO_DISPLAY when there is none. The same display on every call. */
EGLDisplay standin_egl_get_display(void);

/* eglChooseConfig for the backend: attrib_list as the caller would give it (EGL_SURFACE_TYPE is
 * replaced by what the backend's surfaces need), and only configurations with 8 bits for each of
 * red, green, blue and alpha are returned, in EGL's order (Mesa lists 10-10-10-2 configurations
 * first, which match a request for 32 bits just as well). */
EGLBoolean standin_egl_choose_config(EGLDisplay display, const EGLint *attrib_list,
                                     EGLConfig *configs, EGLint config_size, EGLint *num_config);

/* eglCreateWindowSurface over a screen window that has buffers: the X11 window of the sdl
 * backend, a pbuffer of the buffer size in the headless one. EGL_NO_SURFACE on failure. */
EGLSurface standin_egl_create_window_surface(EGLDisplay display, EGLConfig config,
                                             screen_window_t window, const EGLint *attrib_list);

/* Keeps the GL driver that EGL loaded in the process until it exits, even after eglTerminate (for
 * leak checkers, which report at exit: a driver unloaded by then cannot be named in a report or a
 * suppression). */
void standin_egl_keep_driver_loaded(void);

/* Tests and tools: the pixels the window shows now, as rows of R, G, B, A bytes, top row first,
 * stride bytes apart (at least 4 x width). width and height must equal the window's buffer size.
 * The sdl backend reads the window back from the X server (what a screenshot shows: the last
 * frame presented; the window must lie wholly on the screen); the headless backend reads the
 * pbuffer, whose EGL surface must be current.
 * Returns 0, or -1 (window without buffers, wrong size, nothing to read). */
int standin_window_read_pixels(screen_window_t window, int width, int height, unsigned char *rgba,
                               int stride);

#ifdef __cplusplus
}
#endif
