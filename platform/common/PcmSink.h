// Internal to the stand-in: where the bytes of a PCM handle go. One sink per configured handle;
// each backend makes its own kind, and every kind blocks in Write the way the tablet's device does.
#pragma once

#include "standin/audio.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace standin {

// Interleaved signed 16-bit little-endian at rate frames per second.
struct PcmFormat {
    int rate = 44100;
    int voices = 2;

    uint64_t BytesPerSecond() const { return static_cast<uint64_t>(rate) * voices * 2; }
};

// The size of one block as the engine writes it; the device accepts about two of them ahead of
// what it plays.
constexpr size_t PCM_BLOCK_BYTES = 4096;
constexpr size_t PCM_BLOCKS_AHEAD = 2;

class PcmSink {
public:
    virtual ~PcmSink() = default;
    // Takes the bytes and returns once the device has room for the next block.
    virtual void Write(const void* data, size_t bytes) = 0;
    virtual standin_audio_sink Kind() const = 0;
};

// Paces writes by the clock as a device playing at the format's rate would: a write returns at
// once while less than PCM_BLOCKS_AHEAD blocks are pending, and otherwise sleeps until the oldest
// has played.
class ClockPacer {
public:
    explicit ClockPacer(const PcmFormat& format) : m_format(format) {}
    void Wait(size_t bytes);

private:
    PcmFormat m_format;
    std::chrono::steady_clock::time_point m_end{};
};

std::unique_ptr<PcmSink> MakeNullSink(const PcmFormat& format);
// The desktop device: SDL on the default driver, else SDL's dummy driver, else the null sink.
std::unique_ptr<PcmSink> MakeSdlSink(const PcmFormat& format);
// Tests: the capture sink while capture is on, else the null sink.
std::unique_ptr<PcmSink> MakeHeadlessSink(const PcmFormat& format);

}  // namespace standin
