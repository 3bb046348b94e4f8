#include "application/playbook/Clock.h"

#include <unistd.h>

#include "host/Host.h"


namespace Vorn {

u64 GetTime()
{
    // The platform's time of day: the real one on a device, a stepped one in headless runs.
    timeval tv;
    if (Host::GetTimeOfDay(&tv) != 0)
        return 0;
    return static_cast<u64>(tv.tv_sec) * 1000u + static_cast<u64>(tv.tv_usec) / 1000u;
}

void Sleep(float seconds)
{
    if (!(seconds > 0.0f))
        return;
    // Whole seconds must fit the unsigned conversion.
    const float LONGEST = 1.0e9f;
    if (seconds > LONGEST)
        seconds = LONGEST;
    unsigned whole = static_cast<unsigned>(seconds);
    if (whole > 0)
        sleep(whole);
    usleep(static_cast<useconds_t>((seconds - static_cast<float>(whole)) * 1000000.0f));
}

} // namespace Vorn
