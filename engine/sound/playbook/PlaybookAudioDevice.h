// The output device on the platform's PCM service: the preferred playback device, signed 16-bit
// in the mixer's format, fed by one playback thread with blocking writes, which pace the whole
// sound engine.
#pragma once


#include "base/WeakPtr.h"
#include "sound/AudioDevice.h"
#include "system/Thread.h"

namespace Vorn {

// The stream the most recently started device plays. Each device's thread keeps its own weak
// pointer to its stream, so that two devices alive at once (a new mixer made before the old one
// is released) never pull one mixer from two threads.
extern WeakPtr<AudioStream> g_audioStream;

class PlaybookAudioDevice final : public AudioDevice {
public:
    // Opens and prepares the PCM device; no platform result is fatal (a device that did not open
    // plays nothing).
    PlaybookAudioDevice(const AudioFormat& format, const AudioBufferSpec& spec);
    // Stops and joins the playback thread, then closes the PCM device. When the last reference to
    // the stream is dropped on the playback thread itself (the stream dies mid-block), the thread
    // is told to stop and finishes on its own instead of joining itself.
    ~PlaybookAudioDevice() override;

    void Start(AudioStream* stream) override;
    u32 Control(u32, u32) override { return 0; }

    static void* PlaybackThreadEntry(void* playback);

    // Thread and PCM state; shared with the playback thread, which outlives the device object
    // in the self-destruction case above.
    struct Playback;

private:
    Playback* m_playback;
    ThreadRecord m_thread;
};

} // namespace Vorn
