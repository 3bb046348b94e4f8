#include "application/FpsCounter.h"

namespace Vorn {

void FpsCounter::Update(float seconds)
{
    time += seconds;
    ++frames;
    if (time > period) {
        rate = static_cast<float>(frames) / time;
        frames = 0;
        time = 0.0f;
    }
}

} // namespace Vorn
