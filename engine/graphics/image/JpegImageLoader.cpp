#include "graphics/image/JpegImageLoader.h"

#include "graphics/image/JpegDecoder.h"

namespace Vorn {

JpegImageLoader::JpegImageLoader()
    : m_width(0), m_height(0), m_format(PF_NONE), m_headerRead(false), m_headerOk(false)
{
}

JpegImageLoader::~JpegImageLoader() = default;

bool JpegImageLoader::CanLoad(SeekableStream* stream)
{
    static const char JFIF_START[4] = {'\xFF', '\xD8', '\xFF', '\xE0'};
    return StartsWith(stream, JFIF_START, 4);
}

Surface* JpegImageLoader::Load()
{
    return MakeSurface(ReadPixels());
}

bool JpegImageLoader::ReadHeader()
{
    if (m_headerRead)
        return m_headerOk;
    m_headerRead = true;
    if (!m_stream)
        return false;
    m_decoder.reset(new JpegDecoder());
    if (!m_decoder->Start(m_stream.Get()))
        return false;
    m_width = m_decoder->GetWidth();
    m_height = m_decoder->GetHeight();
    m_format = m_decoder->GetComponents() == 1 ? PF_A8 : PF_RGB888;
    m_headerOk = true;
    return true;
}

bool JpegImageLoader::ReadLine(void* row)
{
    return m_headerOk && m_decoder->ReadRow(static_cast<u8*>(row));
}

}  // namespace Vorn
