#include "graphics/surface/TriangleEngine.h"

#include <algorithm>
#include <cmath>

#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/PixelData.h"
#include "graphics/surface/Surface.h"

namespace Vorn {
namespace TriangleEngine {

void MakeMatrix(float angle, const float* scale, float m[4])
{
    const float sx = scale ? scale[0] : 1.0f, sy = scale ? scale[1] : 1.0f;
    const float c = std::cos(angle), s = std::sin(angle);
    m[0] = sx * c;
    m[1] = -sy * s;
    m[2] = sx * s;
    m[3] = sy * c;
}

bool ComputeQuad(const QuadPart& p, float ox, float oy, const float* pivot, u8 flip,
                 float positions[8], float texels[8])
{
    const float px = pivot ? pivot[0] : 0.0f, py = pivot ? pivot[1] : 0.0f;
    const float dx = static_cast<float>(p.qx - p.rx), dy = static_cast<float>(p.qy - p.ry);
    const float qw = static_cast<float>(p.qw), qh = static_cast<float>(p.qh);
    const float W = static_cast<float>(p.extentW), H = static_cast<float>(p.extentH);
    float left, right, top, bottom;
    switch (flip) {
    case FLIP_NONE:
    case FLIP_VERTICAL:
        left = ox - px + dx;
        right = left + qw;
        break;
    case FLIP_HORIZONTAL:
    case FLIP_BOTH:
        left = ox - px - dx + W;
        right = left - qw;
        break;
    default:
        return false;
    }
    if (flip == FLIP_NONE || flip == FLIP_HORIZONTAL) {
        top = oy - py + dy;
        bottom = top + qh;
    } else {
        top = oy - py - dy + H;
        bottom = top - qh;
    }
    const float corners[8] = {left, top, right, top, right, bottom, left, bottom};
    std::copy(corners, corners + 8, positions);

    const float tx0 = p.texelX, ty0 = p.texelY;
    if (!p.rotated) {
        const float tx1 = tx0 + qw, ty1 = ty0 + qh;
        const float t[8] = {tx0, ty0, tx1, ty0, tx1, ty1, tx0, ty1};
        std::copy(t, t + 8, texels);
    } else {
        // Stored turned: the picture's x runs down the texture's rows, so its top-right corner
        // takes the texel below its top-left one.
        const float tx1 = tx0 + qh, ty1 = ty0 + qw;
        const float t[8] = {tx0, ty0, tx0, ty1, tx1, ty1, tx1, ty0};
        std::copy(t, t + 8, texels);
    }
    return true;
}

namespace {

void DrawQuads(Surface* target, Surface* source, float x, float y, float angle, const float* scale,
               const float* pivot, u8 flip, const Rect& rect, const Color& colour, int blendMode)
{
    if (!g_batcher || !target || !source || !target->GetPixelData() || !source->GetPixelData())
        return;
    if (flip > FLIP_BOTH)
        return;
    PixelData* pd = source->GetPixelData();
    Batcher* b = g_batcher.Get();
    b->SetProgram(nullptr);
    b->SetTexturing(true);
    b->SetRenderTarget(target->GetPixelData(), target->GetFlags());
    b->SetTexture(pd, source->GetFlags(), source->GetAlpha());
    b->SetClipRect(target->GetClipRect());
    b->SetBlendMode(blendMode);
    if (source->GetFlags() & Surface::FLAG_COLORKEY) {
        const u8* key = pd->GetColorKey();
        b->SetColorKey(true, key[0] / 255.0f, key[1] / 255.0f, key[2] / 255.0f);
    } else {
        b->SetColorKey(false, 0, 0, 0);
    }
    b->SetLineMode(false);

    float m[4];
    MakeMatrix(angle, scale, m);
    const float su = pd->GetTexelScaleU(), sv = pd->GetTexelScaleV();
    const float ox = static_cast<float>(source->GetDrawOffsetX());
    const float oy = static_cast<float>(source->GetDrawOffsetY());
    const float originX = static_cast<float>(source->GetTextureOriginX());
    const float originY = static_cast<float>(source->GetTextureOriginY());

    auto emit = [&](const QuadPart& part) {
        float pos[8], tex[8];
        if (!ComputeQuad(part, ox, oy, pivot, flip, pos, tex))
            return;
        Batcher::Vertex v[4];
        for (int i = 0; i < 4; ++i) {
            const float u = pos[2 * i], w = pos[2 * i + 1];
            v[i] = Batcher::Vertex{x + m[0] * u + m[1] * w, y + m[2] * u + m[3] * w,
                                   tex[2 * i] * su, tex[2 * i + 1] * sv,
                                   colour.r, colour.g, colour.b, colour.a};
        }
        b->AddQuad(v[0], v[1], v[2], v[3]);
    };

    const SurfacePiece* pieces = source->GetPieces();
    if (!pieces) {
        // The whole rectangle as it is given (not clamped to the image).
        QuadPart part{rect.x, rect.y, rect.w, rect.h, rect.x, rect.y, rect.w, rect.h,
                      static_cast<float>(rect.x) + originX, static_cast<float>(rect.y) + originY,
                      false};
        emit(part);
        return;
    }
    for (u32 i = 0; i < source->GetPieceCount(); ++i) {
        const SurfacePiece& p = pieces[i];
        const s32 qx = std::max<s32>(rect.x, p.x), qy = std::max<s32>(rect.y, p.y);
        const s32 qw = std::min<s32>(p.x + p.w, rect.x + rect.w) - qx;
        const s32 qh = std::min<s32>(p.y + p.h, rect.y + rect.h) - qy;
        if (qw <= 0 || qh <= 0)
            continue;
        QuadPart part{qx, qy, qw, qh, rect.x, rect.y, source->GetWidth(), source->GetHeight(),
                      0.0f, 0.0f, p.rotated != 0};
        // Where the part's top-left picture point lies in the pixel data (as the surface's Blit
        // maps pieces).
        if (!p.rotated) {
            part.texelX = originX + static_cast<float>(p.ax + (qx - p.x));
            part.texelY = originY + static_cast<float>(p.ay + (qy - p.y));
        } else {
            part.texelX = originX + static_cast<float>(p.ax + (qy - p.y));
            part.texelY = originY + static_cast<float>(p.ay + (qx - p.x));
        }
        emit(part);
    }
}

}  // namespace

void Draw(Surface* target, Surface* source, float x, float y, float angle, const float* scale,
          const float* pivot, u8 flip, const Rect& rect)
{
    const u8 a = source ? source->GetAlpha() : 255;
    DrawQuads(target, source, x, y, angle, scale, pivot, flip, rect, Color{255, 255, 255, a},
              Batcher::BLEND_ALPHA);
}

void DrawColored(Surface* target, Surface* source, float x, float y, float angle,
                 const float* scale, const float* pivot, u8 flip, const Rect& rect,
                 const Color& colour)
{
    const u8 a = source ? source->GetAlpha() : 255;
    DrawQuads(target, source, x, y, angle, scale, pivot, flip, rect,
              Color{colour.r, colour.g, colour.b, a}, Batcher::BLEND_ALPHA);
}

void DrawAdditive(Surface* target, Surface* source, float x, float y, float angle,
                  const float* scale, const float* pivot, u8 flip, const Rect& rect)
{
    const u8 a = source ? source->GetAlpha() : 255;
    DrawQuads(target, source, x, y, angle, scale, pivot, flip, rect, Color{255, 255, 255, a},
              Batcher::BLEND_ADDITIVE);
}

}  // namespace TriangleEngine
}  // namespace Vorn
