// Pixel storage of one image: size, row pitch, pixel format and where the pixels live.
#pragma once

#include <cstdint>

#include "base/RefCounter.h"

namespace Vorn {

// Pixel format codes. 24- and 32-bit pixels lie in memory as B, G, R (, A): a PF_RGBA8888 pixel
// read as a little-endian 32-bit word has alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
// PF_RGB565 is one little-endian word, red in bits 11-15, green 5-10, blue 0-4. Rows run top to
// bottom; pixel (x, y) starts at byte y * pitch + x * bytes.
enum PixelFormat : int32_t {
    PF_A8 = 0,
    PF_RGB565 = 1,
    PF_RGB888 = 2,
    PF_RGBA8888 = 3,
    PF_RLE = 4,  // the run stream of PixelDataRLE
    PF_DXT1 = 5,
    PF_DXT5 = 6,
    PF_PVRTC2_RGB = 7,
    PF_PVRTC2_RGBA = 8,
    PF_PVRTC4_RGB = 9,
    PF_PVRTC4_RGBA = 10,
    PF_ETC1 = 11,
    PF_NONE = 12  // no format: a loader that has not read a header
};

// One row of the fixed format table. bytes is the size of a pixel in a plain CPU row (0 where the
// format has no plain CPU rows: the run stream and the GPU-compressed formats), bits the nominal
// bits per pixel, then the depth of each channel.
struct PixelFormatInfo {
    int32_t bytes;
    int32_t bits;
    int32_t red;
    int32_t green;
    int32_t blue;
    int32_t alpha;
};

// The table row of a format; PF_NONE and codes outside the table give a row of zeros.
const PixelFormatInfo& GetPixelFormatInfo(int32_t format);

class PixelData : public RefCounter {
public:
    // Kind codes: code that receives a PixelData dispatches on GetKind(), not on the dynamic type.
    enum Kind : int32_t {
        PD_BASE = 0,
        PD_MEMORY = 1,
        PD_RLE = 2,
        PD_GL = 4,
        PD_COMPOSITE = 5
    };

    PixelData();
    ~PixelData() override;

    PixelData(const PixelData&) = delete;
    PixelData& operator=(const PixelData&) = delete;

    // Writable pixels, row 0 first, or null when this object holds no CPU pixels (any more).
    virtual uint8_t* Lock();
    virtual const uint8_t* LockConst() const;
    // Ends the hand-over of the CPU pixels. The memory and RLE kinds free their arrays here, so
    // after Unlock they keep their size and format but Lock returns null.
    virtual void Unlock();
    // Marks the pixels as used in the current frame (GL textures reset their idle age).
    virtual void Touch();

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    int32_t GetPitch() const { return m_pitch; }
    PixelFormat GetFormat() const { return m_format; }
    int32_t GetKind() const { return m_kind; }
    // Key colour as R, G, B, A; default opaque magenta.
    const uint8_t* GetColorKey() const { return m_colorKey; }
    void SetColorKey(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    // Multiply texture coordinates in pixels by these; a GL texture sets them to 1 / its
    // power-of-two size.
    float GetTexelScaleU() const { return m_texelScaleU; }
    float GetTexelScaleV() const { return m_texelScaleV; }

protected:
    int32_t m_width;
    int32_t m_height;
    int32_t m_pitch;
    PixelFormat m_format;
    uint8_t m_colorKey[4];
    float m_texelScaleU;
    float m_texelScaleV;
    int32_t m_kind;
};

}  // namespace Vorn
