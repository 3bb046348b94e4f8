// What an output device pulls: the mixer is the one stream of the system.
#pragma once

#include "base/RefCounter.h"
#include "base/WeakPtr.h"
#include "system/Types.h"

namespace Vorn {

class AudioStream : public RefCounter, public WeakRefCounter {
public:
    // Fills buffer with bytes of PCM and returns how many it filled; the mixer always fills all.
    virtual u32 Read(void* buffer, u32 bytes) = 0;
};

} // namespace Vorn
