// The desktop's requests to end a process (SIGTERM from a logout or a kill, SIGINT from Ctrl+C,
// SIGHUP from a closed terminal) reach the application as the tablet's request does: a navigator
// exit, which ends the loop and lets the application save and shut down.
//
// A loop can be kept from ever reading that request (a GL driver that writes its frames to an X
// server that has gone may never return from the swap), and a shutdown that has read it from
// ending (a save on a disk that does not answer, a movie player that does not let go). So a
// watchdog thread keeps the last word: from the first request to end, or from the moment the
// server closes the display connection, the process is ended directly once END_GRACE_MS have
// passed without it ending by itself, whatever the disk or stderr does meanwhile.
// The application saves its level after each move, and every save is written whole under another
// name and renamed into place, so what a save in progress at that moment leaves is the file as
// it was before. A request to end that ends this way did not shut the application down, and the
// exit status says so as the signal's own would (128 + its number); a display that has gone ends
// a desktop session as the application would end it, with 0.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "Application.h"
#include "EventCore.h"

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;

const int SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};
const char* const SIGNAL_NAMES[] = {"SIGTERM", "SIGINT", "SIGHUP"};
const int SIGNAL_COUNT = sizeof(SIGNALS) / sizeof(SIGNALS[0]);
// Long enough for a loop that is only slow (a level loading, a save on a slow disk) to end on its
// own; short enough that a desktop that is going away does not wait for the process.
const int END_GRACE_MS = 3000;
// How long an end waits for the save area's lock file to go, and for stderr to take the last line.
const int LOCK_WAIT_MS = 200;
const int SAY_WAIT_MS = 200;

