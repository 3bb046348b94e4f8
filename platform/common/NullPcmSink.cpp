#include "PcmSink.h"

#include <thread>

namespace standin {

void ClockPacer::Wait(size_t bytes)
{
    using namespace std::chrono;
    const uint64_t perSecond = m_format.BytesPerSecond();
    if (perSecond == 0)
        return;
    const auto now = steady_clock::now();
    // After a gap (the first write, or a writer that fell behind) playback restarts from now
    // rather than letting the writer catch up with a burst.
    if (m_end < now)
        m_end = now;
    m_end += nanoseconds(bytes * 1000000000ull / perSecond);
    const auto ahead = nanoseconds(PCM_BLOCK_BYTES * PCM_BLOCKS_AHEAD * 1000000000ull / perSecond);
    const auto wakeAt = m_end - ahead;
    if (wakeAt > now)
        std::this_thread::sleep_until(wakeAt);
}

namespace {

class NullPcmSink final : public PcmSink {
public:
    explicit NullPcmSink(const PcmFormat& format) : m_pacer(format) {}
    void Write(const void*, size_t bytes) override { m_pacer.Wait(bytes); }
    standin_audio_sink Kind() const override { return STANDIN_AUDIO_SINK_NULL; }

private:
    ClockPacer m_pacer;
};

}  // namespace

std::unique_ptr<PcmSink> MakeNullSink(const PcmFormat& format)
{
    return std::make_unique<NullPcmSink>(format);
}

}  // namespace standin
