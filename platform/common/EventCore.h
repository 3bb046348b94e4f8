// Internal to the stand-in: the event queue behind bps_get_event, the events it holds, and the
// per-backend source of native events.
#pragma once

#include <memory>
#include <string>

#include "bps/bps.h"

struct _screen_event {
    int type = 0;
    int position[2] = {0, 0};
    int touchId = 0;
    int keyFlags = 0;
    int keySym = 0;
};

struct bps_event_t {
    int domain = 0;
    unsigned int code = 0;
    int value = 0;                  // navigator: window state or orientation angle
    _screen_event screen;           // screen domain
    int mediaState = 0;             // media-renderer domain
    void* userdata = nullptr;
};

namespace standin {

// Service domains, as bps_event_get_domain reports them.
enum Domain { DOMAIN_NAVIGATOR = 1, DOMAIN_SCREEN = 2, DOMAIN_MMRENDERER = 3, DOMAIN_COUNT = 4 };

// Queues an event behind those pending. Any thread.
void PushEvent(const bps_event_t& event);
void PushNavigatorEvent(unsigned int code, int value);
void PushTouch(int type, int x, int y, int id);
void PushKey(int flags, int sym);

// Drops the undelivered media-renderer events that carry userdata.
void DropMediaEvents(void* userdata);

bool ServicesRunning();
// Whether events of the domain are delivered (a service asked for them).
void SetRequested(Domain domain, bool requested);

// The source of native events of a backend: the desktop's window system, or the headless event
// script. Called on the thread that polls.
class EventBackend {
public:
    virtual ~EventBackend() = default;
    // Moves pending native events into the queue (PushEvent). drainStart: the first poll of an
    // event drain. waitMs > 0: when nothing was pending, wait up to that long for something.
    virtual void Pump(bool drainStart, int waitMs) = 0;
    // Whether an empty poll of a backgrounded application waits (stepped headless runs never do).
    virtual bool ThrottlesBackground() const = 0;
    // navigator_invoke: hands uri over; false with a reason when it could not be.
    virtual bool Invoke(const std::string& uri, std::string& error) = 0;
    // The services start (starting) or stop: forget per-session state.
    virtual void Reset(bool starting) = 0;
};

EventBackend& GetEventBackend();
std::unique_ptr<EventBackend> CreateSdlEventBackend();
std::unique_ptr<EventBackend> CreateHeadlessEventBackend();

// The navigator's per-session state (orientation answers) and the headless record of invokes.
void ResetNavigator();
void RecordInvoke(const std::string& uri);
// Media-renderer requests end with the services.
void ResetMediaRequests();
// Queues a media-renderer event of the state for every request on the named context. Any thread.
void PushMediaStateForContext(const std::string& context, int state);
// Whether a track of the named context has stopped since it was last played (a request made
// afterwards still learns of it). Takes the renderer's locks: not to be called under the requests'.
bool MediaContextEnded(const std::string& context);

// A video player's thread met the loss of its own connection to the display (another client
// killed its window, or the server has gone): the players that draw through one give up their
// tracks. Any thread; it only counts (the players also find such a loss by themselves).
void VideoConnectionLost();
// The socket of the application's own connection to the display server; -1 while it has none.
// Any thread.
int DisplaySocket();

// The stepped clock's tick: an event drain found nothing more pending.
void ClockDrainEnded();

// Reads the failures VORN_FAIL names (once per process); false when it names an unknown call.
bool LoadFailuresFromEnvironment();

// From the first call on, SIGTERM, SIGINT and SIGHUP become a request to exit, and a write to a
// pipe or socket whose reader has gone fails with EPIPE instead of ending the process. A process
// that has not ended a few seconds after the first request (a loop that is stuck, or a shutdown
// that waits on a disk or a movie) is ended directly: the save area's lock file removed, one line
// if stderr takes it soon (the end never waits for a disk or for stderr more than a moment), exit
// status 128 + the signal's number.
void CatchExitSignals();
// Whether one of them arrived since the last call.
bool TakeExitSignal();

// The connection to the display server (its file descriptor; -1: none), to be called before the
// connection is closed. When the server closes it and the process has not ended a few seconds
// later (its thread may be stuck in the driver), the process is ended directly as above, the
// display's loss said (SayDisplayLost), exit status 0. Any thread.
void WatchDisplayConnection(int fd);
// Says, once for the process whichever thread comes first, that the display has gone.
void SayDisplayLost();

// The save area's lock (a file in directory), taken when the sandbox is prepared and held while
// the services run; false, with the reason (standin_last_error), when another copy holds it.
bool LockSaveArea(const std::string& directory);
void UnlockSaveArea();
// The same from a thread that ends the process while the main thread may be stuck: nothing, when
// the main thread is letting go of the lock at that moment.
void ReleaseSaveAreaLockFile();

// A text for the caller to free with bps_free.
char* CopyForCaller(const std::string& text);

}  // namespace standin
