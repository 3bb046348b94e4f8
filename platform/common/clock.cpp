// The time of day the platform reports: real, or stepped for headless runs, where frames must
// last exactly as long as a test says whatever the machine's speed.
#include <sys/time.h>

#include <cstdint>
#include <mutex>

#include "EventCore.h"
#include "standin/events.h"
#include "standin/standin.h"

namespace {

const int HEADLESS_STEP_MS = 16;
const int MAX_STEP_MS = 60000;

struct Clock {
    std::mutex mutex;
    bool decided = false;
    int step = 0;              // ms per drain; 0: real time
    uint64_t virtualUs = 0;    // stepped time of day, microseconds since the epoch
};

Clock& GetClock()
{
    static Clock* s_clock = new Clock;
    return *s_clock;
}

uint64_t RealMicroseconds()
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec);
}

// The backend's default, the first time the clock is used.
void Decide(Clock& clock)
{
    if (clock.decided)
        return;
    clock.decided = true;
    if (standin_get_backend() == STANDIN_BACKEND_HEADLESS) {
        clock.step = HEADLESS_STEP_MS;
        clock.virtualUs = RealMicroseconds();
    }
}

}  // namespace

namespace standin {

void ClockDrainEnded()
{
    Clock& clock = GetClock();
    std::lock_guard<std::mutex> lock(clock.mutex);
    Decide(clock);
    if (clock.step > 0)
        clock.virtualUs += static_cast<uint64_t>(clock.step) * 1000u;
}

}  // namespace standin

extern "C" int standin_gettimeofday(struct timeval* tv)
{
    if (!tv)
        return -1;
    Clock& clock = GetClock();
    uint64_t us;
    {
        std::lock_guard<std::mutex> lock(clock.mutex);
        Decide(clock);
        us = clock.step > 0 ? clock.virtualUs : RealMicroseconds();
    }
    tv->tv_sec = static_cast<time_t>(us / 1000000u);
    tv->tv_usec = static_cast<suseconds_t>(us % 1000000u);
    return 0;
}

extern "C" void standin_clock_set_step(int ms)
{
    Clock& clock = GetClock();
    std::lock_guard<std::mutex> lock(clock.mutex);
    Decide(clock);
    if (ms <= 0) {
        clock.step = 0;
        return;
    }
    if (clock.step == 0)
        clock.virtualUs = RealMicroseconds();
    clock.step = ms > MAX_STEP_MS ? MAX_STEP_MS : ms;
}

extern "C" int standin_clock_get_step(void)
{
    Clock& clock = GetClock();
    std::lock_guard<std::mutex> lock(clock.mutex);
    Decide(clock);
    return clock.step;
}

extern "C" void standin_clock_advance(int ms)
{
    Clock& clock = GetClock();
    std::lock_guard<std::mutex> lock(clock.mutex);
    Decide(clock);
    if (clock.step > 0 && ms > 0)
        clock.virtualUs += static_cast<uint64_t>(ms) * 1000u;
}
