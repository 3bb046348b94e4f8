// Helpers for sound tests: sources of known PCM, and Ogg Vorbis files made at test time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound/AudioSource.h"

namespace VornTest {

// A source over samples held in the test: Read copies them out, as a decoder would deliver them.
class PcmSource : public Vorn::AudioSource {
public:
    PcmSource(std::vector<int16_t> samples, uint32_t channels, uint32_t rate);

    uint32_t Read(void* buffer, uint32_t bytes) override;
    void Rewind() override
    {
        ++m_rewinds;
        m_position = 0;
    }
    uint32_t GetSize() override { return m_claimedSize ? m_claimedSize : static_cast<uint32_t>(m_bytes.size()); }
    void Seek(uint32_t position) override { m_position = position; }
    uint32_t Tell() override { return m_position; }

    // Makes GetSize answer size whatever the data holds (a file that claims more or less).
    void ClaimSize(uint32_t size) { m_claimedSize = size; }
    int GetReadCount() const { return m_reads; }
    int GetRewindCount() const { return m_rewinds; }

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_position = 0;
    uint32_t m_claimedSize = 0;
    int m_reads = 0;
    int m_rewinds = 0;
};

// Samples start, start + step, ... (wrapping in 16 bits), count of them.
std::vector<int16_t> Ramp(size_t count, int start = 1, int step = 1);
// Reads the whole source in pieces of piece bytes.
std::vector<int16_t> ReadAll(Vorn::AudioSource& source, uint32_t piece = 4096);
// A mixer block as samples.
std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes);

// Runs the test tone writer: path, then its options ("--rate 22050 --channels 1 ..."). True
// when the file was written.
bool MakeOggTone(const std::string& path, const std::string& options = std::string());

} // namespace VornTest
