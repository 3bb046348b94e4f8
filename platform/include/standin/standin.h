/* The stand-in's own controls, which the tablet does not have: which backend runs, and the
 * display size it reports. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef enum standin_backend {
    STANDIN_BACKEND_SDL = 0,      /* a desktop window, SDL audio */
    STANDIN_BACKEND_HEADLESS = 1  /* no window: EGL pbuffer, queued events, null or capture audio */
} standin_backend;

/* The backend in use: headless when VORN_PLATFORM=headless, or when standin_set_backend chose it;
 * sdl otherwise (a VORN_PLATFORM that is neither "sdl" nor "headless" is said on stderr). Decided
 * once, on first call, unless standin_set_backend is called first. */
standin_backend standin_get_backend(void);
/* Tests call this before any platform call to choose a backend explicitly. */
void standin_set_backend(standin_backend backend);

/* The display the stand-in pretends to have, in pixels as the user sees it (portrait when the
 * width is the smaller side). VORN_SCREEN=WxH overrides it (each side 1..16384); otherwise the
 * headless backend reports 480x800 and the sdl backend the largest of the base sizes 600x1024,
 * 480x800, 320x480 and 240x320 that fits the desktop (the smallest when none fits). A VORN_SCREEN
 * smaller than 240x320 gets the smallest base size instead, and one that is no such size is
 * ignored; either way stderr says so. Decided on first call, unless standin_set_display_size is
 * called first. */
void standin_get_display_size(int *width, int *height);
/* Frames per second the application's frames are paced to when presenting one does not wait for
 * the display: the desktop display's refresh rate (60 when it gives none). 0 while the clock is
 * stepped (standin_clock_set_step): then time is simulated and frames are not paced. */
int standin_display_refresh_rate(void);
/* Tests: choose the display size explicitly (non-positive values restore the automatic choice). */
void standin_set_display_size(int width, int height);
/* Tests: the angle orientation_get reports (0, 90, 180 or 270); any other value restores the
 * natural one (90 for a portrait display, 0 for a landscape one). */
void standin_set_orientation(int angle);

/* Developer switches, read from the environment on each call. VORN_DEBUG_OVERLAY=1: the engine
 * makes its debug overlay (console key: F12 or `). VORN_REMOTE_CONSOLE=PORT: it also serves the
 * overlay's console on 127.0.0.1:PORT (1..65535; anything else is 0, off). */
int standin_debug_overlay(void);
int standin_remote_console_port(void);

/* Where a file installed with the program lies: PREFIX/relative for a program in PREFIX/bin
 * (even when the file is not there, so that the place can be named), or build_copy for a program
 * of the build tree when the file was not installed there too. A text to free with bps_free;
 * "" when the program's own path is unknown. */
char *standin_installed_file(const char *relative, const char *build_copy);

/* Why the last platform call that failed for a reason the stand-in knows did (no X display, the
 * save area held by another copy, a failure made on purpose); "" when none is known, so that
 * errno is the reason. Main thread. */
const char *standin_last_error(void);

/* Called, on the main thread, when the desktop's display goes away under the application (the X
 * server ends): the application cannot draw or take another event, so this is its one chance to
 * keep its state. The process then ends with exit code 0. NULL: none. */
void standin_set_display_lost_handler(void (*handler)(void));

#ifdef __cplusplus
}
#endif
