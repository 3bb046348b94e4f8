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
 * sdl otherwise. Decided once, on first call, unless standin_set_backend is called first. */
standin_backend standin_get_backend(void);
/* Tests call this before any platform call to choose a backend explicitly. */
void standin_set_backend(standin_backend backend);

#ifdef __cplusplus
}
#endif
