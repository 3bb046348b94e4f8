// Transformed sprite drawing: a rectangle of a source surface drawn into a target rotated,
// scaled, mirrored and optionally tinted about a pivot, through the batcher.
//
// All draw calls take: the target, the source, the destination point (x, y) in target pixels,
// the angle in radians (clockwise on screen, y growing downwards), scale (sx, sy; 1 = natural
// size), pivot (px, py; source pixels from the top left of the source rectangle), the flip code
// and the source rectangle in the source's logical coordinates.
#pragma once

#include "graphics/GraphicsTypes.h"
#include "system/Types.h"

namespace Vorn {

class Surface;
struct SurfacePiece;

namespace TriangleEngine {

// Flip codes; any other value draws nothing.
enum Flip : u8 { FLIP_NONE = 0, FLIP_VERTICAL = 1, FLIP_HORIZONTAL = 2, FLIP_BOTH = 3 };

// Vertex colour (255, 255, 255, source alpha), alpha blending.
void Draw(Surface* target, Surface* source, float x, float y, float angle, const float* scale,
          const float* pivot, u8 flip, const Rect& rect);
// Vertex colour (colour's r, g, b, source alpha), alpha blending.
void DrawColored(Surface* target, Surface* source, float x, float y, float angle,
                 const float* scale, const float* pivot, u8 flip, const Rect& rect,
                 const Color& colour);
// Vertex colour white with the source alpha, additive blending.
void DrawAdditive(Surface* target, Surface* source, float x, float y, float angle,
                  const float* scale, const float* pivot, u8 flip, const Rect& rect);

// m = (sx cos a, -sy sin a, sx sin a, sy cos a): a point (u, v) relative to the pivot lands at
// (x + m0 u + m1 v, y + m2 u + m3 v).
void MakeMatrix(float angle, const float* scale, float m[4]);

// One part of the source to draw: its place (qx, qy, qw, qh) in the source image, the source
// rectangle's origin (rx, ry), the flip extents (W, H), and where its texels start.
struct QuadPart {
    s32 qx, qy, qw, qh;
    s32 rx, ry;
    s32 extentW, extentH;
    float texelX, texelY;  // texel of the part's top-left picture corner (before the texel scale)
    bool rotated;
};

// Corner positions (before the matrix) and texel coordinates of one part, in the order
// top-left, top-right, bottom-right, bottom-left of the unflipped picture. False for an unknown
// flip code.
bool ComputeQuad(const QuadPart& part, float offsetX, float offsetY, const float* pivot, u8 flip,
                 float positions[8], float texels[8]);

}  // namespace TriangleEngine
}  // namespace Vorn
