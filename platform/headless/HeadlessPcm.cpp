// The headless backend's PCM output: the clock-paced null device, or, while a test has switched
// capture on, a device that keeps every byte it was given.
#include "../common/PcmSink.h"
#include "standin/audio.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// A forgotten capture must not eat the machine: beyond this the newest bytes are dropped.
constexpr size_t CAPTURE_LIMIT = 64u << 20;

std::atomic<bool> s_captureOn{false};
std::mutex s_captureMutex;
std::vector<unsigned char> s_captured;
size_t s_takenUpTo = 0;  // bytes at the front of s_captured already handed out

class CapturePcmSink final : public standin::PcmSink {
public:
    explicit CapturePcmSink(const standin::PcmFormat& format) : m_pacer(format) {}

    void Write(const void* data, size_t bytes) override
    {
        {
            std::lock_guard<std::mutex> lock(s_captureMutex);
            const size_t kept = s_captured.size() - s_takenUpTo;
            const size_t room = kept < CAPTURE_LIMIT ? CAPTURE_LIMIT - kept : 0;
            const auto* p = static_cast<const unsigned char*>(data);
            s_captured.insert(s_captured.end(), p, p + std::min(bytes, room));
        }
        m_pacer.Wait(bytes);
    }

    standin_audio_sink Kind() const override { return STANDIN_AUDIO_SINK_CAPTURE; }

private:
    standin::ClockPacer m_pacer;
};

}  // namespace

namespace standin {

std::unique_ptr<PcmSink> MakeHeadlessSink(const PcmFormat& format)
{
    if (s_captureOn.load())
        return std::make_unique<CapturePcmSink>(format);
    return MakeNullSink(format);
}

}  // namespace standin

extern "C" void standin_audio_set_capture(int on)
{
    s_captureOn.store(on != 0);
}

extern "C" size_t standin_audio_captured_size(void)
{
    std::lock_guard<std::mutex> lock(s_captureMutex);
    return s_captured.size() - s_takenUpTo;
}

extern "C" size_t standin_audio_take_captured(void* out, size_t max)
{
    std::lock_guard<std::mutex> lock(s_captureMutex);
    const size_t n = std::min(max, s_captured.size() - s_takenUpTo);
    if (n && out)
        std::memcpy(out, s_captured.data() + s_takenUpTo, n);
    s_takenUpTo += n;
    // Compact once everything was taken, so the store does not grow for a capture read piecemeal.
    if (s_takenUpTo == s_captured.size()) {
        s_captured.clear();
        s_takenUpTo = 0;
    }
    return n;
}

extern "C" void standin_audio_clear_captured(void)
{
    std::lock_guard<std::mutex> lock(s_captureMutex);
    s_captured.clear();
    s_takenUpTo = 0;
}