// Counted by the handler, which may run on any thread; taken by the thread that polls, which turns
// each into the navigator's exit.
std::atomic<unsigned> s_signalled{0};
std::atomic<unsigned> s_taken{0};
std::atomic<int> s_lastSignal{0};
static_assert(std::atomic<unsigned>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the handler may only touch lock-free values");

// The watchdog's wake-up: a byte for each signal and for each change of the watched connection.
int s_wake[2] = {-1, -1};
// The display connection to watch (a duplicate, owned by the watchdog once handed over).
std::mutex s_watchMutex;
int s_watchRequest = -1;
bool s_watchChanged = false;
std::once_flag s_started;
std::atomic<bool> s_lineSaid{false};

// Tests hold the watchdog where it waits (standin_hold_watchdog): asked counts the holds asked
// for, heldFor the one it is held for. It stops only once it has looked at what woke it after the
// hold was asked for, so that everything a test did before is taken.
struct Hold {
    std::mutex mutex;
    std::condition_variable changed;
    bool wanted = false;
    unsigned asked = 0;
    unsigned heldFor = 0;
    bool ending = false;  // an ending was pending when it stopped
};

Hold& GetHold()
{
    static Hold* s_hold = new Hold;  // never destroyed: the watchdog outlives static destruction
    return *s_hold;
}

void Wake()
{
    const char byte = 0;
    // A full pipe already holds a wake-up.
    ssize_t written = write(s_wake[1], &byte, 1);
    (void)written;
}

void OnSignal(int number)
{
    const int saved = errno;
    s_lastSignal.store(number);
    s_signalled.fetch_add(1);
    if (s_wake[1] >= 0)
        Wake();
    errno = saved;
}

// Nothing: a write to a pipe or socket whose reader has gone then fails with EPIPE, which the
// writer reports (Xlib: as the loss of the display), instead of ending the process in silence.
void OnBrokenPipe(int) {}

int SignalIndex(int number)
{
    for (int i = 0; i < SIGNAL_COUNT; ++i)
        if (SIGNALS[i] == number)
            return i;
    return 0;
}

// The process's last words, made whole before the watchdog runs: when it speaks, the main thread
// may be stuck holding stderr's lock (a terminal that does not read) or the allocator's, so the
// watchdog neither formats nor allocates then; it writes a ready line.
struct LastWords {
    std::string displayLost = SayLine("lost the connection to the X display; ending");
    std::string notEnded[SIGNAL_COUNT];

    LastWords()
    {
        for (int i = 0; i < SIGNAL_COUNT; ++i)
            notEnded[i] = SayLine(std::string("did not end within ") +
                                  std::to_string(END_GRACE_MS / 1000) + " s of " +
                                  SIGNAL_NAMES[i] + "; ending at once");
    }
};

const LastWords& GetLastWords()
{
    static const LastWords* s_words = new LastWords;  // never destroyed, as the watchdog
    return *s_words;
}

// Writes text to stderr, for as long as stderr takes: only a thread that nothing waits for
// calls it. A socket is sent to without SIGPIPE; a pipe or terminal that fd 2's open file makes
// non-blocking (it belongs to the shell too, and keeps its flags) is waited on.
void WriteWhole(const std::string& text)
{
    struct stat info;
    const bool socket = fstat(STDERR_FILENO, &info) == 0 && S_ISSOCK(info.st_mode);
    pollfd room = {STDERR_FILENO, POLLOUT, 0};
    for (size_t done = 0; done < text.size();) {
        const char* rest = text.data() + done;
        const size_t left = text.size() - done;
        const ssize_t written = socket ? send(STDERR_FILENO, rest, left, MSG_NOSIGNAL)
                                       : write(STDERR_FILENO, rest, left);
        if (written < 0 && (errno == EINTR || (errno == EAGAIN && poll(&room, 1, -1) >= 0)))
            continue;
        if (written <= 0)
            return;
        done += static_cast<size_t>(written);
    }
}

// Which line: 0 the display's loss, 1 + i the signal SIGNALS[i] not ended within the grace.
void SayLastLine(int which)
{
    const LastWords& words = GetLastWords();
    WriteWhole(which == 0 ? words.displayLost : words.notEnded[which - 1]);
}

void LetGoOfLock(int)
{
    ReleaseSaveAreaLockFile();
}

// A piece of the process's last acts, on a thread of its own made while nothing is stuck yet:
// what it waits on (a disk that does not answer, a terminal stopped with Ctrl-S or not read, a
// pipe nobody reads) keeps nothing else waiting, since whoever hands it over waits a moment at
// most. Done once; the thread blocks every signal, so none ends a wait of its.
struct Errand {
    explicit Errand(void (*w)(int)) : work(w) {}

    void (*const work)(int);
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    int asked = -1;  // what it was handed; -1: nothing yet
    bool done = false;
};

// The last line and the lock, each an errand of its own: a line that stderr does not take keeps
// the lock from going no more than it keeps the process from ending.
Errand& LineErrand()
{
    static Errand* s_errand = new Errand(SayLastLine);  // never destroyed, as the watchdog
    return *s_errand;
}

Errand& LockErrand()
{
    static Errand* s_errand = new Errand(LetGoOfLock);
    return *s_errand;
}

void* RunErrand(void* argument)
{
    Errand& errand = *static_cast<Errand*>(argument);
    std::unique_lock<std::mutex> lock(errand.mutex);
    errand.changed.wait(lock, [&errand] { return errand.asked >= 0; });
    const int asked = errand.asked;
    lock.unlock();
    errand.work(asked);
    lock.lock();
    errand.done = true;
    errand.changed.notify_all();
    return nullptr;
}

// Made by the caller of pthread_create, whose signals are all blocked then.
void StartErrand(Errand& errand)
{
    std::lock_guard<std::mutex> lock(errand.mutex);
    pthread_t thread;
    errand.started = pthread_create(&thread, nullptr, RunErrand, &errand) == 0;
    if (errand.started)
        pthread_detach(thread);
}

// Hands what over (the first call only) and waits for the errand for at most waitMs. Without a
// thread of its own (none could be made) the work is done here.
void HandOver(Errand& errand, int what, int waitMs)
{
    std::unique_lock<std::mutex> lock(errand.mutex);
    if (!errand.started) {
        lock.unlock();
        errand.work(what);
        return;
    }
    if (errand.asked < 0) {
        errand.asked = what;
        errand.changed.notify_all();
    }
    errand.changed.wait_for(lock, std::chrono::milliseconds(waitMs), [&errand] { return errand.done; });
}

// The process's one line about its end, from whichever thread comes first, said while that
// thread waits a moment at most.
void SayEnding(int which)
{
    if (!s_lineSaid.exchange(true))
        HandOver(LineErrand(), which, SAY_WAIT_MS);
}

// The lock goes first and the line last; the process ends a moment later at most, whether or not
// the disk has let go of the lock's file and stderr has taken the line.
[[noreturn]] void EndDirectly(bool displayLost)
{
    const int which = SignalIndex(s_lastSignal.load());
    HandOver(LockErrand(), 0, LOCK_WAIT_MS);
    SayEnding(displayLost ? 0 : 1 + which);
    _exit(displayLost ? 0 : 128 + SIGNALS[which]);
}

// The holds asked for so far, read after the watchdog is woken and before it looks.
unsigned HoldsAsked()
{
    Hold& hold = GetHold();
    std::lock_guard<std::mutex> lock(hold.mutex);
    return hold.asked;
}

// Stops here while a test holds the watchdog and it has looked since (seen: HoldsAsked then);
// ending: whether an ending is pending.
void StayWhileHeld(unsigned seen, bool ending)
{
    Hold& hold = GetHold();
    std::unique_lock<std::mutex> lock(hold.mutex);
    if (!hold.wanted || seen != hold.asked)
        return;
    hold.heldFor = seen;
    hold.ending = ending;
    hold.changed.notify_all();
    hold.changed.wait(lock, [&hold] { return !hold.wanted || hold.asked != hold.heldFor; });
}

// A moment the process is ended at, while its cause stands.
struct Deadline {
    bool set = false;
    Clock::time_point at;

    void Start()
    {
        if (!set)
            at = Clock::now() + std::chrono::milliseconds(END_GRACE_MS);
        set = true;
    }
    bool Passed() const { return set && Clock::now() >= at; }
    // Milliseconds to wait for it; -1 for ever.
    int Left() const
    {
        if (!set)
            return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }
};

void* RunWatchdog(void*)
{
    int display = -1;
    Deadline signalEnd, displayEnd;
    unsigned holdsSeen = 0;
    for (;;) {
        StayWhileHeld(holdsSeen, signalEnd.set || displayEnd.set);
        int left = -1;
        for (const Deadline* end : {&signalEnd, &displayEnd})
            if (end->set && (left < 0 || end->Left() < left))
                left = end->Left();
        // Nothing is read from the connection: its data stays for its owner.
        pollfd fds[2] = {{s_wake[0], POLLIN, 0}, {display, POLLRDHUP, 0}};
        poll(fds, display >= 0 ? 2 : 1, left);
        if (fds[0].revents & POLLIN) {
            char drained[64];
            while (read(s_wake[0], drained, sizeof(drained)) > 0) {
            }
        }
        holdsSeen = HoldsAsked();
        // The watch changes first: the owner of a connection stops watching it before it closes
        // it (XCloseDisplay shuts the socket down), so a hang-up seen together with the change is
        // that close, not the server's. A real loss on a connection watched again shows on the
        // next poll.
        bool changed = false;
        {
            std::lock_guard<std::mutex> lock(s_watchMutex);
            if (s_watchChanged) {
                if (display >= 0)
                    close(display);
                display = s_watchRequest;
                s_watchRequest = -1;
                s_watchChanged = false;
                changed = true;
            }
        }
        if (changed) {
            // A new connection: the display is there (again).
            if (display >= 0)
                displayEnd = Deadline();
        } else if (display >= 0 && (fds[1].revents & (POLLHUP | POLLRDHUP | POLLERR))) {
            // The server has closed it, and it stays closed.
            displayEnd.Start();
            close(display);
            display = -1;
        }
        // The first request to end starts the grace, which nothing stands down: a request the
        // loop has taken may still be kept from ending by what the shutdown waits on (a disk, a
        // movie, a driver).
        if (s_signalled.load() != 0)
            signalEnd.Start();
        if (displayEnd.Passed() || signalEnd.Passed())
            EndDirectly(displayEnd.Passed());
    }
}

// The watchdog, once for the process: it never ends, so it is let go rather than joined.
void StartWatchdog()
{
    std::call_once(s_started, [] {
        if (pipe2(s_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
            s_wake[0] = s_wake[1] = -1;
            return;
        }
        // Its last words and acts are made here, by a thread that is free to allocate.
        GetLastWords();
        // Signals are taken by the other threads: the watchdog and its errands are never woken in
        // a system call by one, and never run the handler.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous);
        StartErrand(LineErrand());
        StartErrand(LockErrand());
        pthread_t thread;
        if (pthread_create(&thread, nullptr, RunWatchdog, nullptr) == 0)
            pthread_detach(thread);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    });
}

}  // namespace

void CatchExitSignals()
{
    StartWatchdog();
    // Requests from before the services ran were for no one.
    s_taken.store(s_signalled.load());
    static bool s_caught = false;
    if (s_caught)
        return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int number : SIGNALS)
        sigaction(number, &action, nullptr);
    // A program that chose to ignore SIGPIPE keeps its choice; children started later get the
    // default again, as they do for any handler.
    struct sigaction pipe = {};
    if (sigaction(SIGPIPE, nullptr, &pipe) == 0 && pipe.sa_handler == SIG_DFL) {
        pipe.sa_handler = OnBrokenPipe;
        pipe.sa_flags = SA_RESTART;
        sigemptyset(&pipe.sa_mask);
        sigaction(SIGPIPE, &pipe, nullptr);
    }
    s_caught = true;
}

