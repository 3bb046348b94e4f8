// The desktop's requests to end a process (SIGTERM from a logout or a kill, SIGINT from Ctrl+C,
// SIGHUP from a closed terminal) reach the application as the tablet's request does: a navigator
// exit, which ends the loop and lets the application save and shut down.
#include <signal.h>

#include <atomic>

#include "EventCore.h"

namespace standin {
namespace {

const int SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};
const int SIGNAL_COUNT = sizeof(SIGNALS) / sizeof(SIGNALS[0]);

// Set by the handler, which may run on any thread, and taken by the thread that polls.
std::atomic<int> s_received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch a lock-free flag");

struct sigaction s_previous[SIGNAL_COUNT];
bool s_caught = false;

void OnSignal(int number)
{
    s_received.store(number);
}

}  // namespace

void CatchExitSignals()
{
    s_received.store(0);
    if (s_caught)
        return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < SIGNAL_COUNT; ++i)
        sigaction(SIGNALS[i], &action, &s_previous[i]);
    s_caught = true;
}

void ReleaseExitSignals()
{
    if (!s_caught)
        return;
    for (int i = 0; i < SIGNAL_COUNT; ++i)
        sigaction(SIGNALS[i], &s_previous[i], nullptr);
    s_caught = false;
}

bool TakeExitSignal()
{
    return s_received.exchange(0) != 0;
}

}  // namespace standin
