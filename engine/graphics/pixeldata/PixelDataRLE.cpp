#include "graphics/pixeldata/PixelDataRLE.h"

#include <cstring>
#include <vector>

#include "base/ByteReader.h"

namespace Vorn {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// Encoder of one row at a time. A pending run collects entries of one op: one byte per transparent
// pixel, {alpha5, colour565} per translucent pixel, colour565 per opaque pixel.
class RowEncoder {
public:
    void BeginRow()
    {
        m_row.clear();
        m_pending.clear();
        m_op = NO_OP;
    }

    void AddPixel(uint32_t bgra)
    {
        const uint8_t b = bgra & 0xFF, g = (bgra >> 8) & 0xFF, r = (bgra >> 16) & 0xFF;
        const uint8_t alpha5 = static_cast<uint8_t>(bgra >> 27);
        const uint32_t colour = static_cast<uint32_t>(r >> 3) << 11 | static_cast<uint32_t>(g >> 2) << 5 | (b >> 3);
        if (alpha5 == 0) {
            if (m_op != PixelDataRLE::OP_TRANSPARENT) {
                EmitPending();
                m_op = PixelDataRLE::OP_TRANSPARENT;
            }
            m_pending.push_back(0);
        } else if (alpha5 == 31) {
            const uint8_t entry[2] = {static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>(colour >> 8)};
            AddEntry(entry, 2, PixelDataRLE::OP_OPAQUE_LITERAL, PixelDataRLE::OP_OPAQUE_REPEAT);
        } else {
            const uint8_t entry[3] = {alpha5, static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>(colour >> 8)};
            AddEntry(entry, 3, PixelDataRLE::OP_TRANSLUCENT_LITERAL, PixelDataRLE::OP_TRANSLUCENT_REPEAT);
        }
        if (PendingCount() == PixelDataRLE::MAX_RUN)
            EmitPending();  // the count field is 16 bits: a longer run continues as a new one
    }

    // Appends the finished row record to out; false when the row's runs exceed the 16-bit length.
    bool EndRow(std::vector<uint8_t>& out)
    {
        EmitPending();
        if (m_row.size() > PixelDataRLE::MAX_ROW_BYTES)
            return false;
        out.push_back(PixelDataRLE::ROW_MARKER);
        PutU16(out, static_cast<uint32_t>(m_row.size()));
        out.insert(out.end(), m_row.begin(), m_row.end());
        return true;
    }

private:
    static const int NO_OP = -1;

    size_t EntrySize() const
    {
        switch (m_op) {
        case PixelDataRLE::OP_TRANSLUCENT_LITERAL:
        case PixelDataRLE::OP_TRANSLUCENT_REPEAT:
            return 3;
        case PixelDataRLE::OP_OPAQUE_LITERAL:
        case PixelDataRLE::OP_OPAQUE_REPEAT:
            return 2;
        default:
            return 1;
        }
    }

    uint32_t PendingCount() const { return static_cast<uint32_t>(m_pending.size() / EntrySize()); }

    // A run begun by a change of class is a repeat of one pixel; the next different pixel of the
    // same class turns it into a literal, and a pixel equal to the last literal entry starts a
    // repeat.
    void AddEntry(const uint8_t* entry, size_t entrySize, int literalOp, int repeatOp)
    {
        if (m_op != literalOp && m_op != repeatOp) {
            EmitPending();
            m_op = repeatOp;
        } else if (!m_pending.empty()) {
            const bool same = std::memcmp(m_pending.data() + m_pending.size() - entrySize, entry, entrySize) == 0;
            const uint32_t count = PendingCount();
            if (!same && m_op == repeatOp) {
                if (count > 1)
                    EmitPending();
                m_op = literalOp;
            } else if (same && m_op == literalOp) {
                // A longer literal goes out whole; a single entry joins this pixel in the repeat.
                if (count > 1)
                    EmitPending();
                m_op = repeatOp;
            }
        }
        m_pending.insert(m_pending.end(), entry, entry + entrySize);
    }

    void EmitPending()
    {
        if (m_pending.empty())
            return;
        const uint32_t count = PendingCount();
        m_row.push_back(static_cast<uint8_t>(m_op));
        PutU16(m_row, count);
        switch (m_op) {
        case PixelDataRLE::OP_TRANSLUCENT_LITERAL:
        case PixelDataRLE::OP_OPAQUE_LITERAL:
            m_row.insert(m_row.end(), m_pending.begin(), m_pending.end());
            break;
        case PixelDataRLE::OP_TRANSLUCENT_REPEAT:
        case PixelDataRLE::OP_OPAQUE_REPEAT:
            m_row.insert(m_row.end(), m_pending.begin(), m_pending.begin() + EntrySize());
            break;
        default:
            break;
        }
        m_pending.clear();
    }

