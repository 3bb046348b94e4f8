// The engine's sound output: runs a playback thread that pulls blocks from a stream.
#pragma once

#include "base/RefCounter.h"
#include "sound/AudioFormat.h"
#include "sound/AudioStream.h"

namespace Vorn {

class AudioDevice : public RefCounter {
public:
    explicit AudioDevice(const AudioFormat& format) : m_format(format) {}

    // Starts pulling stream; a device is started once and never restarted.
    virtual void Start(AudioStream* stream) = 0;
    virtual u32 Control(u32 code, u32 value) = 0;

    // The format the device plays, which the mixer adopts.
    const AudioFormat& GetFormat() const { return m_format; }

    // The platform's output device for format; its count is 0.
    static AudioDevice* Create(const AudioFormat& format, const AudioBufferSpec& spec);

    // Tests replace the platform device to count or inspect what the mixer makes. Null restores
    // the platform device. Main thread only.
    typedef AudioDevice* (*Factory)(const AudioFormat& format, const AudioBufferSpec& spec);
    static void SetFactory(Factory factory);

private:
    // The backend's device, defined beside it.
    static AudioDevice* CreatePlatform(const AudioFormat& format, const AudioBufferSpec& spec);

protected:
    AudioFormat m_format;
};

} // namespace Vorn