bool TakeExitSignal()
{
    const unsigned signalled = s_signalled.load();
    return s_taken.exchange(signalled) != signalled;
}

void WatchDisplayConnection(int fd)
{
    StartWatchdog();
    const int copy = fd >= 0 ? fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    {
        std::lock_guard<std::mutex> lock(s_watchMutex);
        if (s_watchRequest >= 0)
            close(s_watchRequest);
        s_watchRequest = copy;
        s_watchChanged = true;
    }
    if (s_wake[1] >= 0)
        Wake();
    else if (copy >= 0)
        close(copy);
}

void SayDisplayLost()
{
    SayEnding(0);
}

}  // namespace standin

extern "C" void standin_watch_display_connection(int fd)
{
    standin::WatchDisplayConnection(fd);
}

extern "C" int standin_hold_watchdog(int hold)
{
    using namespace standin;
    StartWatchdog();
    Hold& h = GetHold();
    std::unique_lock<std::mutex> lock(h.mutex);
    if (!hold || s_wake[1] < 0) {
        h.wanted = false;
        h.changed.notify_all();
        return 0;
    }
    h.wanted = true;
    const unsigned asked = ++h.asked;
    h.changed.notify_all();
    lock.unlock();
    Wake();
    lock.lock();
    h.changed.wait(lock, [&h, asked] { return h.heldFor == asked; });
    return h.ending ? 1 : 0;
}
