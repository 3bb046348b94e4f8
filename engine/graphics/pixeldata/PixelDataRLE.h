// An alpha-aware run-length stream of 16-bit colours in CPU memory (format PF_RLE).
//
// The stream is one record per pixel row, top row first: u8 marker 10, u16 byte length of the
// row's runs, then the runs, whose pixel counts add up to exactly the width. A run is u8 op,
// u16 count, then by op:
//   0  count transparent pixels                 (no data)
//   1  translucent literal                      count x {u8 alpha5, u16 colour565}
//   2  opaque literal                           count x u16 colour565
//   3  translucent repeat                       one {u8 alpha5, u16 colour565}
//   4  opaque repeat                            one u16 colour565
// 16-bit fields are little-endian and unaligned; alpha5 is the top five bits of alpha.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/pixeldata/PixelData.h"

namespace Vorn {

class PixelDataRLE final : public PixelData {
public:
    // Copies size bytes of an existing run stream (not checked here: see Validate).
    PixelDataRLE(int32_t width, int32_t height, uint32_t size, const uint8_t* bytes);
    // Encodes a PF_RGBA8888 source; a null source, one of another format, without pixels, or with a row
    // that does not fit the stream's 16-bit row length gives an empty stream.
    explicit PixelDataRLE(const PixelData* source);
    ~PixelDataRLE() override;

    uint8_t* Lock() override;
    const uint8_t* LockConst() const override;
    void Unlock() override;

    uint32_t GetStreamSize() const { return m_stream ? m_streamSize : 0; }

    // Replaces the stream by the encoding of a PF_RGBA8888 source; returns the new stream size,
    // or 0 (and no stream) when the source cannot be encoded.
    uint32_t Encode(const PixelData* source);

    // Decodes this object's stream into PF_RGBA8888 rows (B, G, R, A) of dstPitch bytes each;
    // false when the stream is missing or malformed, in which case every pixel not decoded from a
    // well-formed run is transparent black.
    bool Decode(uint8_t* dst, size_t dstPitch) const;

    // The same for a stream held elsewhere. With dst null the stream is only checked: true when
    // every row record is whole, every run lies inside its row record, each row's counts add up to
    // exactly the width, and the last row ends exactly at the end of the stream.
    static bool DecodeStream(const uint8_t* m_stream, size_t size, int32_t width, int32_t height,
                             uint8_t* dst, size_t dstPitch);
    static bool Validate(const uint8_t* m_stream, size_t size, int32_t width, int32_t height)
    {
        return DecodeStream(m_stream, size, width, height, nullptr, 0);
    }

    enum : uint8_t {
        ROW_MARKER = 10,
        OP_TRANSPARENT = 0,
        OP_TRANSLUCENT_LITERAL = 1,
        OP_OPAQUE_LITERAL = 2,
        OP_TRANSLUCENT_REPEAT = 3,
        OP_OPAQUE_REPEAT = 4
    };
    static constexpr uint32_t MAX_RUN = 65535;
    static constexpr uint32_t MAX_ROW_BYTES = 65535;

private:
    uint8_t* m_stream;
    uint32_t m_streamSize;
};

}  // namespace Vorn
