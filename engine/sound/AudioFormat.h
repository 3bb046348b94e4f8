// The PCM layout the mixer, its channels and effects and the output device agree on: signed 16-bit
// samples, channels interleaved.
#pragma once

#include "system/Types.h"

namespace Vorn {

struct AudioFormat {
    u32 channels;    // 1 mono, 2 stereo
    u32 sampleRate;  // frames per second

    AudioFormat() : channels(2), sampleRate(44100) {}
    AudioFormat(u32 channelCount, u32 rate) : channels(channelCount), sampleRate(rate) {}

    // Bytes of one frame: one 16-bit sample per channel.
    u32 FrameBytes() const { return channels * 2; }
    bool operator==(const AudioFormat& o) const { return channels == o.channels && sampleRate == o.sampleRate; }
    bool operator!=(const AudioFormat& o) const { return !(*this == o); }
};

struct AudioBufferSpec {
    u32 blockBytes;    // bytes the mixer renders at a time and the device writes at a time
    u32 channelLimit;  // channels an unforced Mixer::Play may add

    AudioBufferSpec() : blockBytes(4096), channelLimit(4) {}
    AudioBufferSpec(u32 bytes, u32 limit) : blockBytes(bytes), channelLimit(limit) {}
};

} // namespace Vorn
