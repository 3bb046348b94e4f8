// Frames per second from frame times: the rate changes at most four times a second.
#pragma once

#include "base/RefCounter.h"

namespace Vorn {

class FpsCounter : public RefCounter {
public:
    // Counts one frame of the given length; once more than the period has gone by, the rate
    // becomes the frames counted over that time and counting starts again.
    void Update(float seconds);

    float time = 0.0f;
    int frames = 0;
    float rate = 0.0f;
    float period = 0.25f;
};

} // namespace Vorn
