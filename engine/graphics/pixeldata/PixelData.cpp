#include "graphics/pixeldata/PixelData.h"

namespace Vorn {

namespace {

const PixelFormatInfo s_formatTable[] = {
    // bytes bits  R  G  B  A
    {1, 8, 0, 0, 0, 8},    // PF_A8
    {2, 16, 5, 6, 5, 0},   // PF_RGB565
    {3, 24, 8, 8, 8, 0},   // PF_RGB888
    {4, 32, 8, 8, 8, 8},   // PF_RGBA8888
    {0, 32, 5, 6, 5, 5},   // PF_RLE
    {0, 24, 8, 8, 8, 0},   // PF_DXT1
    {0, 32, 8, 8, 8, 8},   // PF_DXT5
    {0, 32, 8, 8, 8, 0},   // PF_PVRTC2_RGB
    {0, 32, 8, 8, 8, 8},   // PF_PVRTC2_RGBA
    {0, 32, 8, 8, 8, 0},   // PF_PVRTC4_RGB
    {0, 32, 8, 8, 8, 8},   // PF_PVRTC4_RGBA
    {0, 32, 8, 8, 8, 0},   // PF_ETC1
};

const PixelFormatInfo s_noFormat = {0, 0, 0, 0, 0, 0};

}  // namespace

const PixelFormatInfo& GetPixelFormatInfo(int32_t format)
{
    if (format < 0 || format >= PF_NONE)
        return s_noFormat;
    return s_formatTable[format];
}

PixelData::PixelData()
    : m_width(0), m_height(0), m_pitch(0), m_format(PF_NONE), m_colorKey{255, 0, 255, 255},
      m_texelScaleU(1.0f), m_texelScaleV(1.0f), m_kind(PD_BASE)
{
}

PixelData::~PixelData() = default;

uint8_t* PixelData::Lock()
{
    return nullptr;
}

const uint8_t* PixelData::LockConst() const
{
    return nullptr;
}

void PixelData::Unlock()
{
}

void PixelData::Touch()
{
}

void PixelData::SetColorKey(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    m_colorKey[0] = r;
    m_colorKey[1] = g;
    m_colorKey[2] = b;
    m_colorKey[3] = a;
}

}  // namespace Vorn
