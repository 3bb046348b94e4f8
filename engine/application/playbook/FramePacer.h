// Keeps the event loop from spinning when presenting a frame does not wait for the display (no
// vertical sync, as with a software renderer or a virtual X server): a pass that ends well inside
// one display frame sleeps out the rest of it. When the swap does wait, passes already last a
// display frame and nothing is slept.
#pragma once

#include <chrono>

namespace Vorn {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    // rate: the display's frames per second; 0 (or less) paces nothing.
    explicit FramePacer(int rate);

    // Called at the end of every pass of the loop: sleeps out the rest of the display frame.
    void EndPass();

    // How long a pass that began at start and ends at now sleeps: the rest of the frame, or
    // nothing when the pass came within a small margin of a whole frame (a swap that waited)
    // or when nothing is paced. The next pass is measured from the end of the sleep, so that a
    // slow pass is never followed by a burst of fast ones.
    Clock::duration Delay(Clock::time_point start, Clock::time_point now) const;

    bool IsPacing() const { return m_period.count() > 0; }

private:
    Clock::duration m_period;
    Clock::duration m_margin;
    Clock::time_point m_passStart;
};

} // namespace Vorn
