#include "graphics/pixeldata/MemPixelData.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <string>

#include "system/NumberParse.h"

namespace Vorn {

MemPixelData::MemPixelData(int32_t w, int32_t h, PixelFormat f) : m_pixels(nullptr), m_size(0)
{
    Allocate(w, h, f);
}

MemPixelData::MemPixelData(const PixelData* source) : m_pixels(nullptr), m_size(0)
{
    m_kind = PD_MEMORY;
    if (!source)
        return;
    m_width = source->GetWidth() > 0 ? source->GetWidth() : 0;
    m_height = source->GetHeight() > 0 ? source->GetHeight() : 0;
    m_pitch = source->GetPitch() > 0 ? source->GetPitch() : 0;
    m_format = source->GetFormat();
    const uint8_t* from = source->LockConst();
    if (!from)
        return;
    m_size = static_cast<size_t>(m_pitch) * static_cast<size_t>(m_height);
    m_pixels = new uint8_t[m_size];
    if (m_size)
        std::memcpy(m_pixels, from, m_size);
}

MemPixelData::MemPixelData(const char* const* lines, size_t lineCount) : m_pixels(nullptr), m_size(0)
{
    int w = 0, h = 0, colours = 0, cpp = 0;
    if (lineCount == 0 || !lines[0] || std::sscanf(lines[0], "%i %i %i %i", &w, &h, &colours, &cpp) != 4) {
        Allocate(0, 0, PF_RGB888);
        return;
    }
    Allocate(w, h, PF_RGB888);
    std::memset(m_pixels, 0, m_size);
    if (cpp <= 0 || colours < 0)
        return;

    struct Rgb {
        uint8_t r, g, b;
    };
    std::map<std::string, Rgb> palette;
    size_t line = 1;
    for (int i = 0; i < colours && line < lineCount; ++i, ++line) {
        const char* text = lines[line];
        if (!text || std::strlen(text) < static_cast<size_t>(cpp) + 1)
            continue;
        char type = 0;
        char word[16] = {};
        // One separator after the key, then the colour type and the word "#RRGGBB".
        if (std::sscanf(text + cpp + 1, "%c %15s", &type, word) != 2 || word[0] != '#' || std::strlen(word) < 7)
            continue;
        palette[std::string(text, cpp)] = Rgb{Hex::ParseByte(word + 1), Hex::ParseByte(word + 3), Hex::ParseByte(word + 5)};
    }
    line = 1 + static_cast<size_t>(colours);
    for (int y = 0; y < m_height && line < lineCount; ++y, ++line) {
        const char* text = lines[line];
        if (!text)
            continue;
        const size_t length = std::strlen(text);
        uint8_t* row = m_pixels + static_cast<size_t>(y) * m_pitch;
        for (int x = 0; x < m_width; ++x) {
            const size_t at = static_cast<size_t>(x) * cpp;
            if (at + cpp > length)
                break;
            const auto found = palette.find(std::string(text + at, cpp));
            if (found == palette.end())
                continue;
            row[x * 3 + 0] = found->second.b;
            row[x * 3 + 1] = found->second.g;
            row[x * 3 + 2] = found->second.r;
        }
    }
}

MemPixelData::~MemPixelData()
{
    delete[] m_pixels;
}

void MemPixelData::Allocate(int32_t w, int32_t h, PixelFormat f)
{
    m_kind = PD_MEMORY;
    m_format = f;
    m_width = w > 0 ? w : 0;
    m_height = h > 0 ? h : 0;
    const uint64_t rowBytes = static_cast<uint64_t>(m_width) * GetPixelFormatInfo(f).bytes;
    if (rowBytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        throw std::bad_alloc();
    const uint64_t total = rowBytes * static_cast<uint64_t>(m_height);
    if (total > std::numeric_limits<size_t>::max() / 2)
        throw std::bad_alloc();
    m_pitch = static_cast<int32_t>(rowBytes);
    m_size = static_cast<size_t>(total);
    m_pixels = new uint8_t[m_size];
}

uint8_t* MemPixelData::Lock()
{
    return m_pixels;
}

const uint8_t* MemPixelData::LockConst() const
{
    return m_pixels;
}

void MemPixelData::Unlock()
{
    delete[] m_pixels;
    m_pixels = nullptr;
}

}  // namespace Vorn
