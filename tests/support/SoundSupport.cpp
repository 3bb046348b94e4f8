#include "support/SoundSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VornTest {

PcmSource::PcmSource(std::vector<int16_t> samples, uint32_t channels, uint32_t rate)
    : m_bytes(samples.size() * 2)
{
    if (!samples.empty())
        std::memcpy(m_bytes.data(), samples.data(), m_bytes.size());
    m_channels = channels;
    m_sampleRate = rate;
}

uint32_t PcmSource::Read(void* buffer, uint32_t bytes)
{
    ++m_reads;
    const uint32_t size = static_cast<uint32_t>(m_bytes.size());
    if (m_position >= size)
        return 0;
    const uint32_t n = std::min(bytes, size - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
}

std::vector<int16_t> Ramp(size_t count, int start, int step)
{
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = static_cast<int16_t>(start + static_cast<int>(i) * step);
    return v;
}

std::vector<int16_t> ReadAll(Vorn::AudioSource& source, uint32_t piece)
{
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> buffer(piece);
    for (;;) {
        const uint32_t n = source.Read(buffer.data(), piece);
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
        if (n < piece)
            break;
    }
    return Samples(bytes);
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> v(bytes.size() / 2);
    if (!v.empty())
        std::memcpy(v.data(), bytes.data(), v.size() * 2);
    return v;
}

bool MakeOggTone(const std::string& path, const std::string& options)
{
    const std::string command = std::string("'") + VORN_BINARY_DIR + "/tools/oggtone/vorn-oggtone' '" + path + "' " + options;
    return std::system(command.c_str()) == 0;
}

} // namespace VornTest
