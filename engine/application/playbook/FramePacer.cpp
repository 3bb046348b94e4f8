#include "application/playbook/FramePacer.h"

#include <thread>

namespace Vorn {

namespace {

// A swap that waits for the display ends its pass close to a whole frame after the last one;
// a margin of an eighth of a frame keeps such a pass from being stretched by a sleep that would
// miss the next refresh.
const int MARGIN_DIVISOR = 8;

} // namespace

FramePacer::FramePacer(int rate)
    : m_period(rate > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / rate
                        : Clock::duration::zero()),
      m_margin(m_period / MARGIN_DIVISOR),
      m_passStart(Clock::now())
{
}

FramePacer::Clock::duration FramePacer::Delay(Clock::time_point start, Clock::time_point now) const
{
    if (!IsPacing())
        return Clock::duration::zero();
    const Clock::duration taken = now - start;
    if (taken >= m_period - m_margin)
        return Clock::duration::zero();
    return m_period - taken;
}

void FramePacer::EndPass()
{
    if (!IsPacing())
        return;
    const Clock::duration delay = Delay(m_passStart, Clock::now());
    if (delay > Clock::duration::zero())
        std::this_thread::sleep_for(delay);
    m_passStart = Clock::now();
}

} // namespace Vorn
