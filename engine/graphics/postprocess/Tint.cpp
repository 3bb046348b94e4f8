#include "graphics/postprocess/Tint.h"

#include "graphics/batcher/Batcher.h"
#include "graphics/batcher/OpenGLShader.h"
#include "graphics/batcher/ShaderLibrary.h"
#include "graphics/pixeldata/PixelData.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

namespace {
const int NEUTRAL = 255;
const u32 ALL_CAPABILITIES = 0x1E;
} // namespace

u32 PostProcess::GetCapabilities()
{
    return ALL_CAPABILITIES;
}

Tint::Tint() : m_r(NEUTRAL), m_g(NEUTRAL), m_b(NEUTRAL), m_program(new OpenGLShader)
{
    if (GetCapabilities() & CAPABILITY_SHADERS)
        m_program->SetSources(ShaderLibrary::TintVertex, ShaderLibrary::TintFragment);
}

Tint::~Tint()
{
}

void Tint::SetColor(float r, float g, float b)
{
    m_r = static_cast<int>(r * 255.0f);
    m_g = static_cast<int>(g * 255.0f);
    m_b = static_cast<int>(b * 255.0f);
}

void Tint::Render(Surface* source, Surface* target, int x, int y, const Rect& rect)
{
    Batcher* b = g_batcher.Get();
    if (!b || !source || !target || !source->GetPixelData() || !target->GetPixelData())
        return;
    PixelData* sourceData = source->GetPixelData();

    // Within 0..1 the vertex colour does it; beyond that only the shader can multiply.
    const bool overBright = m_r > NEUTRAL || m_g > NEUTRAL || m_b > NEUTRAL;
    if (!overBright || !(GetCapabilities() & CAPABILITY_SHADERS)) {
        b->SetProgram(nullptr);
    } else {
        b->SetProgram(m_program.Get());
        m_program->SetUniform3f("vColor", m_r / 255.0f, m_g / 255.0f, m_b / 255.0f);
    }
    b->SetTexturing(true);
    b->SetRenderTarget(target->GetPixelData(), target->GetFlags());
    b->SetTexture(sourceData, source->GetFlags(), source->GetAlpha());
    b->SetClipRect(target->GetClipRect());
    b->SetBlendMode(Batcher::BLEND_ALPHA);
    b->SetColorKey(false, 0, 0, 0);
    if (source->GetFlags() & Surface::FLAG_COLORKEY) {
        const u8* key = sourceData->GetColorKey();
        b->SetColorKey(true, key[0] / 255.0f, key[1] / 255.0f, key[2] / 255.0f);
    }
    b->SetLineMode(false);

    // The whole rectangle, unclamped and without pieces.
    const float left = static_cast<float>(x + source->GetDrawOffsetX());
    const float top = static_cast<float>(y + source->GetDrawOffsetY());
    const float right = left + static_cast<float>(rect.w);
    const float bottom = top + static_cast<float>(rect.h);
    const float u = sourceData->GetTexelScaleU(), v = sourceData->GetTexelScaleV();
    const float s0 = static_cast<float>(source->GetTextureOriginX() + rect.x) * u;
    const float t0 = static_cast<float>(source->GetTextureOriginY() + rect.y) * v;
    const float s1 = s0 + static_cast<float>(rect.w) * u;
    const float t1 = t0 + static_cast<float>(rect.h) * v;
    const u8 r = static_cast<u8>(m_r), g = static_cast<u8>(m_g), bl = static_cast<u8>(m_b);
    b->AddQuad(Batcher::Vertex{left, top, s0, t0, r, g, bl, 255},
               Batcher::Vertex{right, top, s1, t0, r, g, bl, 255},
               Batcher::Vertex{right, bottom, s1, t1, r, g, bl, 255},
               Batcher::Vertex{left, bottom, s0, t1, r, g, bl, 255});
}

} // namespace Vorn
