#include "graphics/image/ImageLoader565.h"

#include <memory>

#include "base/ByteReader.h"
#include "graphics/pixeldata/MemPixelData.h"

namespace Vorn {

namespace {

enum { STATE_NEW, STATE_READY, STATE_FAILED };

}  // namespace

ImageLoader565::ImageLoader565() : m_width(0), m_height(0), m_state(STATE_NEW) {}

bool ImageLoader565::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, "C565", 4);
}

bool ImageLoader565::ReadHeader()
{
    if (m_state != STATE_NEW)
        return m_state == STATE_READY;
    m_state = STATE_FAILED;
    u8 header[HEADER_SIZE];
    if (!m_stream || !ReadExactly(header, HEADER_SIZE))
        return false;
    ByteReader in(header, HEADER_SIZE);
    const u32 width = in.U32At(4), height = in.U32At(8);
    // The pixels must all be there before anything is made for them.
    if (!IsSizeAllowed(width, height) || static_cast<u64>(width) * height * 2 > Remaining(m_stream.Get()))
        return false;
    m_width = width;
    m_height = height;
    m_state = STATE_READY;
    return true;
}

bool ImageLoader565::ReadLine(void* row)
{
    if (m_state != STATE_READY || !row)
        return false;
    if (!ReadExactly(row, m_width * 2)) {
        m_state = STATE_FAILED;
        return false;
    }
    return true;
}

Surface* ImageLoader565::Load()
{
    if (!ReadHeader())
        return nullptr;
    std::unique_ptr<MemPixelData> pixels(new MemPixelData(static_cast<s32>(m_width), static_cast<s32>(m_height), PF_RGB565));
    if (!ReadExactly(m_stream.Get(), pixels->Lock(), static_cast<u64>(m_width) * m_height * 2))
        return nullptr;
    return MakeSurface(pixels.release());
}

}  // namespace Vorn
