// An in-place transformation of 16-bit PCM blocks, run by a channel on its own data or by the
// mixer on the whole mix.
#pragma once

#include "base/RefCounter.h"
#include "sound/AudioFormat.h"
#include "system/Types.h"

namespace Vorn {

class AudioEffect : public RefCounter {
public:
    explicit AudioEffect(const AudioFormat& format) : m_format(format) {}

    // Transforms the available bytes at buffer (requested is what the owner asked for, at least
    // available) and returns the bytes now valid in the buffer.
    virtual u32 Process(s16* buffer, u32 requested, u32 available) = 0;
    // A finished effect is removed by its owner after the Process call that finished it.
    virtual bool IsFinished() { return false; }
    // Input bytes needed to produce output bytes.
    virtual u32 RequiredInput(u32 output) { return output; }

    const AudioFormat& GetFormat() const { return m_format; }

protected:
    AudioFormat m_format;
};

} // namespace Vorn