    std::vector<uint8_t> m_row;
    std::vector<uint8_t> m_pending;
    int m_op = NO_OP;
};

// Bit replication widens 5- and 6-bit channels so that full intensity stays 255.
inline uint8_t Expand5(uint32_t v)
{
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

inline uint8_t Expand6(uint32_t v)
{
    return static_cast<uint8_t>((v << 2) | (v >> 4));
}

inline void PutPixel(uint8_t* out, uint32_t colour, uint8_t alpha)
{
    out[0] = Expand5(colour & 0x1F);
    out[1] = Expand6((colour >> 5) & 0x3F);
    out[2] = Expand5(colour >> 11);
    out[3] = alpha;
}

}  // namespace

PixelDataRLE::PixelDataRLE(int32_t w, int32_t h, uint32_t size, const uint8_t* bytes)
    : m_stream(nullptr), m_streamSize(0)
{
    m_kind = PD_RLE;
    m_format = PF_RLE;
    m_width = w > 0 ? w : 0;
    m_height = h > 0 ? h : 0;
    if (!bytes)
        size = 0;
    m_stream = new uint8_t[size];
    m_streamSize = size;
    if (size)
        std::memcpy(m_stream, bytes, size);
}

PixelDataRLE::PixelDataRLE(const PixelData* source) : m_stream(nullptr), m_streamSize(0)
{
    m_kind = PD_RLE;
    m_format = PF_RLE;
    if (!source)
        return;
    m_width = source->GetWidth() > 0 ? source->GetWidth() : 0;
    m_height = source->GetHeight() > 0 ? source->GetHeight() : 0;
    Encode(source);
}

PixelDataRLE::~PixelDataRLE()
{
    delete[] m_stream;
}

uint8_t* PixelDataRLE::Lock()
{
    return m_stream;
}

const uint8_t* PixelDataRLE::LockConst() const
{
    return m_stream;
}

void PixelDataRLE::Unlock()
{
    delete[] m_stream;
    m_stream = nullptr;
}

uint32_t PixelDataRLE::Encode(const PixelData* source)
{
    delete[] m_stream;
    m_stream = nullptr;
    m_streamSize = 0;
    if (!source)
        return 0;

    const uint8_t* pixels = source->LockConst();
    const int32_t w = source->GetWidth(), h = source->GetHeight();
    if (!pixels || source->GetFormat() != PF_RGBA8888 || w < 0 || h < 0 ||
        static_cast<int64_t>(source->GetPitch()) < static_cast<int64_t>(w) * 4)
        return 0;

    std::vector<uint8_t> out;
    RowEncoder encoder;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * source->GetPitch();
        encoder.BeginRow();
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * 4;
            encoder.AddPixel(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                             static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
        }
        if (!encoder.EndRow(out))
            return 0;
    }
    if (out.size() > UINT32_MAX)
        return 0;
    m_width = w;
    m_height = h;
    m_stream = new uint8_t[out.size()];
    if (!out.empty())
        std::memcpy(m_stream, out.data(), out.size());
    m_streamSize = static_cast<uint32_t>(out.size());
    return m_streamSize;
}

bool PixelDataRLE::Decode(uint8_t* dst, size_t dstPitch) const
{
    return DecodeStream(m_stream, m_stream ? m_streamSize : 0, m_width, m_height, dst, dstPitch);
}

bool PixelDataRLE::DecodeStream(const uint8_t* data, size_t size, int32_t w, int32_t h, uint8_t* dst,
                                size_t dstPitch)
{
    if (w < 0 || h < 0)
        return false;
    if (dst) {
        // Whatever a malformed stream does not describe stays transparent.
        for (int32_t y = 0; y < h; ++y)
            std::memset(dst + static_cast<size_t>(y) * dstPitch, 0, static_cast<size_t>(w) * 4);
    }
    if (!data)
        return h == 0;

    size_t at = 0;
    for (int32_t y = 0; y < h; ++y) {
        if (size - at < 3 || data[at] != ROW_MARKER)
            return false;
        const size_t rowBytes = LoadLE16(data + at + 1);
        at += 3;
        if (size - at < rowBytes)
            return false;
        const size_t rowEnd = at + rowBytes;
        uint8_t* out = dst ? dst + static_cast<size_t>(y) * dstPitch : nullptr;
        uint32_t filled = 0;
        while (at < rowEnd) {
            if (rowEnd - at < 3)
                return false;
            const uint8_t op = data[at];
            const uint32_t count = LoadLE16(data + at + 1);
            at += 3;
            if (count > static_cast<uint32_t>(w) - filled)
                return false;
            size_t dataBytes;
            switch (op) {
            case OP_TRANSPARENT: dataBytes = 0; break;
            case OP_TRANSLUCENT_LITERAL: dataBytes = static_cast<size_t>(count) * 3; break;
            case OP_OPAQUE_LITERAL: dataBytes = static_cast<size_t>(count) * 2; break;
            case OP_TRANSLUCENT_REPEAT: dataBytes = 3; break;
            case OP_OPAQUE_REPEAT: dataBytes = 2; break;
            default: return false;
            }
            if (rowEnd - at < dataBytes)
                return false;
            if (out) {
                uint8_t* p = out + static_cast<size_t>(filled) * 4;
                const uint8_t* src = data + at;
                for (uint32_t i = 0; i < count; ++i, p += 4) {
                    switch (op) {
                    case OP_TRANSPARENT: break;  // already cleared
                    case OP_TRANSLUCENT_LITERAL:
                        PutPixel(p, LoadLE16(src + i * 3 + 1), Expand5(src[i * 3] & 0x1F));
                        break;
                    case OP_OPAQUE_LITERAL: PutPixel(p, LoadLE16(src + i * 2), 255); break;
                    case OP_TRANSLUCENT_REPEAT: PutPixel(p, LoadLE16(src + 1), Expand5(src[0] & 0x1F)); break;
                    case OP_OPAQUE_REPEAT: PutPixel(p, LoadLE16(src), 255); break;
                    }
                }
            }
            at += dataBytes;
            filled += count;
        }
        if (filled != static_cast<uint32_t>(w))
            return false;
    }
    // Bytes beyond the last row mean the stream and its stated size disagree.
    return at == size;
}

}  // namespace Vorn
