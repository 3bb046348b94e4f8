#include "graphics/image/JpgaImageLoader.h"

#include "graphics/image/JpegDecoder.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

const char JPGA_MAGIC[6] = {'J', 'P', 'G', 'A', ' ', '1'};

// Starts decoder on the file at path; false when it does not open or does not decode.
bool StartFile(JpegDecoder& decoder, const NarrowString& path)
{
    SmartPtr<File> file(Vfs::Open(path.c_str()));
    return file && decoder.Start(file.Get());
}

}  // namespace

JpgaImageLoader::JpgaImageLoader() : m_width(0), m_height(0), m_headerRead(false), m_headerOk(false)
{
}

JpgaImageLoader::~JpgaImageLoader() = default;

bool JpgaImageLoader::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, JPGA_MAGIC, sizeof JPGA_MAGIC);
}

Surface* JpgaImageLoader::Load()
{
    return MakeSurface(ReadPixels());
}

bool JpgaImageLoader::ReadHeader()
{
    if (m_headerRead)
        return m_headerOk;
    m_headerRead = true;
    if (!m_stream)
        return false;

    std::vector<u8> text(MAX_DESCRIPTION);
    size_t size = 0;
    while (size < text.size()) {
        const s32 got = m_stream->Read(text.data() + size, static_cast<u32>(text.size() - size));
        if (got <= 0)
            break;
        size += static_cast<size_t>(got);
    }
    NarrowString lines[3];
    int line = 0;
    for (size_t i = 0; i < size && line < 3; ++i) {
        if (text[i] == '\n')
            ++line;
        else if (text[i] != '\r')
            lines[line] += static_cast<char>(text[i]);
    }
    // The last line may end with the file instead of a line feed.
    if (line < 2 || lines[0].compare(0, sizeof JPGA_MAGIC, JPGA_MAGIC, sizeof JPGA_MAGIC) != 0)
        return false;

    m_colour.reset(new JpegDecoder());
    m_alpha.reset(new JpegDecoder());
    if (!StartFile(*m_colour, lines[1]) || !StartFile(*m_alpha, lines[2]))
        return false;
    if (m_colour->GetComponents() != 3 || m_alpha->GetComponents() != 1 ||
        m_colour->GetWidth() != m_alpha->GetWidth() || m_colour->GetHeight() != m_alpha->GetHeight())
        return false;
    m_width = m_alpha->GetWidth();
    m_height = m_alpha->GetHeight();
    m_colourRow.resize(static_cast<size_t>(m_width) * 3);
    m_alphaRow.resize(static_cast<size_t>(m_width));
    m_headerOk = true;
    return true;
}

bool JpgaImageLoader::ReadLine(void* row)
{
    if (!m_headerOk || !m_colour->ReadRow(m_colourRow.data()) || !m_alpha->ReadRow(m_alphaRow.data()))
        return false;
    u8* out = static_cast<u8*>(row);
    for (int x = 0; x < m_width; ++x) {
        out[x * 4 + 0] = m_colourRow[x * 3 + 0];
        out[x * 4 + 1] = m_colourRow[x * 3 + 1];
        out[x * 4 + 2] = m_colourRow[x * 3 + 2];
        out[x * 4 + 3] = m_alphaRow[x];
    }
    return true;
}

}  // namespace Vorn
