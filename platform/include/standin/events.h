/* The stand-in's own event and process controls, which the tablet does not have: queuing
 * events as the system would send them, the stepped clock of headless runs, making platform calls
 * fail, and the application's sandbox.
 *
 * Environment (read by bps_initialize):
 *   VORN_EVENTS=FILE   headless backend: play the event script FILE (format below).
 *   VORN_FAIL=A,B,...  make each named call fail once (names as standin_fail_call takes them);
 *                      a name that is no such call makes bps_initialize fail.
 *   VORN_DATA_DIR=DIR  the directory app/native/ shows (the game's archives); see the sandbox.
 *
 * Event scripts: one command per line; '#' starts a comment. Commands up to a "frames" line are
 * delivered together in one event drain, after which the script waits for the given number of
 * drains. A script that ends without "exit" leaves the application running.
 *   step MS                the stepped clock advances MS milliseconds per drain (1..60000)
 *   frames N               let N drains go by (N >= 1) before the next commands
 *   exit                   navigator exit
 *   active | inactive      navigator window active / inactive
 *   state fullscreen|thumbnail|invisible
 *   orientation-check ANGLE, orientation ANGLE   (0, 90, 180 or 270)
 *   touch X Y ID | move X Y ID | release X Y ID   screen multi-touch events
 *
 * Sandbox: on the tablet an application starts in a directory holding app/native/ (its install
 * data) and data/ (its writable files). bps_initialize makes the working directory such a
 * directory unless it already is one (it holds app/native, even as a dangling link, and the
 * directory data): the directory
 * $XDG_DATA_HOME/tessela (default ~/.local/share/tessela) with data/ in it and app/native a link to
 * the game's archives: VORN_DATA_DIR, else <executable>/../share/tessela (named even when the
 * archives are not there); only a program of the build tree with no archives installed beside it
 * takes the build tree's data directory. While the services run
 * they hold a lock on the save area (the file data/.lock, taken by standin_prepare_sandbox before
 * it changes anything): bps_initialize fails while another process holds it, says why in
 * standin_last_error, and leaves the sandbox to that process, even the directories it made itself.
 * The services remove the lock file when they stop, from the folder it is in then (one moved while
 * it ran), unless another copy's file has taken its name.
 *
 * Signals: while the services run, SIGTERM, SIGINT and SIGHUP are each delivered as a navigator
 * exit (NAVIGATOR_EXIT) at the next bps_get_event, as the tablet asks an application to end. One
 * that no bps_get_event takes within 3 s (a loop stuck in a driver, or a process still running 3 s
 * after its services stopped) ends the process directly, with one line on stderr, the save area's
 * lock file removed, and the exit code of the signal that was not obeyed (128 + its number: 143
 * for SIGTERM, 130 for SIGINT, 129 for SIGHUP). The loss of the desktop's display ends it the same
 * way, with exit code 0, when the process has not ended 3 s later. From the first bps_initialize
 * on, a write to a pipe or socket whose reader has gone fails with EPIPE instead of raising
 * SIGPIPE. */
#pragma once

#include <stddef.h>
#include <sys/time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Queues events behind those pending, as the system would send them (any backend). code is a
 * NAVIGATOR_* code; value is the window state for NAVIGATOR_WINDOW_STATE and the angle for the two
 * orientation codes, unused otherwise. */
void standin_queue_navigator_event(unsigned int code, int value);
/* type: SCREEN_EVENT_MTOUCH_TOUCH, _MOVE or _RELEASE. */
void standin_queue_touch(int type, int x, int y, int id);
/* A keyboard event: flags KEY_FLAG_DOWN or 0, sym a key symbol (screen/screen_events.h). */
void standin_queue_key(int flags, int sym);
/* A media-renderer event with the state and the user data of a request. */
void standin_queue_media_event(int state, void *userdata);
/* Events queued and not yet delivered. */
size_t standin_pending_events(void);
void standin_clear_events(void);

/* The last answer of navigator_orientation_check_response: 1 accepted, 0 refused, -1 none since
 * bps_initialize. */
int standin_orientation_response(void);
/* The address of the last navigator_invoke handed over by the headless backend ("" for none);
 * valid until the next invoke. */
const char *standin_last_invoke(void);

/* Makes the next `times` calls of the named platform call fail as the call fails on the tablet.
 * Names: bps_initialize, navigator_request_events, navigator_invoke, screen_create_context,
 * screen_create_window, screen_create_window_group, screen_destroy_window,
 * screen_destroy_context; mmr_load_mpv (the media renderer's library loads as though it were
 * missing), mmr_speed_set and mmr_output_parameters (its player refuses the value given, when it
 * runs). times 0 clears. Returns 0, or -1 for an unknown name. */
int standin_fail_call(const char *name, int times);
/* Consumes one pending failure of the call; 1 when it must fail now. For the stand-in's calls. */
int standin_should_fail(const char *name);

/* The time of day the platform reports (what gettimeofday gives on the tablet). Real time, or,
 * once stepping is on, a clock that stands still except that it advances by the step at the end
 * of every event drain (when bps_get_event finds nothing pending) and by standin_clock_advance.
 * The headless backend steps by 16 ms from the start; the sdl backend runs in real time. */
int standin_gettimeofday(struct timeval *tv);
/* ms > 0: stepped, by ms per drain (the clock continues from where it is); 0: real time. */
void standin_clock_set_step(int ms);
int standin_clock_get_step(void);
void standin_clock_advance(int ms);

/* Headless backend: plays the event script at path from the next drain on, in place of any
 * script playing (0, or -1 when the file cannot be read or a line is not understood; then nothing
 * changes and, when message is not NULL, *message receives a text to free with bps_free: why the
 * file cannot be read, or the line not understood). */
int standin_load_event_script(const char *path, char **message);
/* 1 while a script has commands left. */
int standin_event_script_running(void);

/* Tests of the watchdog that ends a process as above. standin_watch_display_connection watches
 * the file descriptor fd (a duplicate of it) as the desktop backend watches its X connection: a
 * hang-up on it is the display's loss; -1 watches none. standin_hold_watchdog(1) returns once the
 * watchdog has stopped before it looks at what woke it next, with 1 when an ending is pending then
 * (an end signal not taken, or a watched connection that hung up), else 0; it looks at everything
 * pending when standin_hold_watchdog(0) lets it go on. */
void standin_watch_display_connection(int fd);
int standin_hold_watchdog(int hold);

/* The sandbox as bps_initialize prepares it: 0 on success (the working directory is the
 * sandbox), -1 otherwise (then nothing of it is left). */
int standin_prepare_sandbox(void);
/* Takes away what the last standin_prepare_sandbox made, for a start that fails: the app/native
 * link it made is removed, or pointed back where it pointed before; the directories it made are
 * removed while they are empty; the working directory is the one it started in. A sandbox that
 * was there already is left as it is. */
void standin_discard_sandbox(void);

#ifdef __cplusplus
}
#endif
